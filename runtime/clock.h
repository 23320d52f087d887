// The millisecond clock. All time in the runtime is a double count of
// milliseconds from the clock's first reading.
//
// Every reading the game thread takes, and every wait it makes, goes through
// here, so a recording can note them and a replay can hand back the noted
// ones (ClockTap). Without a tap a reading is the steady clock itself.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/frame_pacer.h"

namespace orv {

void InitClock();
// Milliseconds since the first reading (the first reading returns 0).
double ClockMs();
// Milliseconds since start-up (ClockMs - startTime).
double ElapsedMs();
// Duration of the last frame, from one flip's start to the next; 1 when not positive.
double FrameDurationMs();
// Suspends the calling thread for ms milliseconds (nothing for ms <= 0).
void SleepMs(int ms);

// The wait at the end of a flip: pumps messages until the pacer's deadline
// and returns the clock value it ended with.
template <class Pump>
double WaitForFrame(const FramePacer& pacer, Pump&& pump);

// ---- The tap -----------------------------------------------------------------

// The steady clock in nanoseconds: the raw reading ClockMs is made from.
int64_t SteadyClockNs();
// The ClockMs value of a raw reading.
double ClockMsOf(int64_t steadyNs);
// The raw reading the clock counts from; 0 before the first reading.
int64_t ClockOriginNs();
void SetClockOriginNs(int64_t steadyNs);

enum class ClockReading : uint8_t {
  kClock = 1,      // a ClockMs reading
  kFrameWait = 2,  // the reading a frame's wait ended with
};

// Stands between the game thread and the clock: a recording notes the
// readings, a replay gives back the noted ones. Readings of other threads
// (a network or movie thread) never reach it.
class ClockTap {
 public:
  virtual ~ClockTap() = default;
  // A raw reading the game thread just took; the reading to use instead.
  virtual int64_t Read(ClockReading kind, int64_t steadyNs) = 0;
  // The frame's wait: pumps at least once, returns the ClockMs value it ended with.
  virtual double FrameWait(const FramePacer& pacer, void (*pump)(void*), void* context) = 0;
  // False while SleepMs should return at once (a replay as fast as it goes).
  virtual bool Sleeps() const = 0;
};

// Installs a tap for the calling thread (null: none).
void SetClockTap(ClockTap* tap);
// The installed tap when the calling thread is the one it serves, else null.
ClockTap* ActiveClockTap();

template <class Pump>
double WaitForFrame(const FramePacer& pacer, Pump&& pump) {
  if (ClockTap* tap = ActiveClockTap())
    return tap->FrameWait(pacer, [](void* p) { (*static_cast<std::remove_reference_t<Pump>*>(p))(); }, &pump);
  return pacer.Wait(ClockMs, SleepMs, pump);
}

}  // namespace orv
