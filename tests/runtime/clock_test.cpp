#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "orvane/runtime.h"
#include "runtime/clock.h"
#include "runtime/frame_pacer.h"
#include "runtime/runtime_state.h"

namespace {

// The first reading of a process is 0: checked in a fresh process of its
// own, as other tests in this one may have read the clock already.
TEST(ClockDeathTest, StartsAtZero) {
  EXPECT_EXIT(std::exit(orv::ClockMs() < 1.0 ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(Clock, IsMonotonic) {
  double prev = orv::ClockMs();
  for (int i = 0; i < 1000; ++i) {
    double t = orv::ClockMs();
    ASSERT_GE(t, prev);
    prev = t;
  }
  orv::SleepMs(5);
  EXPECT_GE(orv::ClockMs() - prev, 5.0);
}

TEST(Clock, FrameDurationNeverZero) {
  orv::RuntimeState& rt = orv::Rt();
  rt.prevFrameTime = rt.frameTime = 100;
  EXPECT_EQ(FrameDurationMs(), 1.0);
  rt.frameTime = 90;
  EXPECT_EQ(FrameDurationMs(), 1.0);
  rt.frameTime = 116.5;
  EXPECT_EQ(FrameDurationMs(), 16.5);
}

TEST(Clock, ElapsedTimeCountsFromStartUp) {
  // Started 1 s ago by the clock: a second has elapsed, and it keeps pace
  // with the clock from there.
  orv::RuntimeState& rt = orv::Rt();
  rt.startTime = orv::ClockMs() - 1000;
  const double first = ElapsedMs();
  EXPECT_GE(first, 1000.0);
  EXPECT_LT(first, 1100.0);
  orv::SleepMs(30);
  const double later = ElapsedMs();
  EXPECT_GE(later - first, 30.0);
  EXPECT_LT(later - first, 500.0);
}

// A clock that only moves when the pacer sleeps or a frame's work is simulated.
struct FakeClock {
  double now = 0;
  std::vector<int> sleeps;
  int pumps = 0;
  double Wait(const orv::FramePacer& p) {
    return p.Wait([this] { return now; },
                  [this](int ms) {
                    sleeps.push_back(ms);
                    now += ms;
                  },
                  [this] {
                    ++pumps;
                    now += 0.25;  // pumping messages takes a little time
                  });
  }
};

TEST(FramePacer, IntervalFromFrameRate) {
  orv::FramePacer p;
  p.SetFrameRate(60);
  EXPECT_DOUBLE_EQ(p.frameIntervalMs, 1000.0 / 60);
  EXPECT_EQ(p.FrameRate(), 60);
  p.SetFrameRate(0);
  EXPECT_EQ(p.frameIntervalMs, 2.0);
  p.SetFrameRate(-5);
  EXPECT_EQ(p.frameIntervalMs, 2.0);
  EXPECT_EQ(p.FrameRate(), 500);
}

TEST(FramePacer, WaitSleepsInPiecesAndPumpsTheLastMilliseconds) {
  orv::FramePacer p;
  p.SetFrameRate(60);
  FakeClock c;
  p.Start(16.0);
  double end = c.Wait(p);
  ASSERT_FALSE(c.sleeps.empty());
  EXPECT_EQ(c.sleeps[0], 12);  // 16 - 0.25 remaining, minus 3, truncated
  EXPECT_GE(c.pumps, 2);
  EXPECT_LE(p.nextFlipTime - end, 1.0);
  EXPECT_GT(p.nextFlipTime - end, -0.5);

  // Already late: one pump, no sleep.
  FakeClock late;
  late.now = 50;
  p.Start(16.0);
  late.Wait(p);
  EXPECT_TRUE(late.sleeps.empty());
  EXPECT_EQ(late.pumps, 1);
}

TEST(FramePacer, LateFramesCatchUpOnceThenRebase) {
  const double I = 1000.0 / 60;
  orv::FramePacer p;
  p.SetFrameRate(60);

  p.Start(100);
  p.Advance(100 + 0.5 * I);  // on time
  EXPECT_DOUBLE_EQ(p.nextFlipTime, 100 + I);

  p.Start(100);
  p.Advance(100 + 1.5 * I);  // a little late: the next slot after the missed one
  EXPECT_DOUBLE_EQ(p.nextFlipTime, 100 + 2 * I);

  p.Start(100);
  p.Advance(100 + 2.5 * I);  // more than two intervals late: re-based on now
  EXPECT_DOUBLE_EQ(p.nextFlipTime, 100 + 2.5 * I + I);
}

TEST(FramePacer, ASlowFrameCausesNoBurst) {
  orv::FramePacer p;
  p.SetFrameRate(60);
  FakeClock c;
  p.Start(0);
  std::vector<double> flips;
  for (int frame = 0; frame < 30; ++frame) {
    c.now += frame == 10 ? 100.0 : 2.0;  // the game's work for the frame
    double end = c.Wait(p);
    p.Advance(end);
    flips.push_back(c.now);
  }
  // After the 100 ms frame, the following flips are spaced by a whole interval again.
  for (size_t i = 12; i < flips.size(); ++i) EXPECT_NEAR(flips[i] - flips[i - 1], 1000.0 / 60, 1.0) << i;
}

}  // namespace
