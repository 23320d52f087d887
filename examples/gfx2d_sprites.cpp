// Sprites and primitives: builds a ball sprite from an array of pixels,
// draws it plain, turned and zoomed over a few shapes for three seconds,
// then saves the last frame as "gfx2d_sprites.png" in the temporary folder.
// Image files load the same way: LoadSprite(slot, "Media/ball.png").
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.frameRate = 60;
  RtString caption("gfx2d sprites");
  settings.caption.Exchange(caption);
}

double GameMain() {
  // A 32 x 32 ball: pixels are 0xAABBGGRR, alpha 0 outside the circle.
  RtArray<int32_t> pixels;
  pixels.Dim(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double d = std::hypot(x - 15.5, y - 15.5);
      int shade = static_cast<int>(255 - 6 * d);
      pixels[y * 32 + x] = d < 16 ? static_cast<int32_t>(0xFF000000u | (shade / 3) << 16 | shade << 8 | 60) : 0;
    }
  const double ball = 1;
  SpriteFromArray(ball, pixels, 32, 32);

  auto drawFrame = [&](double t) {
    DrawRect(20, 20, 600, 40, 0x806040);
    DrawLine(20, 460, 620, 300, 0x00FFFF);
    StartPoly(-1, 0);  // an untextured fan with a colour per vertex
    PolyVertex(320, 240, 0, 0, 0xFFFFFF);
    PolyVertex(420, 240, 0, 0, 0x0000FF);
    PolyVertex(320, 340, 0, 0, 0x00FF00);
    PolyVertex(220, 240, 0, 0, 0xFF0000);
    EndPoly();
    for (int i = 0; i < 12; ++i) DrawSprite(ball, 40 + 48 * i, 100 + 30 * std::sin(t * 3 + i));
    SetAlphaMode(-0.6);  // half-transparent from here to the end of the frame
    RotoZoomSprite(ball, 480, 300, t * 90, 2 + std::sin(t));
  };
  SetClearColor(0x302010);
  while (ElapsedMs() < 3000) {
    drawFrame(ElapsedMs() / 1000.0);
    ShowScreen();
  }
  // The frame is saved before it is shown: the flip clears the back buffer.
  drawFrame(3.0);
  const char* tmp = std::getenv("TMPDIR");
  RtString path = RtString(tmp && *tmp ? tmp : "/tmp") + "/gfx2d_sprites.png";
  std::printf("saved %s: %s\n", path.CStr(), SaveScreen(path) != 0 ? "yes" : "no");
  ShowScreen();
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
