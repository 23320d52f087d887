// The sprite store and background images: freeing and drawing.
#include "gfx2d/opengl_vexel.h"

namespace orv {

void OpenGLVexel::FreeSprite(int slot) {
  if (slot < 0 || slot >= kSpriteSlots) return;
  SpriteSlot& s = sprites[slot];
  if (s.texture) glDeleteTextures(1, &s.texture);
  if (s.mipTexture) glDeleteTextures(1, &s.mipTexture);
  s = SpriteSlot{};
  spritePixels[slot].reset();
}

void OpenGLVexel::FreeAllSprites() {
  for (int i = 0; i < kSpriteSlots - 1; ++i) {
    if (sprites[i].texture || sprites[i].mipTexture || sprites[i].imageWidth) FreeSprite(i);
  }
}

void OpenGLVexel::FreeBackground(int index) {
  if (index < 0 || index >= kBackgrounds) return;
  BackgroundImage& bg = backgrounds[index];
  for (auto& column : bg.tiles)
    for (GLuint& t : column)
      if (t) glDeleteTextures(1, &t);
  bg = BackgroundImage{};
}

void OpenGLVexel::DrawBackground(int /*index*/) {}

}  // namespace orv
