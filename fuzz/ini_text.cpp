// Fuzz target: INI text. Parsing must stay in bounds, and what the store
// saves must read back to the same store.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/file_channel.h"
#include "files/ini_file.h"
#include "files/mem_name.h"

namespace {

std::string ParseToText(const std::string& bytes, orv::IniFile& ini) {
  orv::FileChannel channel;
  channel.OpenMemory(std::make_shared<const orv::MemBlock>(std::vector<uint8_t>(bytes.begin(), bytes.end())));
  ini.Parse(channel);
  return ini.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::IniFile first, second;
  std::string text = ParseToText(std::string(reinterpret_cast<const char*>(data), size), first);
  if (ParseToText(text, second) != text) __builtin_trap();
  for (const auto& section : first.Sections())
    for (const auto& entry : section.keys) (void)first.Get(section.name, entry.key, "");
  first.Put("fuzz", "key", "value");
  first.Put(first.Sections().empty() ? RtString("x") : first.Sections()[0].name, "", "");
  return 0;
}
