// Sound effects against SDL2_mixer used directly on the same chunks:
//  - start_64_sounds: starting 64 overlapping sounds in one frame (16 sounds
//    with four copies each, at half volume and a slight pan, as games play
//    cues; start_64_sounds_full plays them at full volume, centred);
//  - mix_64_voices: the mixer's CPU load with 64 voices playing, measured as
//    process CPU time per wall-clock second while the main thread sleeps
//    (reported as the iteration time and as the counter cpu_pct);
//    runtime_full plays at full volume, centred, which needs no gain pass.
// The output goes to the disk driver writing /dev/null, which runs in real
// time like a sound card.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

#include "audio/sound_device.h"
#include "audio/sound_level.h"
#include "orvane/audio.h"
#include "runtime/runtime_state.h"

namespace {

constexpr int kSounds = 16;
constexpr int kCopies = 4;
constexpr double kPan = 0.3, kVolume = 0.5;

struct Headless {
  Headless() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
} headless;

// A WAV file of a mono 16-bit tone at 22050 Hz.
std::vector<uint8_t> ToneWav(double seconds, double hz) {
  const int frames = static_cast<int>(seconds * 22050);
  auto le = [](std::vector<uint8_t>& v, uint32_t x, int n) {
    for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
  };
  std::vector<uint8_t> w{'R', 'I', 'F', 'F'};
  le(w, 36 + frames * 2, 4);
  for (char c : std::string("WAVEfmt ")) w.push_back(static_cast<uint8_t>(c));
  le(w, 16, 4);
  le(w, 1, 2);
  le(w, 1, 2);
  le(w, 22050, 4);
  le(w, 44100, 4);
  le(w, 2, 2);
  le(w, 16, 2);
  for (char c : std::string("data")) w.push_back(static_cast<uint8_t>(c));
  le(w, frames * 2, 4);
  for (int i = 0; i < frames; ++i)
    le(w, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / 22050))), 2);
  return w;
}

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// Sleeps for a wall-clock interval; the CPU the process used meanwhile.
double CpuDuring(double seconds) {
  const double before = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  return CpuSeconds() - before;
}

// ---- SDL2_mixer directly ------------------------------------------------------
struct DirectMixer {
  std::vector<Mix_Chunk*> chunks;
  bool ok = false;
  explicit DirectMixer(double seconds) {
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    if (Mix_OpenAudioDevice(orv::kMixRate, AUDIO_S16SYS, 2, 512, nullptr, 0) != 0) return;
    Mix_AllocateChannels(kSounds * kCopies);
    for (int i = 0; i < kSounds; ++i) {
      std::vector<uint8_t> wav = ToneWav(seconds, 220 + 20 * i);
      chunks.push_back(Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1));
    }
    ok = true;
  }
  ~DirectMixer() {
    Mix_HaltChannel(-1);
    for (Mix_Chunk* c : chunks) Mix_FreeChunk(c);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  // The same gains the runtime works out, in the mixer's own units.
  void StartAll(bool full) {
    const orv::SideGains g = orv::GainsFor(orv::VolumeHundredthsDb(orv::VolumePercent(kVolume)),
                                           orv::PanHundredths(kPan));
    for (int copy = 0; copy < kCopies; ++copy) {
      for (Mix_Chunk* c : chunks) {
        const int ch = Mix_PlayChannel(-1, c, 0);
        if (full || ch < 0) continue;
        Mix_SetPanning(ch, static_cast<Uint8>(std::lround(g.left / std::max(g.left, g.right) * 255)),
                       static_cast<Uint8>(std::lround(g.right / std::max(g.left, g.right) * 255)));
        Mix_Volume(ch, static_cast<int>(std::lround(std::max(g.left, g.right) * MIX_MAX_VOLUME)));
      }
    }
  }
};

// ---- The runtime's commands ------------------------------------------------------
struct RuntimeSound {
  bool ok = false;
  explicit RuntimeSound(double seconds) {
    orv::RuntimeState& rt = orv::Rt();
    rt.audio = std::make_unique<orv::SoundDevice>();
    rt.soundSlots = std::make_unique<orv::SoundSlot[]>(orv::kSoundSlots);
    if (!rt.audio->Open()) return;
    std::string why;
    for (int i = 0; i < kSounds; ++i)
      if (!rt.soundSlots[i].Load(rt.audio.get(), ToneWav(seconds, 220 + 20 * i), kCopies, why)) return;
    ok = true;
  }
  ~RuntimeSound() {
    orv::RuntimeState& rt = orv::Rt();
    rt.soundSlots.reset();
    rt.audio.reset();
  }
  void StartAll(bool full) {
    for (int copy = 0; copy < kCopies; ++copy)
      for (int s = 0; s < kSounds; ++s) benchmark::DoNotOptimize(PlaySoundSlot(s, full ? 0 : kPan, full ? 1 : kVolume));
  }
  static void StopAll() {
    for (int s = 0; s < kSounds; ++s) orv::Rt().soundSlots[s].StopAll();
  }
};

template <typename Player>
void StopEverything() {
  if constexpr (std::is_same_v<Player, DirectMixer>) {
    Mix_HaltChannel(-1);
  } else {
    RuntimeSound::StopAll();
  }
}

template <typename Player>
void StartSounds(benchmark::State& state, bool full) {
  Player p(1.0);
  if (!p.ok) {
    state.SkipWithError("no audio output");
    return;
  }
  for (auto _ : state) {
    p.StartAll(full);
    state.PauseTiming();
    StopEverything<Player>();
    state.ResumeTiming();
  }
}

template <typename Player>
void MixVoices(benchmark::State& state, bool full) {
  constexpr double kWall = 0.5;
  Player p(kWall + 0.5);
  if (!p.ok) {
    state.SkipWithError("no audio output");
    return;
  }
  double cpu = 0;
  for (auto _ : state) {
    p.StartAll(full);
    const double used = CpuDuring(kWall);
    cpu += used;
    state.SetIterationTime(used / kWall);  // CPU seconds per second of sound
    state.PauseTiming();
    StopEverything<Player>();
    state.ResumeTiming();
  }
  state.counters["cpu_pct"] = 100 * cpu / (kWall * static_cast<double>(state.iterations()));
}

const bool registered = [] {
  using benchmark::RegisterBenchmark;
  RegisterBenchmark("start_64_sounds/baseline", StartSounds<DirectMixer>, false)->Unit(benchmark::kMicrosecond);
  RegisterBenchmark("start_64_sounds/runtime", StartSounds<RuntimeSound>, false)->Unit(benchmark::kMicrosecond);
  RegisterBenchmark("start_64_sounds_full/baseline", StartSounds<DirectMixer>, true)->Unit(benchmark::kMicrosecond);
  RegisterBenchmark("start_64_sounds_full/runtime", StartSounds<RuntimeSound>, true)->Unit(benchmark::kMicrosecond);
  for (auto* b : {RegisterBenchmark("mix_64_voices/baseline", MixVoices<DirectMixer>, false),
                  RegisterBenchmark("mix_64_voices/runtime", MixVoices<RuntimeSound>, false),
                  RegisterBenchmark("mix_64_voices/runtime_full", MixVoices<RuntimeSound>, true)})
    b->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
