// Image readers, load treatments and writers, on hand-made files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <filesystem>

#include "gl/texture.h"
#include "image_test_util.h"

namespace {

using orv::PixelImage;
using namespace imgtest;

constexpr int32_t kKey = 0x8000FF;  // red 255, green 0, blue 128

std::vector<uint8_t> Row(std::initializer_list<int> bytes) {
  std::vector<uint8_t> r;
  for (int b : bytes) r.push_back(static_cast<uint8_t>(b));
  return r;
}

TEST(BmpReader, TwentyFourBitRowsArePaddedToFourBytes) {
  // 5 pixels of 3 bytes = 15 bytes, padded to a 16-byte stride.
  std::vector<std::vector<uint8_t>> rows(2, std::vector<uint8_t>(16, 0));
  for (int x = 0; x < 5; ++x) {
    rows[0][3 * x] = static_cast<uint8_t>(x);       // blue of the bottom row
    rows[1][3 * x + 2] = static_cast<uint8_t>(10 + x);  // red of the top row
  }
  auto file = MakeBmp(5, 2, 24, rows);
  ASSERT_EQ(file.size(), 54u + 32u);
  PixelImage img;
  ASSERT_TRUE(orv::ReadBmp(file, orv::kNoColorKey, img));
  EXPECT_FALSE(img.hasAlpha);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(img.Pixel(x, 0), 0xFF000000u | (10u + x)) << x;       // top row from the file's last row
    EXPECT_EQ(img.Pixel(x, 1), 0xFF000000u | uint32_t(x) << 16) << x;
  }
  // The last row may lack its padding; anything shorter is refused.
  file.resize(file.size() - 1);
  EXPECT_TRUE(orv::ReadBmp(file, orv::kNoColorKey, img));
  file.resize(file.size() - 1);
  EXPECT_FALSE(orv::ReadBmp(file, orv::kNoColorKey, img));
  EXPECT_TRUE(img.Empty());
}

TEST(BmpReader, OneBitRowsOf33PixelsTakeEightBytesLeftmostPixelInBitSeven) {
  std::vector<std::vector<uint8_t>> rows(1, std::vector<uint8_t>(8, 0));
  rows[0][0] = 0x80;  // pixel 0
  rows[0][4] = 0x80;  // pixel 32
  rows[0][1] = 0x01;  // pixel 15
  auto file = MakeBmp(33, 1, 1, rows, {0x000000, 0xFFFFFF});
  PixelImage img;
  ASSERT_TRUE(orv::ReadBmp(file, orv::kNoColorKey, img));
  ASSERT_EQ(img.width, 33);
  for (int x = 0; x < 33; ++x) {
    bool white = x == 0 || x == 15 || x == 32;
    EXPECT_EQ(img.Pixel(x, 0), white ? 0xFFFFFFFFu : 0xFF000000u) << x;
  }
}

TEST(BmpReader, NegativeHeightMeansTopDownRows) {
  std::vector<std::vector<uint8_t>> rows = {Row({1, 0, 0, 0}), Row({2, 0, 0, 0})};  // 8-bit, first file row = top
  auto up = MakeBmp(1, 2, 8, rows, {0x000010, 0x000020, 0x000030});
  auto down = up;
  Put32(down, 22, static_cast<uint32_t>(-2));
  PixelImage a, b;
  ASSERT_TRUE(orv::ReadBmp(up, orv::kNoColorKey, a));
  ASSERT_TRUE(orv::ReadBmp(down, orv::kNoColorKey, b));
  EXPECT_EQ(a.Pixel(0, 0), 0xFF300000u);  // bottom-up: the top row is the file's second row
  EXPECT_EQ(b.Pixel(0, 0), 0xFF200000u);
  EXPECT_EQ(b.height, 2);
}

