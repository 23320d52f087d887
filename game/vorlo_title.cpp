// vorlo's title screen: a tinted background, a grid of tiles, two bands and
// four buttons sliding in from the left.
#include "vorlo.h"

namespace vorlo {

double Button(double selectedIndex, double index, double x, double y, const RtString& line1, const RtString& line2,
              const RtString& line3) {
  State& s = S();
  double clicked = 0;
  SetAlphaMode(selectedIndex == index ? -0.4 : -0.2);
  bool hovered = s.mouseX >= x - 59 && s.mouseX < x + 59 && s.mouseY >= y - 35 && s.mouseY < y + 35;
  if (hovered && s.mouseButton1) {
    SetAlphaMode(s.latch1 ? -0.1 : -0.7);
    if (!s.latch1) clicked = 1;
  }
  DrawBox(x - 59, y - 35, 118, 70, 0);
  SetAlphaMode(-1);
  SetColor(0, 0, 0);
  if (!line1.Empty() && line2.Empty() && line3.Empty()) {
    PrintCentered(x, y, line1, 1, 1);
  } else if (!line1.Empty() && !line2.Empty() && line3.Empty()) {
    PrintCentered(x, y - 12, line1, 1, 1);
    PrintCentered(x, y + 12, line2, 1, 1);
  } else if (!line1.Empty() && !line3.Empty()) {
    PrintCentered(x, y - 20, line1, 1, 1);
    PrintCentered(x, y, line2, 1, 1);
    PrintCentered(x, y + 20, line3, 1, 1);
  }
  ResetDrawState();
  return clicked;
}

void TitleScreen() {
  State& s = S();
  // The same seed every frame: the same tint and tiles until "Test" changes it.
  SeedRandom(s.seedBase);
  double tintR = RandomInt(0, 10) * 25;
  double tintG = RandomInt(0, 10) * 25;
  double tintB = RandomInt(0, 10) * 25;

  SetAlphaMode(0);
  SetColor(tintR / 2, tintG / 2, tintB / 2);
  DrawBox(s.scrollX, 0, s.virtualW, s.virtualH, 0);

  SetZoom(4);
  SetColor(255, 255, 255);
  SetAlphaMode(1);
  for (double c = 0; c <= s.virtualW / 32 + 1; ++c)
    for (double r = 0; r <= s.virtualH / 32; ++r) DrawImageFrame(1023, c * 32 + s.scrollX, r * 32, RandomInt(0, 64), 0, 0);

  SetZoom(1);
  SetAlphaMode(0.4);
  SetColor(tintB / 2, tintR / 2, tintG / 2);
  DrawBox(-(4 * s.scrollX + 1), 32, s.virtualW + 2, 64, 1);  // four times as fast as the scene
  SetAlphaMode(-0.6);
  SetColor(tintG / 2, tintB / 2, tintR / 2);
  DrawBox(s.virtualW - 180, -(2 * s.scrollX + 1), 176, s.virtualH + 2, 1);

  ResetDrawState();
  SetAlphaMode(-1);
  SetZoom(0.75);
  if (s.scrollX < 0) {
    s.scrollX += s.frameFactor * 16;
    if (s.scrollX > 0) s.scrollX = 0;
  }

  ResetDrawState();
  SetColor(255, 0, 0);
  SetGameFont(1);
  if (Button(1, 1, s.virtualW * 0.5 + s.scrollX, s.virtualH * 0.5, "Test", "Button")) {
    s.latch1 = 1;
    s.scrollX = -(s.virtualW + 768);
    s.seedBase += 1;
  }
  if (Button(1, 2, s.virtualW * 0.2 + s.scrollX, s.virtualH * 0.7, "Open")) {
    PlaySoundSlot(s.soundSlot.At(1023), 1.0, 1.0);
    s.latch1 = 1;
  }
  if (Button(1, 3, s.virtualW * 0.42 + s.scrollX, s.virtualH * 0.7, "Die")) {
    PlaySoundSlot(s.soundSlot.At(1022), 1.0, 1.0);
    s.latch1 = 1;
  }
  if (Button(1, 4, s.virtualW * 0.64 + s.scrollX, s.virtualH * 0.7, "Ping")) {
    PlaySoundSlot(s.soundSlot.At(1), 1.0, 1.0);
    s.latch1 = 1;
  }
  s.clock += s.frameFactor;
}

}  // namespace vorlo
