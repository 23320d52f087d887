#include "audio/sound_level.h"

#include <cmath>

namespace orv {

namespace {

// 10^(hundredths / 2000): hundredths of a decibel to an amplitude factor.
double AmplitudeOf(int32_t hundredthsDb) {
  if (hundredthsDb <= kSilentHundredthsDb) return 0;
  if (hundredthsDb >= 0) return 1;
  return std::pow(10.0, hundredthsDb / 2000.0);
}

}  // namespace

int32_t VolumePercent(double volume) {
  if (!(volume > 0)) return 0;  // also NaN
  if (volume > 1) volume = 1;
  return static_cast<int32_t>(volume * 100);
}

int32_t VolumeHundredthsDb(int32_t percent) {
  if (percent <= 0) return kSilentHundredthsDb;
  if (percent >= 100) return 0;
  // log10(p) - 2 rather than log10(p / 100): whole percentages such as 10 and
  // 1 then give exact decades (-2000, -4000) instead of a value one ulp short
  // that truncation would turn into -1999.
  return static_cast<int32_t>(std::trunc((std::log10(static_cast<double>(percent)) - 2.0) * 2000.0));
}

int32_t PanHundredths(double pan) {
  if (std::isnan(pan)) return 0;
  if (pan < -1) pan = -1;
  if (pan > 1) pan = 1;
  return static_cast<int32_t>(pan * 10000);
}

SideGains GainsFor(int32_t volumeHundredthsDb, int32_t panHundredths) {
  const double volume = AmplitudeOf(volumeHundredthsDb);
  SideGains g;
  g.left = volume * (panHundredths > 0 ? AmplitudeOf(-panHundredths) : 1.0);
  g.right = volume * (panHundredths < 0 ? AmplitudeOf(panHundredths) : 1.0);
  return g;
}

}  // namespace orv