TEST(BmpReader, PalettesSixteenBitAndThirtyTwoBitPixels) {
  // 4-bit, high nibble first; index 9 lies beyond the 3-entry palette: black.
  auto four = MakeBmp(3, 1, 4, {Row({0x12, 0x90, 0, 0})}, {0x0000FF, 0x00FF00, 0xFF0000});
  PixelImage img;
  ASSERT_TRUE(orv::ReadBmp(four, orv::kNoColorKey, img));
  EXPECT_EQ(img.Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(img.Pixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(img.Pixel(2, 0), 0xFF000000u);

  // 16-bit 5-5-5: red 31, green 16, blue 1 stretch to 255, 131 and 8
  // (scaled and truncated; repeating the top bits would give 132 for 16).
  uint16_t v = 31 << 10 | 16 << 5 | 1;
  auto sixteen = MakeBmp(1, 1, 16, {Row({v & 0xFF, v >> 8, 0, 0})});
  ASSERT_TRUE(orv::ReadBmp(sixteen, orv::kNoColorKey, img));
  EXPECT_EQ(img.Pixel(0, 0), 0xFF0883FFu);

  // 32-bit: the fourth byte is ignored, every pixel is opaque.
  auto thirtyTwo = MakeBmp(1, 1, 32, {Row({3, 2, 1, 0})});
  ASSERT_TRUE(orv::ReadBmp(thirtyTwo, orv::kNoColorKey, img));
  EXPECT_EQ(img.Pixel(0, 0), 0xFF030201u);
}

TEST(BmpReader, ColourKeyClearsAllFourBytes) {
  auto file = MakeBmp(2, 1, 24, {Row({128, 0, 255, 128, 0, 254, 0, 0})});
  PixelImage img;
  ASSERT_TRUE(orv::ReadBmp(file, kKey, img));
  EXPECT_EQ(img.Pixel(0, 0), 0u);
  EXPECT_EQ(img.Pixel(1, 0), 0xFF8000FEu);
  ASSERT_TRUE(orv::ReadBmp(file, orv::kNoColorKey, img));
  EXPECT_EQ(img.Pixel(0, 0), 0xFF8000FFu);
}

TEST(BmpReader, HeadersThatPromiseMoreThanTheFileHoldsFail) {
  const auto good = MakeBmp(2, 2, 24, {Row({1, 2, 3, 4, 5, 6, 0, 0}), Row({1, 2, 3, 4, 5, 6, 0, 0})});
  PixelImage img;
  ASSERT_TRUE(orv::ReadBmp(good, orv::kNoColorKey, img));
  auto with = [&](size_t at, uint32_t v, bool wide) {
    auto b = good;
    if (wide) Put32(b, at, v); else Put16(b, at, v);
    return b;
  };
  EXPECT_FALSE(orv::ReadBmp(with(14, 20, true), orv::kNoColorKey, img));           // unknown header size
  EXPECT_FALSE(orv::ReadBmp(with(28, 2, false), orv::kNoColorKey, img));           // 2 bits per pixel
  EXPECT_FALSE(orv::ReadBmp(with(18, 0, true), orv::kNoColorKey, img));            // no width
  EXPECT_FALSE(orv::ReadBmp(with(18, 0x7FFFFFFF, true), orv::kNoColorKey, img));   // absurd width
  EXPECT_FALSE(orv::ReadBmp(with(22, 30000, true), orv::kNoColorKey, img));        // rows not in the file
  EXPECT_FALSE(orv::ReadBmp(with(10, 1000, true), orv::kNoColorKey, img));         // pixels past the end
  EXPECT_FALSE(orv::ReadBmp(with(30, 4, true), orv::kNoColorKey, img));            // embedded JPEG
  EXPECT_FALSE(orv::ReadBmp(with(22, 0x80000000u, true), orv::kNoColorKey, img));  // height of INT_MIN
  for (size_t n = 0; n < good.size() - 8; ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_FALSE(orv::ReadBmp(cut, orv::kNoColorKey, img)) << n;
  }
  // A pixel limit refuses big images before allocating.
  EXPECT_FALSE(orv::ReadBmp(good, orv::kNoColorKey, img, 3));
}

// ---- PNG -----------------------------------------------------------------------

struct PngLayout {
  int width = 2, height = 1, colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
  std::vector<uint8_t> pixels;        // packed rows
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;     // palette alpha
};

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

std::vector<uint8_t> MakePng(const PngLayout& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trnsAlpha.empty())
    png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
  png_write_info(png, info);
  const size_t rowBytes = s.pixels.size() / s.height;
  for (int y = 0; y < s.height; ++y) png_write_row(png, s.pixels.data() + y * rowBytes);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngReader, PaletteWithTransparencyKeepsAlphaAndIgnoresTheKey) {
  PngLayout s;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{255, 0, 128}, {10, 20, 30}};
  s.trnsAlpha = {255, 0};
  s.pixels = {0, 1};
  PixelImage img;
  ASSERT_TRUE(orv::ReadPng(MakePng(s), kKey, "t.png", img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0xFF8000FFu);  // the key colour stays: images with alpha are never keyed
  EXPECT_EQ(img.Pixel(1, 0), 0x001E140Au);  // transparent, colour kept
}

TEST(PngReader, RgbIsKeyedGreyIsSpreadSixteenBitIsCut) {
  PngLayout rgb;
  rgb.pixels = {255, 0, 128, 1, 2, 3};
  PixelImage img;
  ASSERT_TRUE(orv::ReadPng(MakePng(rgb), kKey, "rgb.png", img));
  EXPECT_FALSE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0u);
  EXPECT_EQ(img.Pixel(1, 0), 0xFF030201u);

  PngLayout grey;
  grey.colorType = PNG_COLOR_TYPE_GRAY;
  grey.bitDepth = 2;
  grey.pixels = {0xC0};  // 3, 0
  ASSERT_TRUE(orv::ReadPng(MakePng(grey), kKey, "grey.png", img));
  EXPECT_EQ(img.Pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(img.Pixel(1, 0), 0xFF000000u);

  PngLayout deep;
  deep.width = 1;
  deep.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  deep.bitDepth = 16;
  deep.pixels = {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80, 0x80, 0x01};
  ASSERT_TRUE(orv::ReadPng(MakePng(deep), kKey, "deep.png", img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(img.Pixel(0, 0), 0x80563412u);
}

TEST(PngReader, GreyWithAlphaIsRefusedWithTwoLines) {
  PngLayout ga;
  ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.pixels = {1, 2, 3, 4};
  PixelImage img;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(orv::ReadPng(MakePng(ga), kKey, "ga.png", img));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "File ga.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");
}

TEST(PngReader, DamagedDataFailsCleanly) {
  PngLayout rgb;
  rgb.width = 16;
  rgb.height = 16;
  rgb.pixels.assign(16 * 16 * 3, 7);
  const auto good = MakePng(rgb);
  PixelImage img;
  ASSERT_TRUE(orv::ReadPng(good, kKey, "g.png", img));
  for (size_t n = 0; n < good.size(); n += 3) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_FALSE(orv::ReadPng(cut, kKey, "cut.png", img)) << n;
  }
  // A header claiming 30000 x 30000 pixels in a few bytes is refused before allocating.
  auto huge = good;
  Put32(huge, 16, 0x30750000);  // big-endian 30000
  Put32(huge, 20, 0x30750000);
  uint32_t crc = static_cast<uint32_t>(crc32(0, huge.data() + 12, 17));
  Put32(huge, 29, __builtin_bswap32(crc));
  EXPECT_FALSE(orv::ReadPng(huge, kKey, "huge.png", img));
}

// ---- JPEG and the reader order ------------------------------------------------------------

TEST(JpegReader, KeyColourStaysOpaqueAndColoursSurviveARoundTrip) {
  PixelImage src;
  Fill(src, 16, 16, [](int x, int) { return x < 8 ? 0xFF8000FFu : 0xFF00C000u; });
  std::vector<uint8_t> jpeg;
  ASSERT_TRUE(orv::EncodeJpeg(src, jpeg, 80));
  PixelImage img;
  ASSERT_TRUE(orv::DecodeImage(jpeg, kKey, "k.jpg", img));
  EXPECT_FALSE(img.hasAlpha);
  uint32_t p = img.Pixel(2, 2);
  EXPECT_EQ(p >> 24, 255u);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 255, 6);           // red stays red
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 128, 6);
  uint32_t q = img.Pixel(13, 13);
  EXPECT_NEAR(static_cast<int>((q >> 8) & 0xFF), 192, 6);
  EXPECT_LT(static_cast<int>(q & 0xFF), 12);

  for (size_t n = 0; n < jpeg.size(); n += 7) {
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
    orv::ReadJpeg(cut, img);  // libjpeg pads truncated data; only safety matters here
  }
  EXPECT_FALSE(orv::DecodeImage(Bytes("not an image at all"), kKey, "x", img));
}

