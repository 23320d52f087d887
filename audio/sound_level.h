// Volume and pan of a playing sound. Games give a volume of 0..1 and a pan of
// -1..1; the runtime keeps both in hundredths of a decibel (attenuation), the
// unit sound cards and most sound tools speak, and turns them into linear
// per-side gains for the mixer at the last moment.
#pragma once

#include <cstdint>

namespace orv {

constexpr int32_t kSilentHundredthsDb = -10000;  // full attenuation: nothing is heard

// A game volume (clamped to 0..1, NaN counts as 0) as a whole percentage, truncated.
int32_t VolumePercent(double volume);
// 0 % is silent (-10000); otherwise trunc(log10(percent / 100) x 2000):
// 100 % = 0, 50 % = -602, 10 % = -2000, 1 % = -4000.
int32_t VolumeHundredthsDb(int32_t percent);
// A game pan (clamped to -1..1, NaN counts as 0) as trunc(pan x 10000):
// -10000 is full left, 10000 full right.
int32_t PanHundredths(double pan);

// Linear gains (0..1) of the left and right output for a volume and a pan in
// hundredths of a decibel. The pan attenuates only the side away from it, by
// its own amount; -10000 on either figure means silence, not 1e-5.
struct SideGains {
  double left = 1;
  double right = 1;
};
SideGains GainsFor(int32_t volumeHundredthsDb, int32_t panHundredths);

}  // namespace orv
