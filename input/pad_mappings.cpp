#include "input/pad_mappings.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "files/asset_locator.h"
#include "runtime/error_state.h"
#include "runtime/program_dir.h"

namespace orv {

namespace {

// The community database is about half a megabyte; anything far larger is
// not one.
constexpr int64_t kMaxDatabaseBytes = 16 * 1024 * 1024;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of a "key:value" field of a mapping line, "" when it has none.
std::string_view FieldValue(std::string_view line, std::string_view key) {
  size_t at = 0;
  while (at <= line.size()) {
    size_t end = line.find(',', at);
    if (end == std::string_view::npos) end = line.size();
    std::string_view field = line.substr(at, end - at);
    if (field.size() > key.size() && field.substr(0, key.size()) == key && field[key.size()] == ':')
      return field.substr(key.size() + 1);
    at = end + 1;
  }
  return {};
}

}  // namespace

std::vector<MappingLine> MappingLines(std::string_view text) {
  std::vector<MappingLine> lines;
  int number = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::string_view platform = FieldValue(line, "platform");
    if (!platform.empty() && platform != "Linux") continue;
    lines.push_back({number, std::string(line)});
  }
  return lines;
}

int AddControllerMappings(std::string_view text, const char* source) {
  int added = 0;
  for (const MappingLine& line : MappingLines(text)) {
    if (SDL_GameControllerAddMapping(line.text.c_str()) >= 0) {
      ++added;
    } else {
      LogFormat("gamepad mapping skipped (%s line %d): %s\n", source, line.number, SDL_GetError());
    }
  }
  return added;
}

void LoadControllerMappings() {
  // The runtime's own locators are made after input: a locator of our own
  // looks beside the program and into its archive.
  AssetLocator locator;
  locator.Reset(ProgramPath());
  RtString found;
  FileChannel file;
  if (locator.Resolve(ProgramDirectory() + "/gamecontrollerdb.txt", found, true) && file.OpenRead(found.CStr())) {
    std::vector<uint8_t> bytes;
    if (file.Size() > kMaxDatabaseBytes) {
      LogLine("gamecontrollerdb.txt is too large: not read\n");
    } else if (file.ReadRest(bytes)) {
      const int added = AddControllerMappings(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), "gamecontrollerdb.txt");
      LogFormat("gamecontrollerdb.txt: %d mappings\n", added);
    }
  }
  // The environment's lines come last, so they win for a device both name.
  if (const char* own = std::getenv("SDL_GAMECONTROLLERCONFIG")) AddControllerMappings(own, "SDL_GAMECONTROLLERCONFIG");
}

}  // namespace orv
