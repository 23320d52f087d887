// The smallest game: opens an 800 x 600 window, fades its clear colour for
// two seconds while a bar shows the time passing, and ends (Escape ends it
// sooner). The start-up and shutdown steps are in ErrorLog.txt in the
// temporary folder.
#include <cmath>
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
  std::printf("runtime started %.1f ms ago, error state \"%s\"\n", ElapsedMs(), ErrorText().CStr());
  int frames = 0;
  while (ElapsedMs() < 2000) {
    int level = static_cast<int>(127 + 120 * std::sin(ElapsedMs() / 300.0));
    SetClearColor(level << 16 | 0x40 << 8 | (255 - level));
    DrawRect(100, 280, 600, 40, 0x303030);
    DrawRect(100, 280, 600 * std::fmin(1.0, ElapsedMs() / 2000), 40, 0xF0F0F0);
    char line[64];
    std::snprintf(line, sizeof line, "hello: %.0f ms, frame %d", ElapsedMs(), frames);
    PrintText(line, 100, 256, 1);
    ShowScreen();
    ++frames;
  }
  std::printf("%d frames in %.0f ms\n", frames, ElapsedMs());
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
