#include "media/music_mixer.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {

namespace {

void MixMusic(void* udata, Uint8* stream, int bytes) { static_cast<MusicMixer*>(udata)->Mix(stream, bytes); }

}  // namespace

float MusicMixer::Voice::GainAt(int64_t frame) const {
  if (length <= 0 || frame >= length) return to;
  const double t = static_cast<double>(std::max<int64_t>(frame, 0)) / static_cast<double>(length);
  const double quarter = std::numbers::pi / 2 * t;
  return static_cast<float>(fadingOut ? to + (from - to) * std::cos(quarter) : from + (to - from) * std::sin(quarter));
}

bool MusicMixer::Attach() {
  if (attached_) return true;
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels) || rate != rate_ || channels != 2 || format != AUDIO_S16SYS)
    return false;
  Mix_HookMusic(MixMusic, this);
  attached_ = true;
  return true;
}

void MusicMixer::Detach() {
  if (!attached_) return;
  // Returns only once the mixer thread has left the callback.
  Mix_HookMusic(nullptr, nullptr);
  attached_ = false;
}

MusicMixer::Voice* MusicMixer::Find(int id) {
  for (auto& v : voices_)
    if (v->id == id) return v.get();
  return nullptr;
}

int MusicMixer::Start(std::unique_ptr<MusicDecoder> decoder, int64_t fadeFrames) {
  std::vector<std::unique_ptr<Voice>> gone;  // freed after the lock is released
  std::lock_guard<std::mutex> lock(mutex_);
  if (fadeFrames <= 0) {
    gone = std::move(voices_);
    voices_.clear();
  } else {
    for (auto& v : voices_) {
      if (v->finished || (v->fadingOut && v->to == 0)) continue;
      v->from = v->GainAt(v->done);
      v->to = 0;
      v->length = fadeFrames;
      v->done = 0;
      v->fadingOut = true;
    }
  }
  // Room for the new voice: finished ones go first, then the oldest.
  while (voices_.size() >= kMaxMusicVoices) {
    auto victim = std::find_if(voices_.begin(), voices_.end(), [](const auto& v) { return v->finished; });
    if (victim == voices_.end()) victim = voices_.begin();
    gone.push_back(std::move(*victim));
    voices_.erase(victim);
  }
  auto voice = std::make_unique<Voice>();
  voice->id = nextId_++;
  voice->decoder = std::move(decoder);
  if (fadeFrames > 0) {
    voice->from = 0;
    voice->length = fadeFrames;
  }
  const int id = voice->id;
  voices_.push_back(std::move(voice));
  return id;
}

void MusicMixer::StopAll() {
  std::vector<std::unique_ptr<Voice>> gone;
  std::lock_guard<std::mutex> lock(mutex_);
  gone = std::move(voices_);
  voices_.clear();
  paused_ = false;
}

void MusicMixer::SetPaused(bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = paused;
}

void MusicMixer::SetVolume(float volume) {
  std::lock_guard<std::mutex> lock(mutex_);
  volume_ = volume;
}

bool MusicMixer::Playing(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Voice* v = Find(id);
  return v && !v->finished;
}

void MusicMixer::Restart(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  Voice* v = Find(id);
  if (!v || (v->fadingOut && v->finished)) return;
  v->finished = !v->decoder->Restart();
}

std::vector<std::string> MusicMixer::Collect() {
  std::vector<std::unique_ptr<Voice>> gone;
  std::lock_guard<std::mutex> lock(mutex_);
  // The newest voice is the track now playing: kept even when it ended,
  // since a short looping track is started again by the clock.
  for (size_t i = 0; i + 1 < voices_.size();) {
    if (voices_[i]->finished) {
      gone.push_back(std::move(voices_[i]));
      voices_.erase(voices_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return std::exchange(messages_, {});
}

float MusicMixer::Gain(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Voice* v = Find(id);
  return v ? v->GainAt(v->done) : 0;
}

int64_t MusicMixer::Laps(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Voice* v = Find(id);
  return v ? v->decoder->Laps() : 0;
}

size_t MusicMixer::VoiceCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return voices_.size();
}

void MusicMixer::Mix(uint8_t* stream, int bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (paused_ || voices_.empty() || bytes < 4) return;
  const size_t frames = static_cast<size_t>(bytes) / 4;
  try {
    sum_.assign(frames * 2, 0.0f);
    scratch_.resize(frames * 2);
  } catch (const std::bad_alloc&) {
    return;  // a period of silence rather than an end on the mixer thread
  }
  for (auto& v : voices_) {
    if (v->finished) continue;
    const size_t got = v->decoder->Read(scratch_.data(), frames);
    for (size_t i = 0; i < got; ++i) {
      const float g = v->GainAt(v->done + static_cast<int64_t>(i));
      sum_[2 * i] += scratch_[2 * i] * g;
      sum_[2 * i + 1] += scratch_[2 * i + 1] * g;
    }
    v->done += static_cast<int64_t>(frames);
    if (std::string problem = v->decoder->TakeLateProblem(); !problem.empty() && messages_.size() < 16)
      messages_.push_back(std::move(problem));
    if ((v->fadingOut && v->done >= v->length) || (got < frames && v->decoder->Ended())) v->finished = true;
  }
  auto* out = reinterpret_cast<int16_t*>(stream);
  for (size_t i = 0; i < frames * 2; ++i) {
    const long v = out[i] + std::lround(std::clamp(sum_[i] * volume_, -1.0f, 1.0f) * 32767.0f);
    out[i] = static_cast<int16_t>(std::clamp(v, -32768L, 32767L));
  }
}

}  // namespace orv
