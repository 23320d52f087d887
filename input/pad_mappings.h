// Gamepad mappings: which button and axis of a device is which control of a
// standard pad, in the mapping database format the community keeps for SDL
// ("GUID,name,a:b0,b:b1,leftx:a0,...,platform:Linux,"). The database is read
// from "gamecontrollerdb.txt" beside the program (or packed into it) and
// then from the SDL_GAMECONTROLLERCONFIG environment variable, whose lines
// win for the same device; both before joysticks are opened. A line that
// does not parse is logged and skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct MappingLine {
  int number = 0;    // 1-based line number in its source
  std::string text;  // without surrounding blanks
};

// The mapping lines of a text: lines that are empty, comments ("#") or
// meant for another platform ("platform:Windows") are left out.
std::vector<MappingLine> MappingLines(std::string_view text);

// Adds the mappings of a text to the joystick system (which must be
// started); a line the system refuses is logged with `source` and its
// number. The count added.
int AddControllerMappings(std::string_view text, const char* source);

// Loads the database file and the environment's mappings, as above.
void LoadControllerMappings();

}  // namespace orv
