#include "runtime/lib/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv {

namespace {

constexpr size_t kMaxOutput = 127;  // the formatting buffer holds 128 bytes

// The value's fixed-point digits with `decimals` decimals, rounded half away
// from zero on its exact decimal expansion. A C library's "%.*f" rounds
// exact ties to even (2.5 -> "2"); games print scores and times expecting
// 2.5 -> "3" and 2.25 -> "2.3" at one decimal. Every finite double has a
// finite decimal expansion: one digit after the point per fractional bit,
// so printing that many digits gives it exactly.
std::string RoundHalfAway(double value, int decimals) {
  int exponent = 0;
  std::frexp(value, &exponent);
  int exact = 53 - exponent;  // fractional digits of the exact expansion (at most 1074 + 53)
  int precision = std::max(decimals + 1, std::max(exact, 1));
  std::string text(static_cast<size_t>(precision) + 330, '\0');
  int n = std::snprintf(text.data(), text.size(), "%.*f", precision, value);
  text.resize(static_cast<size_t>(n));
  size_t point = text.find('.');
  size_t keep = point + static_cast<size_t>(decimals);  // last kept digit
  bool up = text[keep + 1] >= '5';
  text.resize(decimals > 0 ? keep + 1 : point);
  if (up) {
    size_t i = text.size();
    while (i > 0) {
      --i;
      char& c = text[i];
      if (c == '.') continue;
      if (c < '0' || c > '9') {  // the sign: a carry out of every digit
        text.insert(i + 1, 1, '1');
        break;
      }
      if (c != '9') {
        ++c;
        break;
      }
      c = '0';
      if (i == 0) text.insert(0, 1, '1');
    }
  }
  return text;
}

}  // namespace

RtString FormatNumber(int width, int decimals, double value) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 4096) {
    char format[64];
    std::snprintf(format, sizeof format, "%%%d.%df", width, decimals);
    char text[kMaxOutput + 1];
    // The output is cut at the buffer's size rather than written past it.
    std::snprintf(text, sizeof text, format, value);
    return RtString(text);
  }
  std::string digits = RoundHalfAway(value, decimals);
  // Field width as "%<width>f" applies it: right-aligned, or left-aligned
  // for a negative width.
  size_t field = width < 0 ? static_cast<size_t>(-static_cast<int64_t>(width)) : static_cast<size_t>(width);
  field = std::min<size_t>(field, 8192);  // all but 127 bytes are cut off anyway
  if (digits.size() < field) {
    if (width < 0) {
      digits.append(field - digits.size(), ' ');
    } else {
      digits.insert(0, field - digits.size(), ' ');
    }
  }
  if (digits.size() > kMaxOutput) digits.resize(kMaxOutput);
  return RtString(digits.c_str());
}

}  // namespace orv
