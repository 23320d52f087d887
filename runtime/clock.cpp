// The clock reads the monotonic steady clock with nanosecond resolution, so
// it never runs backwards and frame pacing can work to a fraction of a
// millisecond.
#include "runtime/clock.h"

#include <time.h>

#include <cerrno>
#include <chrono>

#include "runtime/runtime_state.h"

namespace orv {

namespace {
double g_clockBase = 0;

double RawMs() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double, std::milli>(now).count();
}
}  // namespace

void InitClock() {
  // The steady clock is always available; nothing to probe.
}

double ClockMs() {
  double value = RawMs();
  if (g_clockBase == 0) g_clockBase = value;
  return value - g_clockBase;
}

double ElapsedMs() { return ClockMs() - Rt().startTime; }

double FrameDurationMs() {
  const RuntimeState& rt = Rt();
  double d = rt.frameTime - rt.prevFrameTime;
  return d > 0 ? d : 1.0;
}

void SleepMs(int ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace orv
