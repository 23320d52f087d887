// Process entry and the ordered start-up.
#pragma once

#include "orvane/program.h"

namespace orv {

// What a game hands the runtime: the four things it provides.
struct GameProgram {
  void (*settings)(ProjectSettings&) = nullptr;
  double (*main)() = nullptr;
  void (*exitHook)() = nullptr;
  const FunctionNameEntry* functions = nullptr;
};

// Stores the command line, lets the game fill its settings, starts the
// runtime, runs the game and ends through EndProgram. Does not return.
[[noreturn]] void ProgramEntry(int argc, char** argv, const GameProgram& game);

// Starts every stage of the runtime in order, logging a line per step.
// Returns 0, or -1 when a stage (in practice the window) could not start;
// what started before it has been stopped again then.
int RuntimeInit(const char* caption);

}  // namespace orv
