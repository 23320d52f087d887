// Reading the player: the clear colour follows the mouse (x red, y blue,
// the left button adds green), the wheel and the cursor keys are reported,
// and whatever is typed is echoed. Space hides the pointer (movement is then
// relative and the colour keeps following it); Escape ends.
#include <cstdio>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.frameRate = 60;
  RtString caption("input mouse keys");
  settings.caption.Exchange(caption);
}

double GameMain() {
  ShowMouse(1);
  bool spaceWas = false, hidden = false;
  for (;;) {
    double x, y, left, right;
    MouseState(x, y, left, right);
    int red = static_cast<int>(255 * x / ScreenWidth());
    int blue = static_cast<int>(255 * y / ScreenHeight());
    SetClearColor(blue << 16 | (left ? 0xC0 : 0) << 8 | red);
    ShowScreen();  // samples the keyboard and the mouse for the next frame

    if (MouseAxis(2) != 0) std::printf("wheel %+d\n", static_cast<int>(MouseAxis(2)));
    const char* names[] = {"up", "left", "right", "down"};
    const int codes[] = {kKeyUp, kKeyLeft, kKeyRight, kKeyDown};
    for (int i = 0; i < 4; ++i)
      if (KeyDown(codes[i])) std::printf("%s held\n", names[i]);
    for (RtString c = InKey(); !c.Empty(); c = InKey()) std::printf("typed %d\n", c[0] & 0xFF);
    bool space = KeyDown(kKeySpace) != 0;
    if (space && !spaceWas) {
      hidden = !hidden;
      ShowMouse(hidden ? 0 : 1);
    }
    spaceWas = space;
    std::fflush(stdout);
  }
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
