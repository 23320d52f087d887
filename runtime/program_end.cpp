// EndProgram and the ordered shutdown.
#include "runtime/program_end.h"

#include <cstdio>
#include <cstdlib>

#include "files/files_lifecycle.h"
#include "platform/process.h"
#include "runtime/error_state.h"
#include "runtime/main_loop.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orv {

void RuntimeShutdown() {
  RuntimeState& rt = Rt();
  if (!rt.quitRaised) {
    rt.quitRaised = 1;
    CallByName("ORV_ON_QUIT");
  }
  StopStages();
  // Stores the game used although the files stage never started (a failed
  // start, or a test without one) are saved here.
  FlushFileStores();
}

void EndAndRun(const RtString& command) {
  // Split by quoting only and started without a shell: a command built from
  // game text runs that one program, whatever `;`, `$()` or backquotes it holds.
  EndAndStart(command.Length() > 0 ? platform::SplitCommandLine(command.CStr()) : std::vector<std::string>{});
}

void EndAndStart(const std::vector<std::string>& arguments) {
  RuntimeShutdown();
  if (!arguments.empty()) platform::StartDetached(arguments);
  std::fflush(stdout);
  std::exit(0);
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
  std::exit(rt.exitCode);
}

void FinishEndingAfterError() {
  RuntimeShutdown();
  std::fputs("exit\n", stdout);
  std::fflush(stdout);
  std::exit(Rt().exitCode);
}

void EndFailedStart(const char* reason, int status) {
  Rt().endInProgress = true;
  RuntimeShutdown();
  std::fprintf(stderr, "%s\n", reason);
  std::fputs("exit\n", stdout);
  std::fflush(stdout);
  std::exit(status);
}

}  // namespace orv
