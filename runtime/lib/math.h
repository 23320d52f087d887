// The numeric library: trigonometry in degrees, remainders that never fault,
// minimum and maximum, the length of a number's text, rectangle overlap.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr double kDegToRad = 0.017453292519943295;  // pi / 180
inline constexpr double kRadToDeg = 57.29577951308232;     // 180 / pi

double SinDeg(double angle);
double CosDeg(double angle);
double TanDeg(double angle);
// atan2(y, x) in degrees, -180..180.
double ATan2Deg(double y, double x);
// Arc sine / cosine in degrees; arguments beyond +-1 give the end values
// (90 / -90, 0 / 180) instead of a domain error.
double ASinDeg(double x);
double ACosDeg(double x);
// fmod(a, b), or 0 when b is 0.
double FloatMod(double a, double b);
// a % b with the sign of a, or 0 when b is 0 (and for INT32_MIN % -1, whose
// quotient does not fit: the remainder is 0 all the same).
int32_t IntMod(int32_t a, int32_t b);
// a when a > b, else b / a when b > a, else b: exactly these comparisons, so
// equal values and NaNs give b.
double MaxOf(double a, double b);
double MinOf(double a, double b);
// Length of the number's text (10 significant digits, no trailing point).
int32_t NumberTextLength(double value);
// 1 when the two pixel rectangles share at least one pixel. A negative extent
// reaches back from x (x + w + 1 .. x), a zero extent covers x alone.
int32_t BoxesOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2, int32_t h2);

}  // namespace orv
