// The clock reads the monotonic steady clock with nanosecond resolution, so
// it never runs backwards and frame pacing can work to a fraction of a
// millisecond.
#include "runtime/clock.h"

#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "runtime/runtime_state.h"

namespace orv {

namespace {
int64_t g_originNs = 0;
// Read by any thread that reads the clock, set by the game thread.
std::atomic<ClockTap*> g_tap{nullptr};
std::thread::id g_tapThread;

double MsOf(int64_t ns) { return std::chrono::duration<double, std::milli>(std::chrono::nanoseconds(ns)).count(); }
}  // namespace

void InitClock() {
  // The steady clock is always available; nothing to probe.
}

int64_t SteadyClockNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double ClockMsOf(int64_t steadyNs) {
  if (g_originNs == 0) g_originNs = steadyNs;
  return MsOf(steadyNs) - MsOf(g_originNs);
}

int64_t ClockOriginNs() { return g_originNs; }
void SetClockOriginNs(int64_t steadyNs) { g_originNs = steadyNs; }

void SetClockTap(ClockTap* tap) {
  g_tapThread = std::this_thread::get_id();
  g_tap.store(tap, std::memory_order_release);
}

ClockTap* ActiveClockTap() {
  ClockTap* tap = g_tap.load(std::memory_order_acquire);
  return tap && std::this_thread::get_id() == g_tapThread ? tap : nullptr;
}

double ClockMs() {
  int64_t ns = SteadyClockNs();
  if (g_tap.load(std::memory_order_relaxed)) {
    if (ClockTap* tap = ActiveClockTap()) ns = tap->Read(ClockReading::kClock, ns);
  }
  return ClockMsOf(ns);
}

double ElapsedMs() { return ClockMs() - Rt().startTime; }

double FrameDurationMs() {
  const RuntimeState& rt = Rt();
  double d = rt.frameTime - rt.prevFrameTime;
  return d > 0 ? d : 1.0;
}

void SleepMs(int ms) {
  if (ms <= 0) return;
  if (g_tap.load(std::memory_order_relaxed)) {
    if (ClockTap* tap = ActiveClockTap(); tap && !tap->Sleeps()) return;
  }
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace orv
