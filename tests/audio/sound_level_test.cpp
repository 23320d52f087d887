// Volume and pan: game numbers to percentages and hundredths of a decibel.
// What they do to the sound is checked on the mixed output.
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

}  // namespace
