// Volume and pan: percentages, hundredths of a decibel, and side gains.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound_level.h"

namespace {

TEST(SoundLevel, VolumeInHundredthsOfADecibel) {
  EXPECT_EQ(orv::VolumeHundredthsDb(100), 0);
  EXPECT_EQ(orv::VolumeHundredthsDb(50), -602);
  EXPECT_EQ(orv::VolumeHundredthsDb(10), -2000);
  EXPECT_EQ(orv::VolumeHundredthsDb(1), -4000);
  EXPECT_EQ(orv::VolumeHundredthsDb(0), -10000);
  // Every whole percentage lies between its neighbours' figures.
  for (int p = 2; p <= 100; ++p) EXPECT_GT(orv::VolumeHundredthsDb(p), orv::VolumeHundredthsDb(p - 1)) << p;
}

TEST(SoundLevel, GameVolumesAndPansAreClampedAndTruncated) {
  EXPECT_EQ(orv::VolumePercent(2), 100);
  EXPECT_EQ(orv::VolumePercent(-1), 0);
  EXPECT_EQ(orv::VolumePercent(0.509), 50);
  EXPECT_EQ(orv::VolumePercent(NAN), 0);
  EXPECT_EQ(orv::PanHundredths(-5), -10000);
  EXPECT_EQ(orv::PanHundredths(5), 10000);
  EXPECT_EQ(orv::PanHundredths(0.12349), 1234);
  EXPECT_EQ(orv::PanHundredths(-0.12349), -1234);
  EXPECT_EQ(orv::PanHundredths(NAN), 0);
}

TEST(SoundLevel, GainsPerSide) {
  orv::SideGains g = orv::GainsFor(0, 0);
  EXPECT_EQ(g.left, 1.0);
  EXPECT_EQ(g.right, 1.0);
  g = orv::GainsFor(-602, 0);
  EXPECT_NEAR(g.left, 0.5, 0.001);
  EXPECT_EQ(g.left, g.right);
  // Full pan silences the far side completely; a partial pan attenuates it.
  g = orv::GainsFor(0, -10000);
  EXPECT_EQ(g.left, 1.0);
  EXPECT_EQ(g.right, 0.0);
  g = orv::GainsFor(-602, 2000);
  EXPECT_NEAR(g.left, 0.05, 0.0001);
  EXPECT_NEAR(g.right, 0.5, 0.001);
  g = orv::GainsFor(-10000, 0);
  EXPECT_EQ(g.left, 0.0);
  EXPECT_EQ(g.right, 0.0);
}

}  // namespace
