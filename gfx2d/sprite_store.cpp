// The sprite store: loading images into numbered slots, building their
// textures, freeing, finding free slots, grabbing the screen into a sprite,
// reading sprites back into images and saving them.
//
// Slot numbers come from game code; every entry point checks them, so a
// wrong number gives the neutral result and never touches memory outside
// the table.
#include "gfx2d/sprite_store.h"

#include <algorithm>
#include <cstring>

#include "gfx2d/image_codec.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx2d/sprite_lookup.h"
#include "gl/gl_extensions.h"
#include "gl/texture.h"

namespace orv {

void SpriteSlot::SetImageSize(int width, int height) {
  textureWidth = static_cast<int16_t>(TextureSide(width));
  textureHeight = static_cast<int16_t>(TextureSide(height));
  imageWidth = static_cast<int16_t>(width);
  imageHeight = static_cast<int16_t>(height);
  uMax = static_cast<float>(width) / textureWidth;
  vMax = static_cast<float>(height) / textureHeight;
}

namespace {

// Screen grabs read into this image; it only grows, so grabbing every frame
// does not allocate.
PixelImage& GrabScratch() {
  static PixelImage scratch;
  return scratch;
}

// Alpha bits of the window's framebuffer, asked once per process.
int FramebufferAlphaBits() {
  static int bits = -1;
  if (bits < 0) {
    GLint b = 0;
    glGetIntegerv(GL_ALPHA_BITS, &b);
    bits = b;
  }
  return bits;
}

}  // namespace

const SpriteSlot* LookUpSprite(const OpenGLVexel& device, int slot) {
  return device.IsUsedSprite(slot) ? &device.Sprite(slot) : nullptr;
}

void FlushDevice2D(OpenGLVexel& device) { device.FlushDrawing(); }

bool OpenGLVexel::IsUsedSprite(int slot) const { return IsSpriteSlot(slot) && sprites_[slot].imageWidth > 0; }

void OpenGLVexel::ReleaseSpriteTextures(int slot) {
  FlushDrawing();
  SpriteSlot& s = sprites_[slot];
  if (s.texture) {
    glDeleteTextures(1, &s.texture);
    SurfaceTextureReleased(slot);
  }
  if (s.mipTexture) glDeleteTextures(1, &s.mipTexture);
  s = SpriteSlot{};
  sprites_.DropMask(slot);
}

void OpenGLVexel::FreeSprite(int slot) {
  if (!IsSpriteSlot(slot)) return;
  ReleaseSpriteTextures(slot);
  BindSprite(-1, -1, false, nullptr);
}

void OpenGLVexel::FreeAllSprites() {
  for (int i = 0; i < kSpriteSlots; ++i) {
    const SpriteSlot& s = sprites_[i];
    if (s.texture || s.mipTexture || s.imageWidth || sprites_.Mask(i)) ReleaseSpriteTextures(i);
  }
  BindSprite(-1, -1, false, nullptr);
  backgrounds_.FreeAll();
}

int OpenGLVexel::FindFreeSprite() const {
  for (int i = kScratchSprite; i >= 0; --i)
    if (sprites_[i].imageWidth == 0) return i;
  return -1;
}

bool OpenGLVexel::GetSpriteSize(int slot, int& width, int& height) const {
  width = height = 0;
  if (!IsSpriteSlot(slot)) return false;
  width = sprites_[slot].imageWidth;
  height = sprites_[slot].imageHeight;
  return true;
}

void OpenGLVexel::SetSpriteAnimation(int slot, int frameWidth, int frameHeight) {
  if (!IsSpriteSlot(slot)) return;
  sprites_[slot].frameWidth = static_cast<int16_t>(std::clamp(frameWidth, 0, kMaxImageSide));
  sprites_[slot].frameHeight = static_cast<int16_t>(std::clamp(frameHeight, 0, kMaxImageSide));
}

bool OpenGLVexel::SpriteFromImage(int slot, const PixelImage& image, bool asNormalMap) {
  if (!IsSpriteSlot(slot)) return false;
  FreeSprite(slot);
  if (image.Empty()) return false;
  // Font images are drawn texel for texel: no mip copy, no filtering.
  const bool font = slot >= kFirstFontSprite;
  SpriteSlot& s = sprites_[slot];
  if (!BuildTexture(image, s.texture,
                    {.mipTarget = font ? nullptr : &s.mipTexture, .asNormalMap = asNormalMap && !font, .nearest = font})) {
    FreeSprite(slot);
    return false;
  }
  // An image beyond the texture size limit was cut to it; the record
  // describes what the texture holds.
  const int m = MaxTextureSize();
  s.SetImageSize(std::min(image.width, m), std::min(image.height, m));
  return true;
}

bool OpenGLVexel::LoadSprite(int slot, const RtString& path, int32_t colorKey, bool asNormalMap) {
  if (!IsSpriteSlot(slot)) return false;
  FreeSprite(slot);
  if (path.Empty()) return false;
  PixelImage image;
  if (!ReadImage(path, colorKey, image)) return false;
  if (!image.hasAlpha) TreatEdges(image);
  return SpriteFromImage(slot, image, asNormalMap);
}

bool OpenGLVexel::GrabSprite(int slot, int x, int y, int w, int h) {
  if (!IsSpriteSlot(slot)) return false;
  return GrabIntoSlot(slot, x, y, w, h);
}

bool OpenGLVexel::GrabIntoSlot(int slot, int x, int y, int w, int h) {
  FlushDrawing();
  SpriteSlot& s = sprites_[slot];
  s.frameWidth = s.frameHeight = 0;
  sprites_.DropMask(slot);
  if (w <= 0 || h <= 0) {
    ReleaseSpriteTextures(slot);
    BindSprite(-1, -1, false, nullptr);
    return w == 0 || h == 0;
  }
  const int m = MaxTextureSize();
  w = std::min(w, m);
  h = std::min(h, m);
  const int T = TextureSide(w), U = TextureSide(h);
  const GLenum format = bgraSupported ? GL_BGRA : GL_RGBA;
  // The mipmapped copy would keep showing the old picture; grabs have none.
  if (s.mipTexture) glDeleteTextures(1, &s.mipTexture);
  s.mipTexture = 0;
  if (s.texture && s.textureWidth == T && s.textureHeight == U) {
    glBindTexture(GL_TEXTURE_2D, s.texture);
  } else {
    if (s.texture) {
      glDeleteTextures(1, &s.texture);
      SurfaceTextureReleased(slot);
    }
    glGenTextures(1, &s.texture);
    glBindTexture(GL_TEXTURE_2D, s.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, T, U, 0, format, GL_UNSIGNED_BYTE, nullptr);
  }
  s.SetImageSize(w, h);

  const int alphaBits = FramebufferAlphaBits();
  if (alphaBits != 0 && TargetOrientation() == 0) {
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, TargetHeight() - y - h, w, h);
    return true;
  }
  // A key of -1 keys nothing: the grab keeps every pixel as it is.
  if (GrabByReadBack(slot, x, y, w, h, alphaBits == 0 && transparentColor_ != 0xFFFFFFFFu)) return true;
  // The texture was made but never filled: a slot that draws garbage is
  // worse than a free one.
  ReleaseSpriteTextures(slot);
  BindSprite(-1, -1, false, nullptr);
  return false;
}

