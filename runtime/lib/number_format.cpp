#include "runtime/lib/number_format.h"

#include <cstdio>

namespace orv {

RtString FormatNumber(int width, int decimals, double value) {
  char format[64];
  std::snprintf(format, sizeof format, "%%%d.%df", width, decimals);
  char text[128];
  // The output is cut at the buffer's size rather than written past it.
  std::snprintf(text, sizeof text, format, value);
  return RtString(text);
}

}  // namespace orv
