// The texts the system services take from outside: locale names from the
// environment, file-dialog filter texts and command lines from the game.
// Input: one selector byte, then the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/process.h"
#include "system/processes.h"
#include "system/system_info.h"

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "system_texts: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 14) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      const std::string code = orv::LanguageCode(orv::LanguageIdForLocale(text));
      Check(code.size() == 2 && code[0] >= 'a' && code[0] <= 'z' && code[1] >= 'a' && code[1] <= 'z',
            "language code is not two lower-case letters");
      break;
    }
    case 1: {
      for (const auto& [description, patterns] : orv::DialogFilters(text)) {
        Check(!description.empty() && !patterns.empty(), "empty filter part");
        Check(description.find('|') == std::string::npos && patterns.find('|') == std::string::npos,
              "separator inside a filter");
        Check(patterns.find(';') == std::string::npos, "pattern list not split");
      }
      break;
    }
    default: {
      // Joining what was split splits back to the same arguments.
      const auto args = orv::platform::SplitCommandLine(text);
      Check(orv::platform::SplitCommandLine(orv::platform::JoinCommandLine(args)) == args, "join does not split back");
      break;
    }
  }
  return 0;
}