// ---- Treatments ---------------------------------------------------------------------------------

TEST(EdgeTreatment, FillsFromQualifyingOpaqueNeighboursInPlace) {
  PixelImage img;
  Fill(img, 5, 5, [](int x, int y) { return 0xFF000700u | (10u * x + y); });
  img.SetPixel(0, 0, 0);
  img.SetPixel(1, 1, 0);
  img.SetPixel(2, 2, 0);
  orv::TreatEdges(img);
  // (0, 0) may only look at (1, 1), which is transparent: black.
  EXPECT_EQ(img.Pixel(0, 0), 0u);
  // (1, 1): row 0 and column 0 do not count; (2, 1) and (1, 2) do.
  EXPECT_EQ(img.Pixel(1, 1), uint32_t((21 + 12) / 2) | 7 << 8);
  // (2, 2): seven opaque neighbours; (1, 1) was filled but is still transparent.
  EXPECT_EQ(img.Pixel(2, 2), uint32_t((21 + 31 + 12 + 32 + 13 + 23 + 33) / 7) | 7 << 8);
  EXPECT_EQ(img.Pixel(4, 4), 0xFF000700u | 44);
}

TEST(NormalMap, FlatIsStraightUpAndSlopesTiltAway) {
  std::vector<uint8_t> flat(8 * 8 * 4, 0);
  for (size_t i = 0; i < flat.size(); i += 4) flat[i + 2] = 200, flat[i + 3] = 77;
  orv::ConvertToNormalMap(flat.data(), 8, 8);
  EXPECT_EQ(flat[0], 127);
  EXPECT_EQ(flat[1], 127);
  EXPECT_EQ(flat[2], 255);
  EXPECT_EQ(flat[3], 77);

  auto slope = [](bool toTheRight) {
    std::vector<uint8_t> c(8 * 8 * 4, 0);
    for (int row = 0; row < 8; ++row)
      for (int x = 0; x < 8; ++x) c[(row * 8 + x) * 4 + 2] = static_cast<uint8_t>(20 * (toTheRight ? x : row));
    orv::ConvertToNormalMap(c.data(), 8, 8);
    return c;
  };
  auto right = slope(true);  // rising to the right
  const size_t mid = (3 * 8 + 3) * 4;
  EXPECT_LT(right[mid], 127);
  EXPECT_EQ(right[mid + 1], 127);
  auto up = slope(false);  // rising with the canvas row, which is upwards in the picture
  EXPECT_EQ(up[mid], 127);
  EXPECT_LT(up[mid + 1], 127);
}

