#include "files/mem_name.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace orv {

namespace {

struct Registry {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::weak_ptr<const MemBlock>> blocks;
};

Registry& Blocks() {
  static Registry* registry = new Registry();  // outlives exit handlers that read assets
  return *registry;
}

// Hex field as the name's reader parses it: leading blanks skipped.
bool ParseHex(const char* text, const char** end, unsigned long long& value) {
  while (*text == ' ' || *text == '\t') ++text;
  if (!std::isxdigit(static_cast<unsigned char>(*text))) return false;
  char* stop = nullptr;
  value = std::strtoull(text, &stop, 16);
  *end = stop;
  return true;
}

}  // namespace

MemBlock::MemBlock(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  // The address is part of the name, so even an empty block needs one.
  if (bytes_.capacity() == 0) bytes_.reserve(1);
}

bool IsMemName(const char* name) { return name && std::strncmp(name, "mem://", 6) == 0; }

RtString MemName(const std::shared_ptr<const MemBlock>& block) {
  uintptr_t address = reinterpret_cast<uintptr_t>(block->Data());
  char text[64];
  std::snprintf(text, sizeof text, "mem://%8x.%8lx", static_cast<unsigned>(block->Size()),
                static_cast<unsigned long>(address));
  Registry& r = Blocks();
  std::lock_guard<std::mutex> hold(r.lock);
  if (r.blocks.size() >= 64) {
    for (auto it = r.blocks.begin(); it != r.blocks.end();) it = it->second.expired() ? r.blocks.erase(it) : std::next(it);
  }
  r.blocks[address] = block;
  return RtString(text);
}

std::shared_ptr<const MemBlock> FindMemBlock(const char* name) {
  if (!IsMemName(name)) return nullptr;
  const char* p = name + 6;
  unsigned long long length = 0, address = 0;
  if (!ParseHex(p, &p, length) || *p != '.') return nullptr;
  if (!ParseHex(p + 1, &p, address) || *p != 0) return nullptr;
  Registry& r = Blocks();
  std::lock_guard<std::mutex> hold(r.lock);
  auto it = r.blocks.find(static_cast<uintptr_t>(address));
  if (it == r.blocks.end()) return nullptr;
  std::shared_ptr<const MemBlock> block = it->second.lock();
  if (!block || static_cast<unsigned long long>(block->Size()) != length) return nullptr;
  return block;
}

}  // namespace orv
