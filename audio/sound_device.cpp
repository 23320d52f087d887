#include "audio/sound_device.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cmath>

#include "audio/sound_level.h"

namespace orv {

namespace {

// Every loaded copy of every slot can hold a voice at the same time.
constexpr int kMaxVoices = kSoundSlots * kMaxSoundCopies;
constexpr int kFirstVoices = 32;
// Frames per mixing period: about 23 ms at 22050 Hz, short enough for
// sound cues to feel immediate.
constexpr int kMixPeriod = 512;
constexpr int32_t kUnityGain = 1 << 16;

int32_t FixedGain(double g) { return static_cast<int32_t>(std::lround(std::clamp(g, 0.0, 1.0) * kUnityGain)); }

}  // namespace

struct SoundDevice::VoiceState {
  Mix_Chunk chunk{};       // points into the slot's samples; never freed by the mixer
  int32_t left = kUnityGain;   // 16.16 gains of the two output sides
  int32_t right = kUnityGain;
};

namespace {

// Runs on the mixer thread over one period of a voice's samples (stereo
// 16-bit, the output format the device insists on). Blocks of a fixed size
// let the compiler turn the inner loop into vector code.
void ApplyGains(int, void* stream, int len, void* udata) {
  const auto* v = static_cast<const SoundDevice::VoiceState*>(udata);
  const int32_t l = v->left, r = v->right;
  auto* s = static_cast<int16_t*>(stream);
  const int samples = len / 4 * 2;
  constexpr int kBlock = 16;
  int i = 0;
  for (; i + kBlock <= samples; i += kBlock) {
    for (int k = 0; k < kBlock; k += 2) {
      s[i + k] = static_cast<int16_t>((s[i + k] * l + 0x8000) >> 16);
      s[i + k + 1] = static_cast<int16_t>((s[i + k + 1] * r + 0x8000) >> 16);
    }
  }
  for (; i < samples; i += 2) {
    s[i] = static_cast<int16_t>((s[i] * l + 0x8000) >> 16);
    s[i + 1] = static_cast<int16_t>((s[i + 1] * r + 0x8000) >> 16);
  }
}

}  // namespace

SoundDevice::SoundDevice() = default;

SoundDevice::~SoundDevice() { Release(); }

bool SoundDevice::Open() {
  if (open_) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  // No format changes allowed: SDL converts to whatever the hardware wants,
  // so sounds are decoded once into exactly this format.
  if (Mix_OpenAudioDevice(kMixRate, AUDIO_S16SYS, 2, kMixPeriod, nullptr, 0) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels) || format != AUDIO_S16SYS || channels != 2) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  format_ = MixFormat{format, channels, rate};
  voices_ = std::make_unique<VoiceState[]>(kMaxVoices);
  voiceCount_ = 0;
  freeVoices_.clear();
  Mix_AllocateChannels(0);
  open_ = true;
  return true;
}

void SoundDevice::Release() {
  // Clearing a slot untracks it, so walk a copy.
  std::vector<SoundSlot*> loaded(loaded_.begin(), loaded_.end());
  for (SoundSlot* slot : loaded) slot->Clear();
  loaded_.clear();
  if (!open_) return;
  Mix_HaltChannel(-1);
  Mix_AllocateChannels(0);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  open_ = false;
  voiceCount_ = 0;
  freeVoices_.clear();
  voices_.reset();
}

int SoundDevice::AcquireVoice() {
  if (!open_) return -1;
  if (freeVoices_.empty()) {
    if (voiceCount_ >= kMaxVoices) return -1;
    const int grown = std::min(kMaxVoices, std::max(kFirstVoices, voiceCount_ * 2));
    if (Mix_AllocateChannels(grown) != grown) {
      Mix_AllocateChannels(voiceCount_);
      return -1;
    }
    for (int v = grown - 1; v >= voiceCount_; --v) freeVoices_.push_back(v);
    voiceCount_ = grown;
  }
  const int voice = freeVoices_.back();
  freeVoices_.pop_back();
  return voice;
}

void SoundDevice::ReleaseVoice(int voice) {
  if (!open_ || voice < 0 || voice >= voiceCount_) return;
  StopVoice(voice);
  voices_[voice].chunk = Mix_Chunk{};
  freeVoices_.push_back(voice);
}

bool SoundDevice::VoicePlaying(int voice) const {
  return open_ && voice >= 0 && voice < voiceCount_ && Mix_Playing(voice) != 0;
}

void SoundDevice::StopVoice(int voice) {
  if (!open_ || voice < 0 || voice >= voiceCount_) return;
  Mix_HaltChannel(voice);
}

bool SoundDevice::StartVoice(int voice, const std::vector<uint8_t>& pcm, int32_t volumeHundredthsDb,
                             int32_t panHundredths) {
  if (!open_ || voice < 0 || voice >= voiceCount_ || pcm.empty() || pcm.size() > UINT32_MAX) return false;
  // Starting a busy mixer channel would drop the gains set up below.
  if (Mix_Playing(voice)) Mix_HaltChannel(voice);
  // The mixer drops a channel's effects when it stops; they are set again
  // for each play, before it starts, so no period is heard at full level.
  Mix_UnregisterAllEffects(voice);
  VoiceState& v = voices_[voice];
  v.chunk.allocated = 0;
  v.chunk.abuf = const_cast<Uint8*>(pcm.data());
  v.chunk.alen = static_cast<Uint32>(pcm.size());
  v.chunk.volume = MIX_MAX_VOLUME;
  const SideGains g = GainsFor(volumeHundredthsDb, panHundredths);
  v.left = FixedGain(g.left);
  v.right = FixedGain(g.right);
  if ((v.left != kUnityGain || v.right != kUnityGain) && !Mix_RegisterEffect(voice, ApplyGains, nullptr, &v))
    return false;
  Mix_Volume(voice, MIX_MAX_VOLUME);
  return Mix_PlayChannel(voice, &v.chunk, 0) == voice;
}

}  // namespace orv
