// BMP files built to break the reader: run-length positions driven past any
// bound by the file, and 32-bit pixels whose long header declares alpha.
#include <gtest/gtest.h>

#include "image_test_util.h"

namespace {

using imgtest::Put16;
using imgtest::Put32;

// An 8-bit run-length BMP of width x 1 with palette {black, red} and the
// given run-length stream.
std::vector<uint8_t> Rle8(int width, const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> b = imgtest::MakeBmp(width, 1, 8, {stream}, {0x000000, 0xFF0000});
  Put32(b, 30, 1);  // compression: 8-bit runs
  return b;
}

TEST(BmpRunLength, DeltasCannotCarryThePositionPastTheRow) {
  orv::PixelImage img;
  // A delta inside the row moves the next run.
  ASSERT_TRUE(orv::ReadBmp(Rle8(4, {0, 2, 2, 0, 1, 1, 0, 1}), orv::kNoColorKey, img));
  EXPECT_EQ(img.Pixel(1, 0), 0xFF000000u);
  EXPECT_EQ(img.Pixel(2, 0), 0xFF0000FFu);

  // 2^31 + 2 columns of deltas: a position kept in an int without a bound
  // wraps to a negative column, and the next run writes outside the image.
  std::vector<uint8_t> stream;
  const uint64_t total = (uint64_t{1} << 31) + 2;
  stream.reserve(total / 255 * 4 + 16);
  for (uint64_t moved = 0; moved < total;) {
    const uint8_t step = static_cast<uint8_t>(std::min<uint64_t>(255, total - moved));
    stream.insert(stream.end(), {0, 2, step, 0});
    moved += step;
  }
  stream.insert(stream.end(), {1, 1, 0, 3, 1, 1, 1, 0, 0, 1});  // a run, an absolute run, end
  ASSERT_TRUE(orv::ReadBmp(Rle8(4, stream), orv::kNoColorKey, img));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.Pixel(x, 0), 0xFF000000u) << x;

  // Long absolute runs past the row's end stop at its edge too.
  std::vector<uint8_t> absolute;
  for (int i = 0; i < 40000; ++i) {
    absolute.insert(absolute.end(), {0, 254});
    absolute.insert(absolute.end(), 254, 0);
  }
  absolute.insert(absolute.end(), {0, 1});
  ASSERT_TRUE(orv::ReadBmp(Rle8(4, absolute), orv::kNoColorKey, img));
  EXPECT_EQ(img.width, 4);
}

// A 32-bit bit-field BMP with a 124-byte header; pixels are 0xAARRGGBB.
std::vector<uint8_t> V5(const std::vector<uint32_t>& pixels, uint32_t alphaMask) {
  const size_t offset = 14 + 124;
  std::vector<uint8_t> b(offset + 4 * pixels.size(), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, 124);
  Put32(b, 18, static_cast<uint32_t>(pixels.size()));
  Put32(b, 22, 1);
  Put16(b, 26, 1);
  Put16(b, 28, 32);
  Put32(b, 30, 3);
  Put32(b, 54, 0x00FF0000);
  Put32(b, 58, 0x0000FF00);
  Put32(b, 62, 0x000000FF);
  Put32(b, 66, alphaMask);
  for (size_t i = 0; i < pixels.size(); ++i) Put32(b, offset + 4 * i, pixels[i]);
  return b;
}

TEST(BmpAlphaMask, DeclaredAlphaIsKeptUnlessEveryAlphaIsZero) {
  constexpr int32_t kKey = 0x8000FF;  // red 255, blue 128
  orv::PixelImage img;
  // Translucent, invisible, and the key colour with full alpha: not keyed.
  ASSERT_TRUE(orv::ReadBmp(V5({0x80102030, 0x00405060, 0xFFFF0080}, 0xFF000000), kKey, img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0x80302010u);
  EXPECT_EQ(img.Pixel(1, 0), 0x00605040u);
  EXPECT_EQ(img.Pixel(2, 0), 0xFF8000FFu);

  // A declared mask with nothing in it: an opaque image, keyed as usual.
  ASSERT_TRUE(orv::ReadBmp(V5({0x00102030, 0x00FF0080}, 0xFF000000), kKey, img));
  EXPECT_FALSE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0xFF302010u);
  EXPECT_EQ(img.Pixel(1, 0), 0u);

  // No alpha mask: the fourth byte means nothing.
  ASSERT_TRUE(orv::ReadBmp(V5({0x80102030}, 0), orv::kNoColorKey, img));
  EXPECT_FALSE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0xFF302010u);

  // Plain 40-byte header, 32 bits: the fourth byte is ignored as well.
  ASSERT_TRUE(orv::ReadBmp(imgtest::MakeBmp(1, 1, 32, {{0x30, 0x20, 0x10, 0x80}}), orv::kNoColorKey, img));
  EXPECT_FALSE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0xFF302010u);
}

}  // namespace
