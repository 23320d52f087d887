// ProgramEntry and RuntimeInit: the ordered start of the runtime. The steps
// themselves are the stage table (runtime/stages.cpp); every step logs a
// line first, so a failed start can be diagnosed from the log alone.
#include "runtime/program_entry.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/video.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orv {

void ProgramEntry(int argc, char** argv, const GameProgram& game) {
  RuntimeState& rt = Rt();
  rt.game = game;
  // Notices on a standard output whose reader went away must not kill the
  // process before its orderly end.
  platform::IgnoreBrokenPipes();
  // The arguments joined with the quoting that splits them back the same
  // way, as a game reading its command line expects.
  RtString commandLine(platform::JoinCommandLine(std::vector<std::string>(argv, argv + argc)).c_str());
  rt.commandLine.Exchange(commandLine);

  if (game.settings) game.settings(rt.settings);
  // Without a window there is nothing the game could do: end in order
  // instead of running it on a missing device. Without any display the
  // player is told, and the exit status says it failed.
  if (RuntimeInit(rt.settings.caption.CStr()) != 0) {
    const std::string noDisplay = platform::MissingDisplay();
    if (!noDisplay.empty()) {
      const std::string program = argc > 0 && argv[0] ? argv[0] : "game";
      EndFailedStart((program.substr(program.find_last_of('/') + 1) + ": " + noDisplay).c_str(), kExitNoDisplay);
    }
    EndProgram();
  }
  rt.lastError = 0;
  rt.errorLine = 0;
  rt.currentLine = 0;
  if (game.main) game.main();
  EndProgram();
  std::exit(0);
}

int RuntimeInit(const char* caption) {
  Rt().windowCaption = caption;
  return StartStages() ? 0 : -1;
}

}  // namespace orv
