// EndProgram and the ordered shutdown.
#include "runtime/program_end.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace orv {

void RuntimeShutdown() {
  // Subsystems register their release here as they come into being.
}

void EndProgram() {
  RuntimeState& rt = Rt();
  if (rt.endInProgress) return;
  rt.endInProgress = true;
  if (rt.settings.debugMode) {
    LogLine("-End On Line\n");
    LogFormat("%d\n", rt.lastError);
    LogFormat("%d\n", rt.errorLine - 1);
    LogFormat("%d\n", rt.currentLine);
    LogFormat("%d\n", rt.currentModule);
  }
  RuntimeShutdown();
  std::fputs("exit\n", stdout);
  std::fflush(stdout);
  std::exit(0);
}

}  // namespace orv
