#pragma once

#include "orvane/rt_string.h"

namespace orv {
// Removes trailing bytes below 32 (tab, line ends, other control bytes) in
// place; a space (32) stays.
void TrimControlRight(RtString& text);
}  // namespace orv
