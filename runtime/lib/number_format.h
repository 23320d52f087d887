#pragma once

#include "orvane/rt_string.h"

namespace orv {
// The value printed with "%<width>.<decimals>f"; at most 127 bytes.
RtString FormatNumber(int width, int decimals, double value);
}  // namespace orv
