// A game that crashes after a few frames, as CRASH_MODE says: "null"
// writes through a null pointer, "abort" aborts, "throw" throws an
// exception nobody catches; anything else ends normally.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "orvane/orvane.h"

// Not inlined, so each stays a frame of its own that a report can name. The
// undefined-behaviour sanitizer would stop the null write before it faults.
__attribute__((noinline, no_sanitize_undefined)) void CrashByNullPointer() {
  volatile int* volatile nowhere = nullptr;  // read back, so the compiler cannot see it is null
  *nowhere = 42;
}

__attribute__((noinline)) void CrashByAbort() { std::abort(); }

__attribute__((noinline)) void CrashByThrow() { throw std::runtime_error("the level file is damaged"); }

void GameSettings(ProjectSettings& s) {
  s.width = 320;
  s.height = 200;
  RtString caption("crash");
  s.caption.Exchange(caption);
}

double GameMain() {
  for (int i = 0; i < 3; ++i) ShowScreen();
  const char* mode = std::getenv("CRASH_MODE");
  const std::string m = mode ? mode : "";
  std::printf("crashing: %s\n", m.c_str());
  std::fflush(stdout);
  if (m == "null") CrashByNullPointer();
  if (m == "abort") CrashByAbort();
  if (m == "throw") CrashByThrow();
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
