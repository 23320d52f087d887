// Sprite drawing: plain, stretched, zoomed, rotated, and animation frames.
//
// The vertex order, texture coordinates and half-texel insets below decide
// exactly which pixels a sprite covers and which texels land on them; games
// line up tiles and fonts by them, so they are part of the contract.
#include <cmath>

#include "gfx2d/opengl_vexel.h"
#include "runtime/lib/number_convert.h"

namespace orv {

namespace {

// Texture rectangle of animation frame n: u from left to right, vBottom and
// vTop of the frame's bottom and top edges (textures are stored bottom-up).
struct FrameRect {
  float uL, uR, vB, vT;
  int fw, fh;
};

bool FrameOf(const SpriteSlot& s, int n, FrameRect& f) {
  f.fw = s.frameWidth;
  f.fh = s.frameHeight;
  if (f.fw <= 0 || f.fh <= 0) return false;
  const int perRow = s.imageWidth / f.fw;
  const int column = perRow > 0 ? n % perRow : n;
  const int row = perRow > 0 ? n / perRow : 0;
  const float tw = s.textureWidth, th = s.textureHeight;
  f.uL = column * f.fw / tw;
  f.uR = f.uL + f.fw / tw;
  f.vB = (s.imageHeight - f.fh * (row + 1)) / th;
  f.vT = f.vB + f.fh / th;
  return true;
}

// A textured vertex in the colour sprites are drawn with: white at the
// current intensity.
void Put(BatchVertex& p, float x, float y, float u, float v, float alpha) {
  p = BatchVertex{x, y, 0, u, v, 1, 1, 1, alpha, {255, 255, 255, 255}};
}

}  // namespace

void OpenGLVexel::BatchQuadFan(int slot, const float q[16]) {
  BatchVertex* p = AppendVertices(slot, GL_TRIANGLE_FAN, SpriteFlags(true), 4);
  for (int i = 0; i < 4; ++i) Put(p[i], q[4 * i], q[4 * i + 1], q[4 * i + 2], q[4 * i + 3], globalAlpha);
}

void OpenGLVexel::DrawSprite(int slot, int x, int y) {
  if (!IsUsedSprite(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  const int w = s.imageWidth, h = s.imageHeight;
  if (batching_) {
    BatchVertex* p = AppendVertices(slot, GL_QUADS, SpriteFlags(false), 4);
    Put(p[0], static_cast<float>(x + w), static_cast<float>(y), s.uMax, s.vMax, globalAlpha);
    Put(p[1], static_cast<float>(x), static_cast<float>(y), 0, s.vMax, globalAlpha);
    Put(p[2], static_cast<float>(x), static_cast<float>(y + h), 0, 0, globalAlpha);
    Put(p[3], static_cast<float>(x + w), static_cast<float>(y + h), s.uMax, 0, globalAlpha);
    return;
  }
  BindSprite(slot, -1, false, nullptr);
  ApplySmoothing();
  glBegin(GL_QUADS);
  glTexCoord2f(s.uMax, s.vMax);
  glVertex2i(x + w, y);
  glTexCoord2f(0, s.vMax);
  glVertex2i(x, y);
  glTexCoord2f(0, 0);
  glVertex2i(x, y + h);
  glTexCoord2f(s.uMax, 0);
  glVertex2i(x + w, y + h);
  glEnd();
}

void OpenGLVexel::StretchSprite(int slot, int x, int y, int w, int h) {
  if (!IsUsedSprite(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  const float l = static_cast<float>(x), t = static_cast<float>(y);
  const float r = static_cast<float>(int64_t{x} + w), b = static_cast<float>(int64_t{y} + h);
  const float quad[16] = {l, b, 0, 0, r, b, s.uMax, 0, r, t, s.uMax, s.vMax, l, t, 0, s.vMax};
  if (batching_) return BatchQuadFan(slot, quad);
  BindSprite(slot, -1, false, nullptr);
  ApplySmoothing();
  DrawQuadFan(quad);
}

void OpenGLVexel::ZoomSprite(int slot, int x, int y, double scaleX, double scaleY) {
  if (!IsUsedSprite(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  const double w = s.imageWidth * scaleX, h = s.imageHeight * scaleY;
  // A size no int can hold (NaN, infinite or beyond 2^31 pixels) has no
  // place on the screen; drawing it anyway would smear the sprite across
  // the whole target.
  if (!(std::fabs(w) < 2147483648.0) || !(std::fabs(h) < 2147483648.0)) return;
  // About the centre: half the growth goes to each side (integer halving).
  const int dx = ToInt32(w - s.imageWidth) / 2, dy = ToInt32(h - s.imageHeight) / 2;
  StretchSprite(slot, ToInt32(static_cast<double>(x) - dx), ToInt32(static_cast<double>(y) - dy), ToInt32(w), ToInt32(h));
}

void OpenGLVexel::RotoZoomSprite(int slot, int x, int y, double angle, double zoom) {
  if (!IsUsedSprite(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  const float tw = s.textureWidth, th = s.textureHeight;
  // Half a texel in from every edge, so filtering never reaches the
  // neighbouring (repeated) side of the texture while the sprite turns.
  const float uL = 0.5f / tw, vB = 0.5f / th;
  const float uR = (s.imageWidth - 0.5f) / tw, vT = (s.imageHeight - 0.5f) / th;
  const float hw = static_cast<float>(s.imageWidth * zoom / 2), hh = static_cast<float>(s.imageHeight * zoom / 2);
  // Turned by the modelview matrix, whose arithmetic decides the exact
  // pixels: drawn on its own, after the batch.
  BindSprite(slot, -1, false, nullptr);
  glPushMatrix();
  glTranslatef(static_cast<float>(x + s.imageWidth / 2), static_cast<float>(y + s.imageHeight / 2), 0);
  glRotatef(static_cast<float>(angle), 0, 0, -1);
  ApplySmoothing();
  const float quad[16] = {-hw, hh, uL, vB, hw, hh, uR, vB, hw, -hh, uR, vT, -hw, -hh, uL, vT};
  DrawQuadFan(quad);
  glPopMatrix();
}

void OpenGLVexel::DrawAnimFrame(int slot, int frame, int x, int y) {
  if (!IsUsedSprite(slot)) return;
  FrameRect f;
  if (!FrameOf(sprites_[slot], frame, f)) return;
  if (batching_) {
    BatchVertex* p = AppendVertices(slot, GL_QUADS, SpriteFlags(false), 4);
    Put(p[0], static_cast<float>(x + f.fw), static_cast<float>(y), f.uR, f.vT, globalAlpha);
    Put(p[1], static_cast<float>(x), static_cast<float>(y), f.uL, f.vT, globalAlpha);
    Put(p[2], static_cast<float>(x), static_cast<float>(y + f.fh), f.uL, f.vB, globalAlpha);
    Put(p[3], static_cast<float>(x + f.fw), static_cast<float>(y + f.fh), f.uR, f.vB, globalAlpha);
    return;
  }
  BindSprite(slot, -1, false, nullptr);
  ApplySmoothing();
  glBegin(GL_QUADS);
  glTexCoord2f(f.uR, f.vT);
  glVertex2i(x + f.fw, y);
  glTexCoord2f(f.uL, f.vT);
  glVertex2i(x, y);
  glTexCoord2f(f.uL, f.vB);
  glVertex2i(x, y + f.fh);
  glTexCoord2f(f.uR, f.vB);
  glVertex2i(x + f.fw, y + f.fh);
  glEnd();
}

void OpenGLVexel::StretchAnimFrame(int slot, int frame, int x, int y, int w, int h) {
  if (!IsUsedSprite(slot)) return;
  FrameRect f;
  if (!FrameOf(sprites_[slot], frame, f)) return;
  // The far edges reach 0.1 pixel further so stretched frames laid edge to
  // edge leave no gap.
  const float l = static_cast<float>(x), t = static_cast<float>(y);
  const float r = static_cast<float>(int64_t{x} + w) + 0.1f, b = static_cast<float>(int64_t{y} + h) + 0.1f;
  const float quad[16] = {l, t, f.uL, f.vT, l, b, f.uL, f.vB, r, b, f.uR, f.vB, r, t, f.uR, f.vT};
  if (batching_) return BatchQuadFan(slot, quad);
  BindSprite(slot, -1, false, nullptr);
  ApplySmoothing();
  DrawQuadFan(quad);
}

void OpenGLVexel::RotoZoomAnimFrame(int slot, int frame, int x, int y, double angle, double zoom) {
  if (!IsUsedSprite(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  FrameRect f;
  if (!FrameOf(s, frame, f)) return;
  const float tw = s.textureWidth, th = s.textureHeight;
  const float uL = f.uL + 0.5f / tw, vB = f.vB + 0.5f / th;
  const float uR = uL + (f.fw - 1) / tw, vT = vB + (f.fh - 1) / th;
  const double c = std::cos(angle * 0.017453292), sn = std::sin(angle * 0.017453292);
  const double hw = f.fw * zoom * 0.5, hh = f.fh * zoom * 0.5;
  const double cx = x + f.fw / 2, cy = y + f.fh / 2;
  auto px = [&](double lx, double ly) { return static_cast<float>(cx + c * lx + sn * ly); };
  auto py = [&](double lx, double ly) { return static_cast<float>(cy - sn * lx + c * ly); };
  const float quad[16] = {px(-hw, -hh), py(-hw, -hh), uL, vT, px(-hw, hh), py(-hw, hh), uL, vB,
                          px(hw, hh),   py(hw, hh),   uR, vB, px(hw, -hh), py(hw, -hh), uR, vT};
  if (batching_) return BatchQuadFan(slot, quad);
  BindSprite(slot, -1, false, nullptr);
  ApplySmoothing();
  DrawQuadFan(quad);
}

}  // namespace orv
