// In-memory files and their "mem://" names.
//
// A locator hands out an extracted asset as a MemBlock and names it
// "mem://" + length + "." + address (each "%8x": lower-case hex, at least 8
// characters, space-padded). The name is honoured only while the block it
// names is alive and was handed out under that name; any other "mem://" text
// fails like a missing file, so a name can never point at freed or foreign
// memory. Blocks are shared: a channel reading one keeps it alive after the
// locator has moved on to the next asset.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "orvane/rt_string.h"

namespace orv {

class MemBlock {
 public:
  explicit MemBlock(std::vector<uint8_t> bytes);
  const uint8_t* Data() const { return bytes_.data(); }  // never null, also when empty
  int32_t Size() const { return static_cast<int32_t>(bytes_.size()); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// True when the text starts with "mem://".
bool IsMemName(const char* name);
// Registers the block and returns its name.
RtString MemName(const std::shared_ptr<const MemBlock>& block);
// The live block a name stands for; null for anything else.
std::shared_ptr<const MemBlock> FindMemBlock(const char* name);

}  // namespace orv
