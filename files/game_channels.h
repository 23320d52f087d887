// The eight file channels game code reads and writes by number.
#pragma once

#include <cstdint>

#include "files/file_channel.h"

namespace orv {

inline constexpr int32_t kGameChannels = 8;

// Channel 0-7; null for any other number.
FileChannel* GameChannel(int32_t number);

}  // namespace orv
