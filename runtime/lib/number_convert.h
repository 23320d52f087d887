// Conversions of game numbers (doubles) to the integers the runtime works with.
#pragma once

#include <cstdint>

#include "orvane/codes.h"

namespace orv {

using ::kOmittedArgument;

// Truncation toward zero, as the game's commands convert their arguments.
// A value outside the 32-bit range (and NaN) gives INT32_MIN, the result the
// processor's own truncating conversion produces, without the undefined
// behaviour of a plain cast.
inline int32_t ToInt32(double value) {
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return INT32_MIN;
}

}  // namespace orv
