// Bitmap fonts: the built-in font, loading font images and measuring their
// glyphs, and the font table of the device (slot f's image is sprite
// 65,504 + f).
#include "gfx2d/font.h"

#include <algorithm>
#include <new>
#include <vector>

#include "files/asset_locator.h"
#include "gfx2d/opengl_vexel.h"
#include "gl/texture.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

// Characters 32..127 of the built-in font: a 5 x 6 glyph area per
// character, bit 5(a - 1) + (b - 1) set for the pixel in row a, column b
// (both from 1) of the cell.
constexpr uint32_t kBuiltinMasks[96] = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E,
    0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E,
    0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5,
    0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800,
    0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400,
    0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};

constexpr int kBuiltinWidth = 128;
constexpr int kBuiltinHeight = 64;
constexpr uint32_t kGlyphWhite = 0xFFFFFFFFu;
constexpr uint32_t kGlyphOutline = 0xFF080808u;

// Whether pixel (row a, column b) of a built-in glyph is inked.
bool BuiltinInk(uint32_t mask, int a, int b) {
  return a >= 1 && a <= 6 && b >= 1 && b <= 5 && ((mask >> (5 * a + b - 6)) & 1u) != 0;
}

}  // namespace

FontLayout FontLayoutOf(int imageWidth, int imageHeight) {
  FontLayout l;
  const bool tall = imageWidth < imageHeight;
  l.characters = tall ? 256 : 128;
  l.rows = tall ? 16 : 8;
  l.cellWidth = imageWidth >> 4;
  l.cellHeight = tall ? imageHeight >> 4 : imageHeight >> 3;
  return l;
}

bool DecodeFontImage(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out, int64_t maxPixels) {
  return ReadBmp(data, colorKey, out, maxPixels) || ReadPng(data, colorKey, name, out, maxPixels);
}

bool MeasureFontGlyphs(const PixelImage& image, int textureWidth, FontGlyph glyphs[kFontGlyphs]) {
  if (image.Empty() || textureWidth <= 0) return false;
  const FontLayout l = FontLayoutOf(image.width, image.height);
  const int W = l.cellWidth, H = l.cellHeight;
  // A cell must hold a pixel, and its width must fit the 8-bit advance.
  if (W < 1 || H < 1 || W > 255) return false;
  const float T = static_cast<float>(textureWidth);

  FontGlyph measured[kFontGlyphs];
  // inked[x]: column x of the image row band has a pixel with alpha.
  std::vector<uint8_t> inked(static_cast<size_t>(W) * 16);
  for (int cy = 0; cy < l.characters / 16; ++cy) {
    std::fill(inked.begin(), inked.end(), 0);
    for (int y = cy * H; y < (cy + 1) * H; ++y) {
      const uint8_t* row = image.Row(y);
      for (int x = 0; x < 16 * W; ++x) inked[x] |= row[4 * x + 3] != 0;
    }
    for (int cx = 0; cx < 16; ++cx) {
      const uint8_t* cell = &inked[static_cast<size_t>(cx) * W];
      int left = 0;
      while (left < W && !cell[left]) ++left;
      int w;
      if (left == W) {
        left = 0;
        w = W;
      } else {
        int last = W - 1;
        while (!cell[last]) --last;
        w = last - left + 1;
        // One column of spacing, unless the ink already reaches the edge.
        if (left + w < W) ++w;
      }
      FontGlyph& g = measured[cy * 16 + cx];
      g.left = static_cast<uint8_t>(left);
      g.width = static_cast<uint8_t>(w);
      g.u0 = static_cast<float>(cx * W + left) / T;
      g.u1 = static_cast<float>(cx * W + left + w) / T;
    }
  }
  // The space of a proportional font is as wide as "j", drawn from the
  // start of the image (cell 0 is blank in every font that matters).
  FontGlyph& space = measured[32];
  space.width = measured[106].width;
  space.u0 = 0;
  space.u1 = static_cast<float>(measured[106].width) / T;
  if (l.characters == 128) std::copy(measured, measured + 128, measured + 128);
  std::copy(measured, measured + kFontGlyphs, glyphs);
  return true;
}

