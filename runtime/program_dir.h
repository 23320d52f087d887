#pragma once

#include "orvane/rt_string.h"

namespace orv {
// Full path of the running program file.
RtString ProgramPath();
// The folder of the program file, without a final "/".
RtString ProgramDirectory();
}  // namespace orv
