// Data statements: constant items compiled into the game, read in order.
#include "runtime/lib/data_statements.h"

#include <cstdlib>

#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"

namespace orv {

namespace {

// The block reads come from; set by RestoreData.
DataBlock* currentData = nullptr;

// The item at the read position, which then advances. A block whose fields
// make no sense (no items, a position outside them) is out of data too.
const DataItem& NextItem() {
  DataBlock* block = currentData;
  if (block == nullptr || block->items == nullptr || block->position < 0 || block->position >= block->count)
    RuntimeError(kErrOutOfData);
  return block->items[block->position++];
}

}  // namespace

void RestoreData(DataBlock* block) {
  currentData = block;
  if (block) block->position = 0;
}

double ReadDataNumber() {
  const DataItem& item = NextItem();
  return item.text ? TextToNumber(item.text) : item.number;
}

int32_t ReadDataInteger() {
  const DataItem& item = NextItem();
  return item.text ? std::atoi(item.text) : ToInt32(item.number);
}

RtString ReadDataText() {
  const DataItem& item = NextItem();
  return item.text ? RtString(item.text) : NumberText(item.number);
}

}  // namespace orv
