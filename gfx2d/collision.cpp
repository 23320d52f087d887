// Pixel-exact sprite collision: two sprites collide where some pixel is
// solid in both. The bounding rectangles are intersected first; inside the
// overlap a probe at its centre and then interleaved passes over the rows
// find typical overlaps after few probes. The masks are bit rows, so each
// probe tests up to 64 pixels of a row at once.
#include "gfx2d/collision.h"

#include <algorithm>

#include "gfx2d/opengl_vexel.h"

namespace orv {

void AlphaMask::FromTextureAlpha(const uint8_t* alpha, int textureWidth, int w, int h) {
  width = w;
  height = h;
  wordsPerRow = (w + 63) / 64 + 1;
  bits.assign(static_cast<size_t>(wordsPerRow) * h, 0);
  for (int y = 0; y < h; ++y) {
    // Textures hold the image bottom-up: image row y is texture row h - 1 - y.
    const uint8_t* src = alpha + static_cast<size_t>(h - 1 - y) * textureWidth;
    uint64_t* row = &bits[static_cast<size_t>(y) * wordsPerRow];
    for (int x = 0; x < w; ++x)
      if (src[x]) row[x >> 6] |= uint64_t{1} << (x & 63);
  }
}

const AlphaMask* OpenGLVexel::SpriteMask(int slot) {
  if (!IsUsedSprite(slot)) return nullptr;
  if (const AlphaMask* cached = sprites_.Mask(slot)) return cached;
  FlushDrawing();
  const SpriteSlot& s = sprites_[slot];
  // The texture's real size: the record's may not describe it.
  GLint previous = 0, tw = 0, th = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
  std::vector<uint8_t> alpha;
  const bool fits = tw >= s.imageWidth && th >= s.imageHeight;
  if (fits) {
    alpha.resize(std::max<size_t>(static_cast<size_t>(tw) * th, 64));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
  }
  // A polygon may be under construction with the previous texture bound.
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  if (!fits) return nullptr;
  auto mask = std::make_unique<AlphaMask>();
  mask->FromTextureAlpha(alpha.data(), tw, s.imageWidth, s.imageHeight);
  return sprites_.SetMask(slot, std::move(mask));
}

bool OpenGLVexel::PixelTest(int a, int64_t oxA, int64_t oyA, int b, int64_t oxB, int64_t oyB, int64_t left,
                           int64_t top, int64_t right, int64_t bottom) {
  if (top == bottom || left == right) return false;
  const AlphaMask* ma = SpriteMask(a);
  const AlphaMask* mb = SpriteMask(b);
  if (!ma || !mb) return false;
  // Only pixels inside both images can be solid in both (an animation
  // frame outside its sheet has none).
  left = std::max({left, oxA, oxB});
  top = std::max({top, oyA, oyB});
  right = std::min({right, oxA + ma->width, oxB + mb->width});
  bottom = std::min({bottom, oyA + ma->height, oyB + mb->height});
  if (right <= left || bottom <= top) return false;

  const int64_t cx = left + (right - left) / 2, cy = top + (bottom - top) / 2;
  if (ma->Solid(static_cast<int>(cx - oxA), static_cast<int>(cy - oyA)) &&
      mb->Solid(static_cast<int>(cx - oxB), static_cast<int>(cy - oyB)))
    return true;

  // Every second row first, then the rows between: overlaps of any height
  // show up in the first half of the rows. A 64-bit window covers both
  // column phases of a row at once.
  for (int rowPhase = 0; rowPhase < 2; ++rowPhase) {
    for (int64_t y = top + rowPhase; y < bottom; y += 2) {
      const uint64_t* ra = ma->Row(static_cast<int>(y - oyA));
      const uint64_t* rb = mb->Row(static_cast<int>(y - oyB));
      for (int64_t x = left; x < right; x += 64) {
        uint64_t both = AlphaMask::Window(ra, static_cast<int>(x - oxA)) & AlphaMask::Window(rb, static_cast<int>(x - oxB));
        if (right - x < 64) both &= (uint64_t{1} << (right - x)) - 1;
        if (both) return true;
      }
    }
  }
  return false;
}

bool OpenGLVexel::SpritesCollide(int spriteA, int xA, int yA, int spriteB, int xB, int yB) {
  if (!IsUsedSprite(spriteA) || !IsUsedSprite(spriteB)) return false;
  const SpriteSlot& a = sprites_[spriteA];
  const SpriteSlot& b = sprites_[spriteB];
  const int64_t right = std::min<int64_t>(int64_t{xA} + a.imageWidth, int64_t{xB} + b.imageWidth);
  const int64_t left = std::max(xA, xB);
  if (right < left) return false;
  const int64_t bottom = std::min<int64_t>(int64_t{yA} + a.imageHeight, int64_t{yB} + b.imageHeight);
  const int64_t top = std::max(yA, yB);
  if (bottom < top) return false;
  return PixelTest(spriteA, xA, yA, spriteB, xB, yB, left, top, right, bottom);
}

namespace {

// Where animation frame n lies in the sprite's image, and its size; a
// sprite without frames is one frame of the whole image.
struct FramePlace {
  int64_t x = 0, y = 0;
  int width = 0, height = 0;
};

FramePlace PlaceOfFrame(const SpriteSlot& s, int frame) {
  FramePlace p;
  if (s.frameWidth == 0) {
    p.width = s.imageWidth;
    p.height = s.imageHeight;
    return p;
  }
  int perRow = s.imageWidth / s.frameWidth;
  if (perRow == 0) perRow = 1;
  p.x = int64_t{frame % perRow} * s.frameWidth;
  p.y = int64_t{frame / perRow} * s.frameHeight;
  p.width = s.frameWidth;
  p.height = s.frameHeight;
  return p;
}

}  // namespace

bool OpenGLVexel::AnimFramesCollide(int spriteA, int frameA, int xA, int yA, int spriteB, int frameB, int xB,
                                    int yB) {
  if (!IsUsedSprite(spriteA) || !IsUsedSprite(spriteB)) return false;
  const FramePlace fa = PlaceOfFrame(sprites_[spriteA], frameA);
  const FramePlace fb = PlaceOfFrame(sprites_[spriteB], frameB);
  const int64_t right = std::min<int64_t>(int64_t{xA} + fa.width, int64_t{xB} + fb.width);
  const int64_t left = std::max(xA, xB);
  if (right < left) return false;
  const int64_t bottom = std::min<int64_t>(int64_t{yA} + fa.height, int64_t{yB} + fb.height);
  const int64_t top = std::max(yA, yB);
  if (bottom < top) return false;
  // Each image's origin moves so the frame's pixels sit where it is drawn.
  return PixelTest(spriteA, xA - fa.x, yA - fa.y, spriteB, xB - fb.x, yB - fb.y, left, top, right, bottom);
}

}  // namespace orv
