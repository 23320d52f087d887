// The millisecond clock. All time in the runtime is a double count of
// milliseconds from the clock's first reading.
#pragma once

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

}  // namespace orv
