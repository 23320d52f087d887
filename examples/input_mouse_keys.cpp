// Reading the player: a cross follows the mouse and the clear colour with it
// (x red, y blue, the left button adds green); a panel shows the position,
// the buttons, the wheel, the cursor keys held and what was typed, and the
// same goes to standard output as it happens. Space hides the pointer
// (movement is then relative and the cross keeps following it); Escape ends.
#include <cstdio>
#include <string>

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
  // Until the mouse first moves, the tracked position is the window's centre.
  SetMouse(ScreenWidth() / 2, ScreenHeight() / 2);
  bool spaceWas = false, hidden = false;
  int wheel = 0;
  std::string typed;
  for (;;) {
    double x, y, left, right;
    MouseState(x, y, left, right);
    int red = static_cast<int>(255 * x / ScreenWidth());
    int blue = static_cast<int>(255 * y / ScreenHeight());
    SetClearColor(blue << 16 | (left ? 0xC0 : 0) << 8 | red);

    DrawLine(0, y, ScreenWidth() - 1, y, 0xFFFFFF);
    DrawLine(x, 0, x, ScreenHeight() - 1, 0xFFFFFF);
    DrawRect(x - 6, y - 6, 13, 13, right ? 0x00FFFF : 0xFFFFFF);

    const char* names[] = {"up", "left", "right", "down"};
    const int codes[] = {kKeyUp, kKeyLeft, kKeyRight, kKeyDown};
    std::string held;
    for (int i = 0; i < 4; ++i)
      if (KeyDown(codes[i])) held += std::string(held.empty() ? "" : " ") + names[i];
    char line[96];
    DrawRect(10, 10, 330, 96, 0x202020);
    std::snprintf(line, sizeof line, "mouse %.0f, %.0f  left %.0f  right %.0f", x, y, left, right);
    PrintText(line, 20, 20, 1);
    std::snprintf(line, sizeof line, "wheel %+d", wheel);
    PrintText(line, 20, 36, 1);
    PrintText(("keys held: " + (held.empty() ? std::string("none") : held)).c_str(), 20, 52, 1);
    PrintText(("typed: " + typed + "_").c_str(), 20, 68, 1);
    PrintText(hidden ? "Space shows the pointer, Escape ends" : "Space hides the pointer, Escape ends", 20, 84, 1);
    ShowScreen();  // samples the keyboard and the mouse for the next frame

    if (MouseAxis(2) != 0) {
      wheel += static_cast<int>(MouseAxis(2));
      std::printf("wheel %+d\n", static_cast<int>(MouseAxis(2)));
    }
    for (int i = 0; i < 4; ++i)
      if (KeyDown(codes[i])) std::printf("%s held\n", names[i]);
    for (RtString c = InKey(); !c.Empty(); c = InKey()) {
      std::printf("typed %d\n", c[0] & 0xFF);
      if (static_cast<unsigned char>(c[0]) >= 32) typed = (typed + c.CStr()).substr(typed.size() >= 30 ? 1 : 0);
    }
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
