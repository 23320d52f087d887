// vorlo's drawing library: everything in design coordinates, scaled to the
// window; textured quads batched into triangle strips per sprite.
#include <cmath>

#include "vorlo.h"

namespace vorlo {

void EndBatch() {
  State& s = S();
  if (s.pendingSlot < 0) return;
  EndPoly();
  s.pendingSlot = -1;
  s.pendingTriangles = 0;
}

void Quad(double slot, double x, double y, double w, double h, double tx, double ty, double tw, double th) {
  State& s = S();
  if (s.pendingSlot != slot || s.pendingTriangles > 125) {
    EndBatch();
    StartPoly(slot, 2);
    s.pendingSlot = slot;
    s.pendingTriangles = 0;
  }
  double X = s.scaleX * x, Y = s.scaleY * y;
  double W = s.scaleX * s.zoomX / s.assetFactor * w, H = s.scaleY * s.zoomY / s.assetFactor * h;
  // Two triangles per quad, each its own strip joined by repeated vertices.
  PolyNewStrip();
  PolyVertex(X, Y, tx, ty, s.color);
  PolyVertex(X, Y + H, tx, ty + th, s.color);
  PolyVertex(X + W, Y + H, tx + tw, ty + th, s.color);
  PolyNewStrip();
  PolyVertex(X, Y, tx, ty, s.color);
  PolyVertex(X + W, Y + H, tx + tw, ty + th, s.color);
  PolyVertex(X + W, Y, tx + tw, ty, s.color);
  s.pendingTriangles += 2;
  s.quadsDrawn += 1;
}

void DrawImageFrame(double id, double x, double y, double frame, double anchorX, double anchorY) {
  State& s = S();
  int i = static_cast<int>(id);
  double fw = s.imageFrameW.At(i), fh = s.imageFrameH.At(i);
  x -= anchorX / s.assetFactor * fw * s.zoomX / 2;
  y -= anchorY / s.assetFactor * fh * s.zoomY / 2;
  if (frame < 0 || frame > s.imageFrames.At(i)) frame = 0;
  double c = s.imageColumns.At(i), tx = 0, ty = 0;
  if (c >= 1) {
    tx = std::fmod(std::trunc(frame), c) * fw;
    ty = std::trunc(frame / c) * fh;
  }
  Quad(s.imageSlot.At(i), x, y, fw, fh, tx, ty, fw, fh);
}

void DrawBox(double x, double y, double w, double h, double bevel) {
  State& s = S();
  EndBatch();
  double X = x * s.scaleX, Y = y * s.scaleY, W = w * s.zoomX * s.scaleX, H = h * s.zoomY * s.scaleY;
  DrawRect(X, Y, W, H, s.color);
  if (bevel == 1) {
    ::SetAlphaMode(-0.3);
    DrawRect(X + 1, Y + 1, W - 2, H - 2, 0);
  }
  ::SetAlphaMode(s.alphaMode);
}

void PrintCentered(double x, double y, const RtString& text, double centerX, double centerY) {
  State& s = S();
  int f = static_cast<int>(s.gameFont);
  double cellW = s.fontCellW.At(f), cellH = s.fontCellH.At(f), columns = s.fontColumns.At(f);
  // Without its image (a missing file) the font has no glyph column: the
  // cell size from its name would only draw solid blocks, so draw nothing.
  if (columns < 1) return;
  double advance = cellW * s.zoomX / s.assetFactor;
  double lineHeight = cellH * s.zoomY / s.assetFactor;
  double px = x - text.Length() * advance * 0.5 * centerX;
  double top = y - lineHeight * 0.5 * centerY;
  for (int i = 0; i < text.Length(); ++i) {
    double glyph = static_cast<unsigned char>(text[i]) - 32.0;
    if (glyph < 0 || glyph > 128) glyph = 0;
    double tx = 0, ty = 0;
    if (columns >= 1) {
      tx = std::fmod(glyph, columns) * cellW;
      ty = std::trunc(glyph / columns) * cellH;
    }
    Quad(s.fontSlot.At(f), px, top, cellW, cellH, tx, ty, cellW, cellH);
    px += advance;
  }
}

double RandomInt(double a, double b) {
  if (b == kOmittedArgument) return Random(a);
  return a + Random(b - a);
}

void SetZoom(double zx, double zy) {
  State& s = S();
  s.zoomX = zx;
  s.zoomY = zy == kOmittedArgument ? zx : zy;
}

void SetColor(double r, double g, double b) {
  S().color = static_cast<int>(r) | static_cast<int>(g) << 8 | static_cast<int>(b) << 16;
}

void SetAlphaMode(double a) {
  State& s = S();
  // Quads already batched are drawn with the mode they were batched under.
  if (a != s.alphaMode) EndBatch();
  s.alphaMode = a;
  ::SetAlphaMode(a);
}

void SetGameFont(double id) {
  S().fontSlot.At(static_cast<int>(id));  // an unknown font stops the game like any bad index
  S().gameFont = id;
}

void ResetDrawState() {
  State& s = S();
  SetAlphaMode(-1);
  s.color = 0xFFFFFF;
  s.zoomX = s.zoomY = 1;
  s.rotation = 0;
  s.centreX = s.virtualW / 2;
  s.centreY = s.virtualH / 2;
}

}  // namespace vorlo
