// vorlo's assets: the variant for the window width, the loaders, and the
// loading screen with its progress bar.
#include <cmath>
#include <cstdlib>

#include "vorlo.h"

namespace vorlo {

namespace {

// "_x320", "_x640" or "_x1280" for asset factors 1, 2 and 4.
RtString Suffix() {
  switch (S().assetFactor) {
    case 4: return "_x1280";
    case 2: return "_x640";
    default: return "_x320";
  }
}

// One step of the loading screen: the logo, the label and the growing bar.
void Progress(const RtString& label) {
  State& s = S();
  RtString text = "Loading " + label;
  s.loaded += 1;
  SetAlphaMode(-0.5);
  SetZoom(2.5);
  DrawImageFrame(1022, s.virtualW / 2, s.virtualH / 2, 0, 1, 1);
  SetAlphaMode(0);
  SetZoom(1);
  SetGameFont(0);
  PrintCentered(s.virtualW / 2, s.virtualH * 0.2, text, 1, 1);
  double step = (s.virtualW - 64) / 8;
  double y = s.virtualH * 0.75;
  SetColor(255, 125, 0);
  DrawBox(s.virtualW / 2 - 8 * step / 2 - 2, y - 2, 8 * step + 4, 36, 0);
  SetColor(255, 255, 0);
  DrawBox(s.virtualW / 2 - step / 2 * 8, y, step * s.loaded, 32, 0);
  GameFlip();
}

// The number written between `open` and `close` in name, 0 when absent.
double NumberBetween(const RtString& name, int start, char close, int* end) {
  int i = start;
  while (i < name.Length() && name[i] != close) ++i;
  *end = i;
  RtString digits = MidText(name, start, i - start);
  return digits.ToDouble();
}

}  // namespace

void LoadImage(double id, const RtString& name, double columns, double rows) {
  State& s = S();
  int i = static_cast<int>(id);
  double slot = s.imageSlot.At(i);
  LoadSprite(slot, "");
  LoadSprite(slot, name + Suffix() + ".png");
  double w = SpriteWidth(slot), h = SpriteHeight(slot);
  s.imageW.At(i) = w;
  s.imageH.At(i) = h;
  s.imageFrameW.At(i) = std::trunc(w / columns);
  s.imageFrameH.At(i) = std::trunc(h / rows);
  s.imageColumns.At(i) = columns;
  s.imageRows.At(i) = rows;
  s.imageFrames.At(i) = columns * rows;
}

void LoadFontImage(double id, const RtString& name) {
  State& s = S();
  int i = static_cast<int>(id);
  // The glyph cell size is part of the name: "16_(9x17)" has 9 x 17 cells.
  int open = static_cast<int>(FindText(name, "(", 0));
  int end = 0;
  double cellW = 0, cellH = 0;
  if (open >= 0) {
    cellW = NumberBetween(name, open + 1, 'x', &end);
    cellH = NumberBetween(name, end + 1, ')', &end);
  }
  cellW *= s.assetFactor;
  cellH *= s.assetFactor;
  double slot = s.fontSlot.At(i);
  LoadSprite(slot, "xx");  // a name that does not exist: the slot is cleared
  LoadSprite(slot, name + Suffix() + ".png");
  s.fontCellW.At(i) = cellW;
  s.fontCellH.At(i) = cellH;
  s.fontColumns.At(i) = cellW > 0 ? std::trunc(SpriteWidth(slot) / cellW) : 0;
  s.fontRows.At(i) = cellH > 0 ? std::trunc(SpriteHeight(slot) / cellH) : 0;
}

void LoadSfx(double id, const RtString& name, double buffers) {
  LoadSound("sfx_" + name + ".wav", S().soundSlot.At(static_cast<int>(id)), buffers);
}

void LoadAssets() {
  State& s = S();
  s.loadingAssets = true;
  s.loaded = 0;
  s.scrollX = -(s.virtualW + 768);
  GameFlip();
  LoadImage(1022, "logo", 1, 1);
  LoadFontImage(0, "16_(9x17)");
  SetGameFont(0);
  Progress("Font 'Small'");
  LoadFontImage(1, "16_(9x17)");
  Progress("Font 'Bigger'");
  LoadImage(1023, "plat_bg", 32, 32);
  Progress("Image 'Grid'");
  LoadImage(1021, "button", 1, 1);
  Progress("Image 'Button'");
  LoadSfx(1023, "open", 1);
  Progress("SFX 'Open'");
  LoadSfx(1022, "die", 2);
  Progress("SFX 'die'");
  LoadSfx(1, "001", 4);
  Progress("SFX '1'");
  Progress("Complete");
  s.loadingAssets = false;
}

}  // namespace vorlo
