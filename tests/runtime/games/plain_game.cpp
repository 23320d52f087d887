// A game with an empty function table: every call by name fails.
#include <cstdio>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& s) {
  s.width = 200;
  s.height = 100;
  RtString caption("plain");
  s.caption.Exchange(caption);
}

double GameMain() {
  ShowScreen();
  std::printf("ok\n");
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