bool OpenGLVexel::GrabByReadBack(int slot, int x, int y, int w, int h, bool keyFromRenderedColor) {
  FlushDrawing();
  SpriteSlot& s = sprites_[slot];
  const GLenum format = bgraSupported ? GL_BGRA : GL_RGBA;
  // The logical rectangle's corners on the physical target (a surface is
  // never turned).
  const int turns = TargetOrientation();
  int x0 = x, y0 = y, x1 = x + w - 1, y1 = y + h - 1;
  if (turns) {
    OrientPoint(x0, y0);
    OrientPoint(x1, y1);
  }
  const int px = std::min(x0, x1), py = std::min(y0, y1);
  const int pw = std::abs(x1 - x0) + 1, ph = std::abs(y1 - y0) + 1;

  PixelImage& scratch = GrabScratch();
  if (!scratch.Resize(pw, ph)) return false;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(px, TargetHeight() - py - ph, pw, ph, format, GL_UNSIGNED_BYTE, scratch.Data());
  // Rows arrive bottom-up; turning them as often as the screen is turned
  // gives the logical picture, still bottom-up, as the texture wants it.
  for (int i = 0; i < turns; ++i)
    if (!scratch.RotateQuarter()) return false;

  if (keyFromRenderedColor) {
    // Without destination alpha the key colour is all that marks
    // transparency; compare with the colour as this framebuffer stores it.
    const uint32_t key = RenderedKeyColor();
    uint32_t* p = reinterpret_cast<uint32_t*>(scratch.Data());
    for (size_t i = 0, n = static_cast<size_t>(scratch.width) * scratch.height; i < n; ++i)
      if ((p[i] & 0x00FFFFFF) == key) p[i] &= 0x00FFFFFF;
  }
  if (!scratch.ResizeCanvas(s.textureWidth, s.textureHeight)) return false;
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, s.textureWidth, s.textureHeight, 0, format, GL_UNSIGNED_BYTE,
               scratch.Data());
  return true;
}