TEST(MipChain, SquaresByAveragingThenWeightsTowardsTheFirstTexel) {
  std::vector<uint8_t> canvas = {10, 0, 0, 0, 21, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0,
                                 50, 0, 0, 0, 61, 0, 0, 0, 70, 0, 0, 0, 80, 0, 0, 0};
  int w = 4, h = 2;
  orv::SquareCanvas(canvas, w, h);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  EXPECT_EQ(canvas[0], 15);  // (10 + 21) / 2
  EXPECT_EQ(canvas[4], 35);
  EXPECT_EQ(canvas[8], 55);

  // A 4 x 4 level (red channel) whose every texel used carries a different
  // value, and whose odd rows, which must not be sampled, are all 255.
  const uint8_t red[4][4] = {{90, 9, 60, 30}, {255, 255, 255, 255}, {52, 18, 120, 3}, {255, 255, 255, 255}};
  std::vector<uint8_t> level(4 * 4 * 4, 0), next(2 * 2 * 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) level[(y * 4 + x) * 4] = red[y][x];
  orv::NextMipLevel(level.data(), 4, next.data());
  EXPECT_EQ(next[0], 51);   // a 90, b 9, c 18, d 52: (360 + 18 + 36 + 52) / 9 = 51.8, truncated
  EXPECT_EQ(next[4], 80);   // last column: a 60, d 120: (120 + 120) / 3
  EXPECT_EQ(next[8], 40);   // last row: a 52, b 18: (104 + 18) / 3 = 40.7
  EXPECT_EQ(next[12], 120);  // corner: a alone
  for (int k : {1, 2, 3, 5, 13}) EXPECT_EQ(next[k], 0) << k;  // channels are filtered apart
}

