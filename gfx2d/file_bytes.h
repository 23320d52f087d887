// Whole-file reads and writes for the image loaders and savers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orvane/rt_string.h"

namespace orv {

// The whole file (disk, archive entry or "mem://" name); false and `out`
// empty when it cannot be found or read.
bool ReadFileBytes(const RtString& name, std::vector<uint8_t>& out);
// Replaces the file's content without ever leaving a half-written file: a
// temporary file beside it is written completely, then renamed over it.
bool ReplaceFileBytes(const RtString& name, const void* data, size_t size);

}  // namespace orv
