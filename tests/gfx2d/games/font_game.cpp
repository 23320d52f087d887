// A test game that reports the default font start-up chose: the cell size
// of font 0 and the current font, on standard output.
#include <cstdio>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& s) {
  s.width = 160;
  s.height = 120;
  s.frameRate = 60;
  RtString caption("font");
  s.caption.Exchange(caption);
}

double GameMain() {
  int32_t w = 0, h = 0;
  GetFontCellSize(0, w, h);
  std::printf("cell %dx%d current %d\n", w, h, static_cast<int>(GetCurrentFont()));
  std::fflush(stdout);
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
