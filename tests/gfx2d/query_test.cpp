// What the device reports back to the game: viewport, orientation, sprite
// sizes and the colour key, each checked against what it governs.
#include <gtest/gtest.h>

#include "gl_fixture.h"
#include "orvane/gfx2d.h"

namespace {

using gltest::GlDevice;

class DeviceQueries : public GlDevice {};

TEST_F(DeviceQueries, ViewportReportsTheDrawingAreaThatClipsDrawing) {
  double x = -1, y = -1, w = -1, h = -1;
  GetViewport(x, y, w, h);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);

  SetViewport(10, 20, 30, 16);
  GetViewport(x, y, w, h);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 16);
  // The area reported is the area drawing lands in: a full-screen rectangle
  // fills exactly those 30 x 16 pixels.
  DrawRect(0, 0, 64, 48, 0x00FF00);
  EXPECT_EQ(Count(0x00FF00), 30 * 16);
  EXPECT_EQ(Count(0x00FF00, 10, 20, 40, 36), 30 * 16);

  // A width or height of 0 or less means the whole screen again.
  SetViewport(5, 5, 0, 10);
  GetViewport(x, y, w, h);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
}

TEST_F(DeviceQueries, OrientationIsClampedAndTurnsTheScreen) {
  EXPECT_EQ(GetOrientation(), 0);
  SetOrientation(7);
  EXPECT_EQ(GetOrientation(), 3);
  SetOrientation(-2);
  EXPECT_EQ(GetOrientation(), 0);

  // Half a turn: the logical top-left pixel is the physical bottom-right one.
  SetOrientation(2);
  EXPECT_EQ(GetOrientation(), 2);
  SetPixel(0, 0, 0x0000FF);
  EXPECT_EQ(Pixel(63, 47), 0x0000FFu);
  EXPECT_EQ(Pixel(0, 0), 0u);
  SetOrientation(0);
}

TEST_F(DeviceQueries, SpriteSizeAsNumbersAndIntegers) {
  MakeSprite(12, 5, 3, [](int, int) { return 0xFF0000FFu; });
  double w = -1, h = -1;
  GetSpriteSize(12, w, h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 3);
  int32_t iw = -1, ih = -1;
  GetSpriteSize(12, iw, ih);
  EXPECT_EQ(iw, 5);
  EXPECT_EQ(ih, 3);

  // Free, freed and impossible slots read as 0 x 0.
  for (double slot : {13.0, -1.0, 70000.0}) {
    GetSpriteSize(slot, w, h);
    EXPECT_EQ(w, 0) << slot;
    EXPECT_EQ(h, 0) << slot;
  }
  FreeSprite(12);
  GetSpriteSize(12, iw, ih);
  EXPECT_EQ(iw, 0);
  EXPECT_EQ(ih, 0);
}

// A 2 x 1 24-bit BMP: the left pixel 0x00BBGGRR `left`, the right `right`.
std::string TwoPixelBmp(uint32_t left, uint32_t right) {
  std::vector<uint8_t> row = {static_cast<uint8_t>(left >> 16), static_cast<uint8_t>(left >> 8),
                              static_cast<uint8_t>(left), static_cast<uint8_t>(right >> 16),
                              static_cast<uint8_t>(right >> 8), static_cast<uint8_t>(right), 0, 0};
  std::vector<uint8_t> bmp = imgtest::MakeBmp(2, 1, 24, {row});
  std::string path = orvtest::PrivateDir() + "/two.bmp";
  orvtest::WriteFile(path, std::string(bmp.begin(), bmp.end()));
  return path;
}

TEST_F(DeviceQueries, TransparentColorReportsTheKeyLoadingUses) {
  const std::string path = TwoPixelBmp(0x8000FF, 0x00FF00);
  RtArray<int32_t> pixels;
  double w = 0, h = 0;

  // Magenta-ish 0x8000FF is the key until the game picks another.
  EXPECT_EQ(GetTransparentColor(), 0x8000FF);
  ASSERT_EQ(ImageToArray(path.c_str(), pixels, w, h), 1);
  ASSERT_EQ(w, 2);
  EXPECT_EQ(static_cast<uint32_t>(pixels[0]) >> 24, 0u);
  EXPECT_EQ(static_cast<uint32_t>(pixels[1]), 0xFF00FF00u);

  SetTransparentColor(0x00FF00);
  EXPECT_EQ(GetTransparentColor(), 0x00FF00);
  ASSERT_EQ(ImageToArray(path.c_str(), pixels, w, h), 1);
  EXPECT_EQ(static_cast<uint32_t>(pixels[0]), 0xFF8000FFu);
  EXPECT_EQ(static_cast<uint32_t>(pixels[1]) >> 24, 0u);
}

}  // namespace
