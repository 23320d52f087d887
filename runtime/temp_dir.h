#pragma once

#include "orvane/rt_string.h"

namespace orv {
// The temporary folder with a final "/": $TMPDIR when set, else /tmp/.
RtString TempDirectory();
}  // namespace orv
