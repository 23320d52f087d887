// Font images over arbitrary bytes: the BMP and PNG readers with the font
// key, then the glyph measuring that walks every cell.
#include <cstddef>
#include <cstdint>

#include "gfx2d/font.h"
#include "gl/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::PixelImage image;
  orv::FontGlyph glyphs[orv::kFontGlyphs];
  // A small pixel budget keeps each run fast.
  if (orv::DecodeFontImage(orv::ByteSpan(data, size), 0, "fuzz", image, int64_t{1} << 20))
    orv::MeasureFontGlyphs(image, orv::TextureSide(image.width), glyphs);
  return 0;
}
