// Frame pacing: the wait at the end of every flip and the schedule of the
// next deadline. The clock, the sleep and the message pump are handed in, so
// the rules can be exercised with a controllable clock.
//
// A frame that finishes early waits for its slot; one that is a little late
// lets the next frame run one interval sooner to catch up; one that is more
// than two intervals late re-bases the schedule on the present moment
// instead of rushing several frames.
#pragma once

namespace orv {

class FramePacer {
 public:
  // 1000 / fps; 2 ms when fps <= 0 (at most 500 flips per second).
  void SetFrameRate(int fps) { frameIntervalMs = fps > 0 ? 1000.0 / fps : 2.0; }
  // Frames per second the interval stands for; 5 when it is not positive.
  // Rounded, not truncated: 1000 / (1000 / 60) is 59.99..., and a window
  // re-created with the truncated rate would silently run at 59 fps.
  int FrameRate() const { return frameIntervalMs > 0 ? static_cast<int>(1000.0 / frameIntervalMs + 0.5) : 5; }
  void Start(double now) { nextFlipTime = now; }

  // Pumps messages at least once, sleeps while more than 7 ms remain (for the
  // remaining time minus 3 ms), and spends the last milliseconds pumping until
  // at most 1 ms remains. Returns the clock reading it ended with.
  template <class Now, class Sleep, class Pump>
  double Wait(Now&& now, Sleep&& sleepMs, Pump&& pump) const {
    double t, remaining;
    do {
      pump();
      t = now();
      remaining = nextFlipTime - t;
      if (remaining > 7.0) {
        remaining -= 3.0;
        sleepMs(static_cast<int>(remaining));
        t += remaining;
      }
    } while (remaining > 1.0);
    return t;
  }

  // Moves the deadline on after a flip that ended at `now`.
  void Advance(double now) {
    if (frameIntervalMs <= 0) return;
    nextFlipTime += frameIntervalMs;
    if (now > nextFlipTime) nextFlipTime += frameIntervalMs;
    if (now > nextFlipTime) nextFlipTime = now + frameIntervalMs;
  }

  double frameIntervalMs = 1000.0 / 60.0;
  double nextFlipTime = 0;
};

}  // namespace orv
