// Bitmap fonts: per-character metrics of the 32 font slots, the layout of a
// font image, the built-in font and the measuring of loaded fonts.
//
// A font image is a grid of 16 equal cells per row, one cell per character
// code, counted from the top-left. Images wider than tall (or square) hold
// 128 characters in 8 rows, taller ones 256 characters in 16 rows.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx2d/image_codec.h"
#include "gl/pixel_image.h"

namespace orv {

constexpr int kFonts = 32;
constexpr int kFontGlyphs = 256;

struct FontGlyph {
  uint8_t left = 0;   // first inked column of the character within its cell
  uint8_t width = 0;  // advance in pixels for proportional printing
  float u0 = 0;       // texture u of the drawn area's left edge
  float u1 = 0;       // texture u of the drawn area's right edge
};

struct FontLayout {
  int characters = 0;  // 128 or 256
  int rows = 0;        // 8 or 16
  int cellWidth = 0;
  int cellHeight = 0;
};

// The layout of a font image of the given size (cells may be 0 wide or high
// for images too small to hold a grid).
FontLayout FontLayoutOf(int imageWidth, int imageHeight);

// Font images are read as BMP or PNG (never JPEG), keyed with `colorKey`
// and without edge treatment. False when neither reader accepts the bytes.
bool DecodeFontImage(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out,
                     int64_t maxPixels = kMaxImagePixels);

// Measures every character of a font image whose texture will be
// `textureWidth` texels wide: the inked columns of each cell give `left` and
// the proportional advance (plus one column of spacing unless the ink
// reaches the cell's right edge; an empty cell advances a whole cell), the
// space is as wide as "j", and a 128-character font repeats its glyphs for
// codes 128..255. False, with `glyphs` untouched, when the image cannot be
// a font: cells less than one pixel, or wider than an advance can record.
bool MeasureFontGlyphs(const PixelImage& image, int textureWidth, FontGlyph glyphs[kFontGlyphs]);

struct QuadVertex {
  float x, y, z, u, v;
};

// The metrics of the 32 fonts and what printing needs beside them. A font's
// image lives in the sprite store (slot 65,504 + font); this table keeps
// only what the image alone does not tell.
class FontTable {
 public:
  static bool IsFont(int font) { return font >= 0 && font < kFonts; }
  // The caller keeps the font inside 0..31.
  const FontGlyph* Glyphs(int font) const { return glyphs_[font]; }
  void SetGlyphs(int font, const FontGlyph glyphs[kFontGlyphs]);
  void SetBuiltinGlyphs(int font);
  // The colour key font images load with (0x00BBGGRR).
  uint32_t KeyColor() const { return keyColor_; }
  void SetKeyColor(uint32_t color) { keyColor_ = color; }
  // Reused from one printed text to the next, so printing does not allocate.
  std::vector<QuadVertex>& QuadScratch() { return quads_; }

 private:
  FontGlyph glyphs_[kFonts][kFontGlyphs];
  uint32_t keyColor_ = 0;
  std::vector<QuadVertex> quads_;
};

// The built-in 8 x 8 font: a 128 x 64 image with white glyphs outlined in
// (8, 8, 8) for the characters 32..127, everything else transparent black.
void BuildBuiltinFontImage(PixelImage& image);
// Its metrics: every character advances 8 pixels.
void BuiltinFontGlyphs(FontGlyph glyphs[kFontGlyphs]);

}  // namespace orv