// ---- PixelImage -------------------------------------------------------------------------------

TEST(PixelImage, TurnsCropsAndResizesItsCanvas) {
  PixelImage img;
  Fill(img, 3, 2, [](int x, int y) { return uint32_t(10 * y + x); });
  ASSERT_TRUE(img.RotateQuarter());  // clockwise: the left column, read upwards, becomes the top row
  ASSERT_EQ(img.width, 2);
  ASSERT_EQ(img.height, 3);
  EXPECT_EQ(img.Pixel(0, 0), 10u);
  EXPECT_EQ(img.Pixel(1, 0), 0u);
  EXPECT_EQ(img.Pixel(0, 2), 12u);
  img.FlipVertical();
  EXPECT_EQ(img.Pixel(0, 0), 12u);
  ASSERT_TRUE(img.ResizeCanvas(4, 4));
  EXPECT_EQ(img.Pixel(0, 0), 12u);
  EXPECT_EQ(img.Pixel(3, 3), 0u);
  img.CropInPlace(1, 2);
  EXPECT_EQ(img.width, 1);
  EXPECT_EQ(img.Pixel(0, 1), 11u);
  img.CropInPlace(50, 50);  // never grows
  EXPECT_EQ(img.width, 1);
  EXPECT_FALSE(img.Resize(-1, 4));
  EXPECT_FALSE(img.Resize(orv::kMaxImageSide + 1, 1));
}

// ---- Writers ---------------------------------------------------------------------------------------

TEST(SaveImage, FormatFollowsTheEndingAndFilesReloadAlike) {
  PixelImage img;
  Fill(img, 3, 2, [](int x, int y) { return x == 1 && y == 0 ? 0x80112233u : 0xFF000000u | (40u * x + y); });
  const std::string dir = orvtest::PrivateDir() + "/";
  ASSERT_TRUE(orv::SaveImage((dir + "a.PNG").c_str(), img));
  ASSERT_TRUE(orv::SaveImage((dir + "b.Jpg").c_str(), img));
  ASSERT_TRUE(orv::SaveImage((dir + "c.bmp").c_str(), img));
  ASSERT_TRUE(orv::SaveImage((dir + "d.jpeg").c_str(), img));  // only "...jpg" means JPEG
  EXPECT_EQ(orvtest::ReadFile(dir + "a.PNG").substr(1, 3), "PNG");
  EXPECT_EQ(orvtest::ReadFile(dir + "b.Jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(orvtest::ReadFile(dir + "c.bmp").substr(0, 2), "BM");
  EXPECT_EQ(orvtest::ReadFile(dir + "d.jpeg").substr(0, 2), "BM");
  EXPECT_EQ(orvtest::ReadFile(dir + "c.bmp").size(), 54u + 2 * 12);

  PixelImage png, bmp;
  ASSERT_TRUE(orv::ReadImage((dir + "a.PNG").c_str(), orv::kNoColorKey, png));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(png.Pixel(x, y), img.Pixel(x, y));
  // BMP has no alpha: the half-transparent pixel becomes the key colour.
  ASSERT_TRUE(orv::ReadImage((dir + "c.bmp").c_str(), orv::kNoColorKey, bmp));
  EXPECT_EQ(bmp.Pixel(1, 0), 0xFF8000FFu);
  EXPECT_EQ(bmp.Pixel(2, 1), 0xFF000051u);
  ASSERT_TRUE(orv::ReadImage((dir + "c.bmp").c_str(), kKey, bmp));
  EXPECT_EQ(bmp.Pixel(1, 0), 0u);

  // Nothing is left behind when the target cannot be written.
  EXPECT_FALSE(orv::SaveImage((dir + "missing/e.png").c_str(), img));
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 4);
}

}  // namespace
