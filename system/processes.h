// Other programs, the shell, the standard streams and the file dialogs.
#pragma once

#include <string>
#include <vector>

#include "orvane/rt_string.h"

namespace orv {

// Starts the program a command line names (split by its quoting rules, never
// by a shell), the whole line or nothing: one longer than the system passes
// to a program, or holding a NUL, is refused with error 3. Clears the error
// first. 1 on success, 0 when it could not be started; with wait the
// program's exit code goes to exitCode, else exitCode is 0. Full screen is
// left while it runs and the game window gets the focus back afterwards.
int32_t RunProgramLine(const RtString& commandLine, bool wait, int32_t& exitCode);
// Hands a file or an address to the desktop's opener. While Escape ends the
// program, the runtime shuts down first and the program ends after the request.
int32_t ShellOpenTarget(const RtString& target);
// The chosen path of an open (save false) or save dialog, "NO_FILE" when the
// user cancels or no dialog program is installed.
RtString FileRequestDialog(bool save, const RtString& filter);
// The dialog's filters from a filter text "Description|pattern;pattern|...":
// one {description, patterns separated by blanks} pair per entry.
std::vector<std::pair<std::string, std::string>> DialogFilters(const std::string& filter);

// The standard streams.
void WriteStream(int stream, const RtString& text);
RtString ReadStandardInput();

}  // namespace orv
