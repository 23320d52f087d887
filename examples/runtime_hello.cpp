// The smallest game: starts the runtime, shows the clock and the error text,
// and ends. Its start-up lines are in ErrorLog.txt in the temporary folder.
#include <cstdio>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 800;
  settings.height = 600;
  settings.frameRate = 60;
  RtString caption("runtime hello");
  settings.caption.Exchange(caption);
}

double GameMain() {
  std::printf("runtime started %.3f ms ago\n", ElapsedMs());
  SleepMs(20);
  std::printf("after a 20 ms sleep: %.3f ms\n", ElapsedMs());
  std::printf("error state: %s\n", ErrorText().CStr());
  SetErrorCode(3);
  std::printf("after a failed load: %s\n", ErrorText().CStr());
  ClearError();
  LogText("hello from the game\n");
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
