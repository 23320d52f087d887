// Text, surfaces and collision: prints in the default font, builds a badge
// once in an off-screen surface and draws it turned, and lets two balls
// report when their opaque pixels touch. Runs three seconds, then saves the
// last frame as "gfx2d_text.png" in the temporary folder.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.frameRate = 60;
  RtString caption("gfx2d text");
  settings.caption.Exchange(caption);
}

double GameMain() {
  // A ball whose corners are transparent: its bounding box is not its shape.
  RtArray<int32_t> pixels;
  pixels.Dim(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      pixels[y * 32 + x] = std::hypot(x - 15.5, y - 15.5) < 16 ? static_cast<int32_t>(0xFF40C0F0u) : 0;
  const double ball = 1, badge = 2;
  SpriteFromArray(ball, pixels, 32, 32);

  // The badge is drawn once into sprite 2 through surface 0.
  CreateSurface(0, badge, 120, 40);
  UseSurface(0);
  DrawRect(0, 0, 120, 40, 0x804020);
  DrawRect(2, 2, 116, 36, 0xC06030);
  PrintText("ORVANE", 60 - TextWidth("ORVANE", 1) / 2, 16, 1);
  EndSurface();

  auto drawFrame = [&](double t) {
    PrintText("Proportional: the quick brown fox jumps over the lazy dog", 10, 10, 1);
    PrintText("Monospaced:   the quick brown fox jumps over the lazy dog", 10, 24, 0);
    ZoomSprite(badge, 70, 80, 2, 2);
    for (int i = 0; i < 3; ++i) RotateSprite(badge, 240 + 140 * i, 80, t * 40 + 90 * i);
    const double ax = 320 + 120 * std::cos(t * 2), bx = 320 - 120 * std::cos(t * 2);
    DrawSprite(ball, ax, 300);
    DrawSprite(ball, bx, 310);
    if (SpritesCollide(ball, ax, 300, ball, bx, 310) != 0) PrintText("hit!", 304, 360, 1);
  };
  SetClearColor(0x302010);
  while (ElapsedMs() < 3000) {
    drawFrame(ElapsedMs() / 1000.0);
    ShowScreen();
  }
  // The frame is saved before it is shown: the flip clears the back buffer.
  drawFrame(3.0);
  const char* tmp = std::getenv("TMPDIR");
  RtString path = RtString(tmp && *tmp ? tmp : "/tmp") + "/gfx2d_text.png";
  std::printf("saved %s: %s\n", path.CStr(), SaveScreen(path) != 0 ? "yes" : "no");
  ShowScreen();
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
