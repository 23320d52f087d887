// A movie's sound on the effects mixer: the game thread queues decoded
// samples, the mixer thread adds them to everything else it mixes (after
// the effects and the music), and the samples it has taken are the movie's
// clock, so pictures follow what is heard.
//
// The queue is the only thing both threads touch, under this object's
// mutex; the mixer thread calls nothing else of the runtime.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace orv {

// Samples the queue holds at most (32 MB, about six minutes at 22050 Hz
// stereo); more is dropped. The player reads only seconds ahead.
constexpr size_t kMaxQueuedSamples = size_t{16} << 20;

class MovieSound {
 public:
  explicit MovieSound(int rate) : rate_(rate) {}
  ~MovieSound() { Detach(); }
  MovieSound(const MovieSound&) = delete;
  MovieSound& operator=(const MovieSound&) = delete;

  // Joins the mixer's output; false when no mixer is open.
  bool Attach();
  void Detach();

  // Queues interleaved stereo samples (and empties `samples`), as many as
  // fit under kMaxQueuedSamples.
  void Queue(std::vector<int16_t>& samples);
  // Milliseconds of sound queued and not yet mixed.
  double QueuedMs();
  // Forgets the queue and starts the clock again from 0.
  void Restart();
  // Milliseconds of sound heard so far: the samples the mixer has taken,
  // plus the time since it last took some (at most one mixing period).
  double ClockMs();

  // The mixer's callback (public for the C entry).
  void Mix(uint8_t* stream, int bytes);

 private:
  using Clock = std::chrono::steady_clock;
  const int rate_;
  bool attached_ = false;
  std::mutex mutex_;
  std::vector<int16_t> queue_;  // interleaved stereo
  size_t readPos_ = 0;          // samples of queue_ already mixed
  int64_t mixedFrames_ = 0;     // frames mixed before the last period
  int64_t periodFrames_ = 0;    // frames of the last period
  Clock::time_point periodStart_{};
  bool started_ = false;
};

}  // namespace orv
