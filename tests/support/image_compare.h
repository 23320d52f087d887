// Comparing pictures with a named tolerance. On a mismatch the actual and the
// expected picture are written as PNG files beside the build, and the failure
// message says where, how many pixels differ and where the first one is.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvtest {

// Pixels top row first, 0xAABBGGRR (red in the low byte, as the game sees colours).
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // A picture whose pixel (x, y) is f(x, y).
  static Picture Make(int width, int height, const std::function<uint32_t(int, int)>& f);
  // A picture of one colour.
  static Picture Filled(int width, int height, uint32_t colour) {
    return Make(width, height, [colour](int, int) { return colour; });
  }
};

// How far a picture may be from the expected one, and why: every comparison
// names the reason it is not exact.
struct Tolerance {
  const char* name;
  int channel;      // largest difference allowed in a colour channel
  int strayPixels;  // pixels allowed to differ by more (edge pixels rasterised either way)
  bool alpha;       // the alpha channel is compared too
};

inline constexpr Tolerance kExact{"exact", 0, 0, false};
inline constexpr Tolerance kExactWithAlpha{"exact with alpha", 0, 0, true};
// 8-bit blending and texture filtering round a half either way.
inline constexpr Tolerance kBlendRounding{"blend rounding", 1, 0, false};
// Bilinear filtering between texels: the weights are quantised by the GL.
inline constexpr Tolerance kFiltering{"filtering", 4, 0, false};
// A colour blended at alpha 128/255 (the GL's nearest to a half) against an
// exact half of it.
inline constexpr Tolerance kHalfAlpha{"half alpha", 2, 0, false};
// Fog factors the GL works out per vertex or per fragment in its own
// precision, blended in 8 bits.
inline constexpr Tolerance kFogBlend{"fog blend", 3, 0, false};
// Lighting the GL works out per vertex in its own precision, against the
// colour computed in floats from the light and the normal.
inline constexpr Tolerance kVertexLighting{"vertex lighting", 6, 0, false};

// Success when every pixel is within the tolerance. `label` names the
// written files, together with the running test's name.
testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected, const Tolerance& tolerance,
                                     const std::string& label = "picture");

}  // namespace orvtest
