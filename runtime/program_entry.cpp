// ProgramEntry and RuntimeInit: the ordered start of the runtime. The steps
// themselves are the stage table (runtime/stages.cpp); every step logs a
// line first, so a failed start can be diagnosed from the log alone.
#include "runtime/program_entry.h"

#include <cstdlib>

#include "files/files_lifecycle.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orv {

void ProgramEntry(int argc, char** argv, const GameProgram& game) {
  RuntimeState& rt = Rt();
  rt.game = game;
  RtString commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i) commandLine += ' ';
    commandLine += argv[i];
  }
  rt.commandLine.Exchange(commandLine);
  FlushFileStoresAtExit();

  if (game.settings) game.settings(rt.settings);
  // Without a window there is nothing the game could do: end in order
  // instead of running it on a missing device.
  if (RuntimeInit(rt.settings.caption.CStr()) != 0) EndProgram();
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
