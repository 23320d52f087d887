#include "media/movie_sound.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>

namespace orv {

namespace {

void MixMovieSound(void* udata, Uint8* stream, int bytes) { static_cast<MovieSound*>(udata)->Mix(stream, bytes); }

}  // namespace

bool MovieSound::Attach() {
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels) || rate != rate_ || channels != 2 || format != AUDIO_S16SYS)
    return false;
  Mix_SetPostMix(MixMovieSound, this);
  attached_ = true;
  return true;
}

void MovieSound::Detach() {
  if (!attached_) return;
  // Returns only once the mixer thread has left the callback.
  Mix_SetPostMix(nullptr, nullptr);
  attached_ = false;
}

void MovieSound::Queue(std::vector<int16_t>& samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (readPos_ > 0 && readPos_ * 2 >= queue_.size()) {
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(readPos_));
    readPos_ = 0;
  }
  // A last guard: the player reads only seconds ahead.
  const size_t room = kMaxQueuedSamples - std::min(kMaxQueuedSamples, queue_.size() - readPos_);
  const size_t take = std::min(samples.size(), room) & ~size_t{1};
  queue_.insert(queue_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(take));
  samples.clear();
}

double MovieSound::QueuedMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<double>(queue_.size() - readPos_) / 2 * 1000.0 / rate_;
}

void MovieSound::Restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
  readPos_ = 0;
  mixedFrames_ = periodFrames_ = 0;
  started_ = false;
}

double MovieSound::ClockMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) return 0;
  const double since = std::chrono::duration<double, std::milli>(Clock::now() - periodStart_).count();
  const double periodMs = static_cast<double>(periodFrames_) * 1000.0 / rate_;
  return static_cast<double>(mixedFrames_) * 1000.0 / rate_ + std::clamp(since, 0.0, periodMs);
}

void MovieSound::Mix(uint8_t* stream, int bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* out = reinterpret_cast<int16_t*>(stream);
  const size_t want = static_cast<size_t>(bytes / 4) * 2;
  const size_t have = std::min(want, queue_.size() - readPos_);
  for (size_t i = 0; i < have; ++i) {
    const int v = out[i] + queue_[readPos_ + i];
    out[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
  }
  readPos_ += have;
  // The clock moves only by what was actually heard: while the queue runs
  // dry the pictures wait for the sound.
  mixedFrames_ += periodFrames_;
  periodFrames_ = static_cast<int64_t>(have / 2);
  if (have > 0) {
    periodStart_ = Clock::now();
    started_ = true;
  }
}

}  // namespace orv
