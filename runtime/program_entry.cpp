// ProgramEntry and RuntimeInit: the ordered start of the runtime. Every step
// logs a line first, so a failed start can be diagnosed from the log alone.
#include "runtime/program_entry.h"

#include <cstdlib>

#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"

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

  if (game.settings) game.settings(rt.settings);
  RuntimeInit(rt.settings.caption.CStr());
  rt.lastError = 0;
  rt.errorLine = 0;
  rt.currentLine = 0;
  if (game.main) game.main();
  EndProgram();
  std::exit(0);
}

int RuntimeInit(const char* caption) {
  RuntimeState& rt = Rt();
  StartLog();
  rt.runtimeActive = true;
  LogLine("timer\n");
  InitClock();
  rt.windowCaption = caption;
  rt.startTime = rt.prevFrameTime = rt.frameTime = ClockMs();
  LogLine("Init Finalized\n");
  return 0;
}

}  // namespace orv
