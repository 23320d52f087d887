// The platform seam for processes: splitting and joining command lines, and
// starting another program. A command line is split by its quoting rules
// only; nothing is ever handed to a shell, so text from players or files
// cannot run a second command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv::platform {

// Splits a command line into arguments. Blanks (space, tab) separate
// arguments outside double quotes; a double quote starts or ends a quoted
// part; 2n backslashes before a double quote become n backslashes and the
// quote still counts, 2n+1 become n backslashes and a literal quote;
// backslashes anywhere else are literal. No other character is special.
std::vector<std::string> SplitCommandLine(std::string_view line);
// Joins arguments into a command line that SplitCommandLine splits back into
// exactly them: an argument is quoted only when it is empty or holds a blank
// or a double quote.
std::string JoinCommandLine(const std::vector<std::string>& args);
// Starts args[0] (looked up in PATH when it has no slash) with the arguments,
// in a session of its own, and does not wait for it. False when it could not
// be started or args is empty.
bool StartDetached(const std::vector<std::string>& args);
// Lets writes to a closed pipe or socket fail with an error instead of
// ending the process, so the orderly shutdown always runs.
void IgnoreBrokenPipes();

}  // namespace orv::platform

namespace orv::platform {

// Starts args[0] (looked up in PATH when it has no slash) with the arguments
// and no shell, sharing only the standard streams. With wait it waits for the
// program to end and stores its exit code (128 + the signal when a signal
// ended it); without, exitCode is 0 and the program is reaped later. False
// when it could not be started or args is empty; errno then says why (E2BIG:
// the arguments and the environment exceed what the system passes on).
bool RunProgram(const std::vector<std::string>& args, bool wait, int& exitCode);
// Runs a program like RunProgram with wait and collects its standard output.
// False when it could not be started.
bool RunForOutput(const std::vector<std::string>& args, std::string& output, int& exitCode);
// True when a program of that name would be found in PATH.
bool ProgramInPath(const std::string& name);

// Dynamic libraries: a handle by file name (searched like any library when
// the name has no slash), an entry by its exact name, and the release.
void* OpenLibrary(const std::string& name);
void* LibraryEntry(void* library, const char* entry);
void CloseLibrary(void* library);

}  // namespace orv::platform
