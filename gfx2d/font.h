// Bitmap fonts: per-character metrics of the 32 font slots.
#pragma once

#include <cstdint>

namespace orv {

constexpr int kFonts = 32;

struct FontGlyph {
  uint8_t left = 0;   // first inked column of the character within its cell
  uint8_t width = 0;  // advance in pixels for proportional printing
  float u0 = 0;       // texture u of the drawn area's left edge
  float u1 = 0;       // texture u of the drawn area's right edge
};

}  // namespace orv
