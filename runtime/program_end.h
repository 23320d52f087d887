// The one orderly way out of the program.
#pragma once

#include <string>
#include <vector>

#include "orvane/rt_string.h"

namespace orv {

// Raises the quit event, shuts every subsystem down in order, prints "exit\n"
// and exits with code 0 (a replay that did not follow its recording sets
// another, RuntimeState::exitCode). A nested request while the program is
// already ending returns at once and does nothing.
void EndProgram();
// Shuts down, starts the command as a new program without waiting for it,
// and exits with code 0.
[[noreturn]] void EndAndRun(const RtString& command);
// The same for a program given as its arguments (nothing is started when
// there are none). The program is started without a shell.
[[noreturn]] void EndAndStart(const std::vector<std::string>& arguments);
// Raises the quit event once, then stops every started stage, the last
// started first; safe to call more than once.
void RuntimeShutdown();
// For a run-time error raised while the program is already ending: stops
// the stages that are still running, prints "exit\n" and exits with code 0.
[[noreturn]] void FinishEndingAfterError();

// Exit status of a start that found no display to show the game on.
inline constexpr int kExitNoDisplay = 1;
// For a start that failed for a reason the player has to act on: stops what
// was started, prints `reason` on standard error and "exit\n" on standard
// output, and exits with `status`, so a shell or script sees the failure.
[[noreturn]] void EndFailedStart(const char* reason, int status);

}  // namespace orv
