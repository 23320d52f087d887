// Pixel-exact sprite collision: the alpha mask kept per sprite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// Which pixels of a sprite's image are solid (alpha not 0), read back from
// its texture once and kept until the texture changes. One bit per pixel,
// image rows top-down, bit x % 64 of word x / 64; every row ends with one
// spare zero word, so a 64-bit window may start anywhere inside the row.
struct AlphaMask {
  int width = 0;          // image size in pixels
  int height = 0;
  int wordsPerRow = 0;
  std::vector<uint64_t> bits;

  // Builds the mask of a width x height image from the alpha bytes of its
  // texture (textureWidth bytes per row, bottom row first, as GL returns them).
  void FromTextureAlpha(const uint8_t* alpha, int textureWidth, int width, int height);
  // 64 pixels of image row y from column x on (x inside the row); bits past
  // the row's end are 0.
  const uint64_t* Row(int y) const { return &bits[static_cast<size_t>(y) * wordsPerRow]; }
  static uint64_t Window(const uint64_t* row, int x) {
    const int word = x >> 6, shift = x & 63;
    uint64_t v = row[word] >> shift;
    if (shift) v |= row[word + 1] << (64 - shift);
    return v;
  }
  bool Solid(int x, int y) const { return (Window(Row(y), x) & 1u) != 0; }
};

}  // namespace orv
