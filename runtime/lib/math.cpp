// The numeric library of game code. Depends on the value types for the
// number-to-text rule only.
#include "runtime/lib/math.h"

#include <algorithm>
#include <cmath>

#include "orvane/rt_string.h"

namespace orv {

double SinDeg(double angle) { return std::sin(angle * kDegToRad); }
double CosDeg(double angle) { return std::cos(angle * kDegToRad); }
double TanDeg(double angle) { return std::tan(angle * kDegToRad); }
double ATan2Deg(double y, double x) { return std::atan2(y, x) * kRadToDeg; }

double ASinDeg(double x) {
  if (x >= 1) return 90;
  if (x <= -1) return -90;
  return std::asin(x) * kRadToDeg;
}

double ACosDeg(double x) {
  if (x >= 1) return 0;
  if (x <= -1) return 180;
  return std::acos(x) * kRadToDeg;
}

double FloatMod(double a, double b) { return b == 0 ? 0 : std::fmod(a, b); }

int32_t IntMod(int32_t a, int32_t b) {
  if (b == 0 || b == -1) return 0;
  return a % b;
}

double MaxOf(double a, double b) { return a > b ? a : b; }
double MinOf(double a, double b) { return b > a ? a : b; }

int32_t NumberTextLength(double value) { return NumberText(value).Length(); }

namespace {

// The pixels an extent covers, as an inclusive range. 64-bit, so extents
// near the ends of the 32-bit range cannot wrap around.
struct Span {
  int64_t lo, hi;
};

Span Cover(int32_t x, int32_t w) {
  int64_t far = w > 0 ? int64_t{x} + w - 1 : w < 0 ? int64_t{x} + w + 1 : int64_t{x};
  return {std::min<int64_t>(x, far), std::max<int64_t>(x, far)};
}

bool Meet(Span a, Span b) { return std::min(a.hi, b.hi) >= std::max(a.lo, b.lo); }

}  // namespace

int32_t BoxesOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2, int32_t h2) {
  return Meet(Cover(x1, w1), Cover(x2, w2)) && Meet(Cover(y1, h1), Cover(y2, h2)) ? 1 : 0;
}

}  // namespace orv
