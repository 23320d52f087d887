// Fuzz target: the lines of a gamepad mapping database. The split must stay
// in bounds and give only trimmed, non-comment lines for this platform, in
// order, with line numbers that fit the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/pad_mappings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  int last = 0;
  for (const orv::MappingLine& line : orv::MappingLines(text)) {
    if (line.text.empty() || line.text.front() == '#' || line.number <= last) __builtin_trap();
    const char ends[] = {line.text.front(), line.text.back()};
    for (char c : ends)
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') __builtin_trap();
    if (line.text.find('\n') != std::string_view::npos) __builtin_trap();
    // The first platform field, if any, names no other platform.
    std::string_view rest = line.text;
    while (!rest.empty()) {
      const size_t comma = rest.find(',');
      const std::string_view field = rest.substr(0, comma);
      if (field.substr(0, 9) == "platform:") {
        if (field.size() > 9 && field.substr(9) != "Linux") __builtin_trap();
        break;
      }
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    last = line.number;
  }
  return 0;
}