uint32_t OpenGLVexel::RenderedKeyColor() {
  FlushDrawing();
  const GLenum format = bgraSupported ? GL_BGRA : GL_RGBA;
  // Target pixel (4, 4) from the top-left. The point is plotted in target
  // pixels, whatever viewport, projection or orientation the game has set,
  // so it lands on the pixel that is read.
  const int px = 4, readY = TargetHeight() - 5;
  uint8_t old[4] = {0, 0, 0, 0}, rendered[4] = {0, 0, 0, 0};
  glReadPixels(px, readY, 1, 1, format, GL_UNSIGNED_BYTE, old);
  // Plot raw: no texture, blending or test may change or drop the colour.
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_COLOR_LOGIC_OP);
  glViewport(px, readY, 1, 1);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  auto plot = [](uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    glColor4ub(r, g, b, a);
    glBegin(GL_POINTS);
    glVertex2f(0, 0);  // the centre of the one-pixel viewport
    glEnd();
  };
  plot(transparentColor_ & 0xFF, (transparentColor_ >> 8) & 0xFF, (transparentColor_ >> 16) & 0xFF, 255);
  glReadPixels(px, readY, 1, 1, format, GL_UNSIGNED_BYTE, rendered);
  if (format == GL_BGRA) {
    plot(old[2], old[1], old[0], old[3]);
  } else {
    plot(old[0], old[1], old[2], old[3]);
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  return rendered[0] | rendered[1] << 8 | rendered[2] << 16;
}

bool OpenGLVexel::SpriteToImage(int slot, PixelImage& image) {
  if (!IsUsedSprite(slot)) return false;
  FlushDrawing();
  const SpriteSlot& s = sprites_[slot];
  if (!image.Resize(s.imageWidth, s.imageHeight)) return false;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  // Read through a framebuffer of its own around the texture.
  SurfaceRecord reader;
  if (CreateFramebuffer(reader, s.textureWidth, s.textureHeight, s.texture, false)) {
    const bool bound = BindFramebuffer(reader);
    if (bound) glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.Data());
    ReleaseSurface(reader);
    if (bound) {
      image.FlipVertical();
      return true;
    }
  }
  // Without framebuffers the whole texture comes back; the image is its
  // bottom-left corner. Blank pixels reported as the sprite would be saved
  // as if they were the picture.
  GLint tw = 0, th = 0;
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
  BindSprite(-1, -1, false, nullptr);
  if (tw < image.width || th < image.height) {
    image.Free();
    return false;
  }
  PixelImage whole;
  if (!whole.Resize(tw, th)) {
    image.Free();
    return false;
  }
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, whole.Data());
  glBindTexture(GL_TEXTURE_2D, 0);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(image.Row(image.height - 1 - y), whole.Row(y), static_cast<size_t>(image.width) * 4);
  return true;
}

bool OpenGLVexel::SaveSprite(int slot, const RtString& path) {
  PixelImage image;
  return SpriteToImage(slot, image) && SaveImage(path, image);
}

bool OpenGLVexel::SaveScreen(const RtString& path) {
  const int slot = FindFreeSprite();
  if (slot < 0) return false;
  bool ok = GrabSprite(slot, 0, 0, LogicalWidth(), LogicalHeight()) && SaveSprite(slot, path);
  FreeSprite(slot);
  return ok;
}

}  // namespace orv