void BuildBuiltinFontImage(PixelImage& image) {
  image.Resize(kBuiltinWidth, kBuiltinHeight);
  for (int c = 32; c < 128; ++c) {
    const uint32_t mask = kBuiltinMasks[c - 32];
    const int x0 = (c % 16) * 8, y0 = (c / 16) * 8;
    for (int a = 0; a < 8; ++a) {
      for (int b = 0; b < 7; ++b) {
        if (BuiltinInk(mask, a, b)) {
          image.SetPixel(x0 + b, y0 + a, kGlyphWhite);
        } else if (BuiltinInk(mask, a, b - 1) || BuiltinInk(mask, a, b + 1) || BuiltinInk(mask, a - 1, b) ||
                   BuiltinInk(mask, a + 1, b)) {
          image.SetPixel(x0 + b, y0 + a, kGlyphOutline);
        }
      }
    }
  }
}

void BuiltinFontGlyphs(FontGlyph glyphs[kFontGlyphs]) {
  for (int c = 0; c < kFontGlyphs; ++c) {
    FontGlyph& g = glyphs[c];
    g.left = 0;
    g.width = 8;
    g.u0 = static_cast<float>((c % 16) * 8) / kBuiltinWidth;
    g.u1 = g.u0 + 8.0f / kBuiltinWidth;
  }
}

// ---- The device's font table -------------------------------------------------------

void FontTable::SetGlyphs(int font, const FontGlyph glyphs[kFontGlyphs]) {
  std::copy(glyphs, glyphs + kFontGlyphs, glyphs_[font]);
}

void FontTable::SetBuiltinGlyphs(int font) { BuiltinFontGlyphs(glyphs_[font]); }

bool OpenGLVexel::IsUsedFont(int font) const {
  return IsFont(font) && sprites_[kFirstFontSprite + font].imageWidth >= 16;
}

void OpenGLVexel::InstallBuiltinFont(int font) {
  if (!IsFont(font)) return;
  PixelImage image;
  BuildBuiltinFontImage(image);
  SpriteFromImage(kFirstFontSprite + font, image, false);
  fonts_.SetBuiltinGlyphs(font);
}

bool OpenGLVexel::LoadFont(int font, const RtString& path) {
  if (!IsFont(font)) return false;
  const int slot = kFirstFontSprite + font;
  std::vector<uint8_t> bytes;
  PixelImage image;
  FontGlyph glyphs[kFontGlyphs];
  // A font larger than a texture would be cut and its metrics would no
  // longer match what is drawn: such an image is refused.
  const int m = MaxTextureSize();
  bool ok = false;
  try {
    ok = !path.Empty() && ReadAssetBytes(path, bytes) &&
         DecodeFontImage(bytes, static_cast<int32_t>(fonts_.KeyColor()), path.CStr(), image) &&
         image.width <= m && image.height <= m && MeasureFontGlyphs(image, TextureSide(image.width), glyphs);
  } catch (const std::bad_alloc&) {
    LogAllocationFailure(path.CStr());
  }
  if (!ok) {
    FreeSprite(slot);
    return false;
  }
  fonts_.SetGlyphs(font, glyphs);
  return SpriteFromImage(slot, image, false);
}

bool OpenGLVexel::GetFontCellSize(int font, int& width, int& height) const {
  width = height = 0;
  if (!IsFont(font)) return false;
  const SpriteSlot& s = sprites_[kFirstFontSprite + font];
  const FontLayout l = FontLayoutOf(s.imageWidth, s.imageHeight);
  width = l.cellWidth;
  height = l.cellHeight;
  return true;
}

int OpenGLVexel::FindFreeFont() const {
  for (int f = kFonts - 1; f >= 0; --f)
    if ((sprites_[kFirstFontSprite + f].imageWidth >> 4) == 0) return f;
  return -1;
}

}  // namespace orv
