// Background images: loading and grabbing their tiles, and drawing them.
// Background 0 replaces the clear of every flip while it has tiles.
#include "gfx2d/background.h"

#include <algorithm>

#include "gfx2d/image_codec.h"
#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "gl/texture.h"

namespace orv {

namespace {

constexpr int kMaxTiles = 8;

int TileIndex(int column, int row) { return column * kMaxTiles + row; }

PixelImage& BackgroundScratch() {
  static PixelImage scratch;
  return scratch;
}

}  // namespace

void BackgroundStore::Free(int index) {
  if (!IsIndex(index)) return;
  BackgroundImage& bg = images_[index];
  for (auto& column : bg.tiles)
    for (GLuint& t : column)
      if (t) glDeleteTextures(1, &t);
  bg = BackgroundImage{};
}

void BackgroundStore::FreeAll() {
  for (int i = 0; i < kBackgrounds; ++i) Free(i);
}

bool BackgroundStore::Load(int index, const RtString& path) {
  if (!IsIndex(index)) return false;
  PixelImage image;
  if (!ReadImage(path, kNoColorKey, image) || image.Empty()) return false;
  const int S = std::min(MaxTextureSize(), 512);
  Free(index);
  BackgroundImage& bg = images_[index];
  // A picture wider or taller than the grid keeps its top-left part.
  const int columns = std::min((image.width + S - 1) / S, kMaxTiles);
  const int rows = std::min((image.height + S - 1) / S, kMaxTiles);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (!BuildTexture(image, bg.tiles[c][r], {.x = c * S, .y = r * S, .width = S, .height = S, .nearest = true})) {
        Free(index);
        return false;
      }
      const int i = TileIndex(c, r);
      bg.tileTextureWidth[i] = bg.tileTextureHeight[i] = static_cast<int16_t>(S);
      bg.tileWidth[i] = bg.tileHeight[i] = static_cast<int16_t>(S);
    }
  }
  bg.columns = static_cast<int8_t>(columns);
  bg.rows = static_cast<int8_t>(rows);
  return true;
}

bool BackgroundStore::Grab(int index, int sw, int sh, bool bgraSupported) {
  if (!IsIndex(index)) return false;
  const int m = MaxTextureSize();
  if (sw <= 0 || sh <= 0) return false;
  int S = 128;
  while (S < std::max(sw, sh) && S < m) S *= 2;
  BackgroundImage& bg = images_[index];
  const int columns = std::min((sw + S - 1) / S, kMaxTiles);
  const int rows = std::min((sh + S - 1) / S, kMaxTiles);
  const GLenum format = bgraSupported ? GL_BGRA : GL_RGBA;
  // Tiles outside the new grid are not needed any more.
  for (int c = 0; c < kMaxTiles; ++c) {
    for (int r = 0; r < kMaxTiles; ++r) {
      if ((c >= columns || r >= rows) && bg.tiles[c][r]) {
        glDeleteTextures(1, &bg.tiles[c][r]);
        bg.tiles[c][r] = 0;
      }
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const int i = TileIndex(c, r);
      const int x = c * S, y = r * S;
      const int usedW = std::min(S, sw - x), usedH = std::min(S, sh - y);
      GLuint& tile = bg.tiles[c][r];
      if (tile && bg.tileTextureWidth[i] == S && bg.tileTextureHeight[i] == S) {
        glBindTexture(GL_TEXTURE_2D, tile);
      } else {
        if (tile) glDeleteTextures(1, &tile);
        glGenTextures(1, &tile);
        glBindTexture(GL_TEXTURE_2D, tile);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, S, S, 0, format, GL_UNSIGNED_BYTE, nullptr);
      }
      if (bgraSupported) {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, sh - y - usedH, usedW, usedH);
      } else {
        PixelImage& scratch = BackgroundScratch();
        if (!scratch.Resize(S, S)) return false;
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(x, sh - y - usedH, S, S, GL_RGBA, GL_UNSIGNED_BYTE, scratch.Data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, S, S, 0, GL_RGBA, GL_UNSIGNED_BYTE, scratch.Data());
      }
      bg.tileTextureWidth[i] = bg.tileTextureHeight[i] = static_cast<int16_t>(S);
      bg.tileWidth[i] = static_cast<int16_t>(usedW);
      bg.tileHeight[i] = static_cast<int16_t>(usedH);
    }
  }
  bg.columns = static_cast<int8_t>(columns);
  bg.rows = static_cast<int8_t>(rows);
  return true;
}

bool OpenGLVexel::LoadBackground(int index, const RtString& path) { return backgrounds_.Load(index, path); }

bool OpenGLVexel::GrabBackground(int index) {
  FlushDrawing();
  return backgrounds_.Grab(index, screenWidth, screenHeight, bgraSupported);
}

void OpenGLVexel::FreeBackground(int index) { backgrounds_.Free(index); }

void OpenGLVexel::DrawBackgroundTiles(int index) {
  const BackgroundImage& bg = backgrounds_.Image(index);
  FlushDrawing();
  GlState().Set(kCapAlphaTest, false);
  if (Gl().glActiveTextureARB) {
    Gl().glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    Gl().glActiveTextureARB(GL_TEXTURE0_ARB);
    textureUnit1Off = true;
  }
  glEnable(GL_TEXTURE_2D);
  int x = 0;
  for (int c = 0; c < bg.columns && c < kMaxTiles; ++c) {
    int y = 0;
    for (int r = 0; r < bg.rows && r < kMaxTiles; ++r) {
      const int i = TileIndex(c, r);
      const float left = static_cast<float>(x), top = static_cast<float>(y);
      const float right = left + bg.tileWidth[i], bottom = top + bg.tileHeight[i];
      const float u = static_cast<float>(bg.tileWidth[i]) / bg.tileTextureWidth[i];
      const float v = static_cast<float>(bg.tileHeight[i]) / bg.tileTextureHeight[i];
      glBindTexture(GL_TEXTURE_2D, bg.tiles[c][r]);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      const float quad[16] = {left, bottom, 0, 0, right, bottom, u, 0, right, top, u, v, left, top, 0, v};
      DrawFan(quad, true);
      y += bg.tileHeight[i];
    }
    x += bg.tileWidth[TileIndex(c, 0)];
  }
  BindSprite(-1, -1, false, nullptr);
  ApplySmoothing();
  SetAlphaMode(0);
  SetAlphaTest(alphaTestRef);
}

void OpenGLVexel::DrawBackground(int index) {
  if (!backgrounds_.HasTiles(index)) return;
  FlushDrawing();
  SetAlphaMode(0);
  DrawBackgroundTiles(index);
}

void OpenGLVexel::DrawBackgroundFaded(int index, float fraction, bool replace) {
  if (!backgrounds_.HasTiles(index)) return;
  fraction = std::clamp(fraction, 0.0f, 1.0f);
  // Drawing the batch resets the current colour, which the fade sets below.
  FlushDrawing();
  if (replace) {
    // Opaque and darkened: the target's old content does not shine through.
    SetAlphaMode(0);
    glColor4f(fraction, fraction, fraction, 1);
  } else {
    SetAlphaMode(fraction > 0 ? fraction : 1e-6f);
  }
  DrawBackgroundTiles(index);
}

}  // namespace orv
