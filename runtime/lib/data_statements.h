// The game's data statements: the current data block and reads from it.
#pragma once

#include <cstdint>

#include "orvane/rt_string.h"
#include "orvane/text.h"

namespace orv {

// Makes block current and rewinds it to its first item.
void RestoreData(DataBlock* block);
// The next item of the current block. Without a current block, or at its
// end, each of them sets error 20 and ends the program.
double ReadDataNumber();
int32_t ReadDataInteger();
RtString ReadDataText();

}  // namespace orv
