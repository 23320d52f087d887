// Bitmap fonts on a real GL context: the built-in font's pixels, font image
// layouts, proportional metrics, printing positions and the load command's
// failures. Pixels are read back from the window.
#include <cstring>

#include "gfx2d/font.h"
#include "gl_fixture.h"
#include "orvane/gfx2d.h"
#include "orvane/runtime.h"

namespace {

using gltest::GlDevice;
using orv::PixelImage;

struct Fonts : GlDevice {
  static constexpr uint32_t kBackdrop = 0x402000;  // what shows through transparent texels

  void SetUp() override {
    GlDevice::SetUp();
    d->SetClearColor(kBackdrop);
    NextFrame();
    orv::Rt().currentFont = 0;
  }

  std::string Path(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }

  // A font image written as `name`: white ink on black (the font key) or,
  // as PNG, on transparent pixels. ink(c, x, y) tells which pixels of
  // character c's cell are white.
  void WriteFont(const std::string& name, int w, int h, const std::function<bool(int, int, int)>& ink) {
    const orv::FontLayout l = orv::FontLayoutOf(w, h);
    const uint32_t paper = name.ends_with(".png") ? 0 : 0xFF000000u;
    PixelImage img;
    imgtest::Fill(img, w, h, [&](int x, int y) {
      if (l.cellWidth == 0 || l.cellHeight == 0) return paper;
      const int c = (y / l.cellHeight) * 16 + x / l.cellWidth;
      return ink(c, x % l.cellWidth, y % l.cellHeight) ? 0xFFFFFFFFu : paper;
    });
    std::vector<uint8_t> bytes;
    if (name.ends_with(".png")) {
      ASSERT_TRUE(orv::EncodePng(img, bytes));
    } else if (name.ends_with(".jpg")) {
      ASSERT_TRUE(orv::EncodeJpeg(img, bytes));
    } else {
      ASSERT_TRUE(orv::EncodeBmp(img, bytes));
    }
    orvtest::WriteFile(Path(name), std::string(bytes.begin(), bytes.end()));
  }

  // The window's pixels in a rectangle as text: '#' white, 'o' the outline
  // grey, '.' the backdrop, '?' anything else.
  std::vector<std::string> Picture(int x0, int y0, int w, int h) {
    std::vector<std::string> rows;
    for (int y = y0; y < y0 + h; ++y) {
      std::string row;
      for (int x = x0; x < x0 + w; ++x) {
        const uint32_t p = Pixel(x, y);
        row += p == 0xFFFFFF ? '#' : p == 0x080808 ? 'o' : p == kBackdrop ? '.' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }
};

TEST_F(Fonts, BuiltinGlyphsAreTheirMasksInWhiteWithAGreyOutline) {
  d->InstallBuiltinFont(0);
  const orv::SpriteSlot& s = d->Sprite(orv::kFirstFontSprite);
  EXPECT_EQ(s.textureWidth, 128);
  EXPECT_EQ(s.textureHeight, 64);
  EXPECT_EQ(s.imageWidth, 128);
  EXPECT_FLOAT_EQ(s.uMax, 1.0f);
  EXPECT_FLOAT_EQ(s.vMax, 1.0f);
  EXPECT_EQ(d->Fonts().Glyphs(0)[200].width, 8);
  EXPECT_FLOAT_EQ(d->Fonts().Glyphs(0)[65].u0, 1 * 8 / 128.0f);

  PrintText("Aj", 10, 10, 0);
  const std::vector<std::string> expected = {
      "..ooo......o....",  //
      ".o###o....o#o...",  //
      ".o#o#o.....o....",  //
      ".o###o....o#o...",  //
      ".o#o#o....o#o...",  //
      ".o#o#o....o#o...",  //
      "..o.o....o#o....",  //
      "..........o.....",  //
  };
  EXPECT_EQ(Picture(10, 10, 16, 8), expected);
  // Nothing outside the two cells.
  EXPECT_EQ(Count(kBackdrop), kWidth * kHeight - Count(0xFFFFFF) - Count(0x080808));
  EXPECT_EQ(Box(0x080808), (std::array<int, 4>{11, 10, 22, 17}));
}

TEST_F(Fonts, ImageShapeDecidesCharacterCountAndCellSize) {
  WriteFont("wide.bmp", 256, 128, [](int, int, int) { return false; });
  WriteFont("tall.png", 128, 256, [](int, int, int) { return false; });
  ASSERT_EQ(LoadFont(3, Path("wide.bmp").c_str()), 1);
  EXPECT_EQ(GetCurrentFont(), 3);
  double w = 0, h = 0;
  GetFontCellSize(3, w, h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 16);
  ASSERT_EQ(LoadFont(4, Path("tall.png").c_str()), 1);
  int32_t iw = 0, ih = 0;
  GetFontCellSize(4, iw, ih);
  EXPECT_EQ(iw, 8);
  EXPECT_EQ(ih, 16);
  // Font slots are free from 31 down until used.
  EXPECT_EQ(FindFreeFont(), 31);
  ASSERT_EQ(LoadFont(31, Path("tall.png").c_str()), 1);
  EXPECT_EQ(FindFreeFont(), 30);
  LoadFont(31, "");
  EXPECT_EQ(FindFreeFont(), 31);
}

// A 256 x 128 font (cells 16 x 16): "A" inked in columns 3..7, "B" in
// 10..15 (to the cell's edge), "C" empty, "j" in columns 2..5.
bool TestInk(int c, int x, int y) {
  if (y < 2 || y > 12) return false;
  switch (c) {
    case 'A': return x >= 3 && x <= 7;
    case 'B': return x >= 10;
    case 'j': return x >= 2 && x <= 5;
    default: return false;
  }
}

TEST_F(Fonts, ProportionalWidthsFollowTheInk) {
  WriteFont("metrics.bmp", 256, 128, TestInk);
  ASSERT_EQ(LoadFont(2, Path("metrics.bmp").c_str()), 1);
  const orv::FontGlyph* g = d->Fonts().Glyphs(2);
  EXPECT_EQ(g['A'].left, 3);
  EXPECT_EQ(g['A'].width, 6);   // five inked columns and one of spacing
  EXPECT_EQ(g['B'].left, 10);
  EXPECT_EQ(g['B'].width, 6);   // the ink reaches the edge: no spacing column
  EXPECT_EQ(g['C'].width, 16);  // an empty cell advances a whole cell
  EXPECT_EQ(g[' '].width, 5);   // as wide as "j"
  EXPECT_FLOAT_EQ(g[' '].u0, 0);
  EXPECT_FLOAT_EQ(g[' '].u1, 5 / 256.0f);
  EXPECT_FLOAT_EQ(g['A'].u0, (1 * 16 + 3) / 256.0f);
  EXPECT_FLOAT_EQ(g['A'].u1, (1 * 16 + 3 + 6) / 256.0f);
  EXPECT_EQ(g['A' + 128].width, 6);  // 128-character fonts repeat their glyphs

  EXPECT_EQ(TextWidth("AB C", 1), 6 + 6 + 5 + 16);
  EXPECT_EQ(TextWidth("AB C", 0), 4 * 16);
  EXPECT_EQ(TextWidth("", 1), 0);
  EXPECT_EQ(TextWidth("", 0), 0);
  EXPECT_EQ(TextWidth(RtString("AB\0C", 4), 0), 2 * 16);  // a plain string ends at its zero byte
}

TEST_F(Fonts, PrintingStartsOnTheNextWholePixelAndStopsAtCodeZero) {
  WriteFont("metrics.png", 256, 128, TestInk);
  ASSERT_EQ(LoadFont(2, Path("metrics.png").c_str()), 1);
  PrintText("AB", 10.2, 4.5, 1);
  // "A" from x = 11 (its first inked column), "B" right after its advance of 6;
  // rows 2..12 of the cells start at y = 5 + 2.
  EXPECT_EQ(Box(0xFFFFFF), (std::array<int, 4>{11, 7, 11 + 6 + 5, 17}));
  EXPECT_EQ(Count(0xFFFFFF), (5 + 6) * 11);

  NextFrame();
  // Monospaced: every character advances a cell and draws all of it.
  PrintText("BA", 0, 0, 0);
  EXPECT_EQ(Box(0xFFFFFF), (std::array<int, 4>{10, 2, 16 + 7, 12}));

  NextFrame();
  PrintText(RtString("A\0B", 3), 0, 0, 0);
  EXPECT_EQ(Box(0xFFFFFF), (std::array<int, 4>{3, 2, 7, 12}));
  // In a 128-character font code 128 is code 0 again.
  NextFrame();
  PrintText("A\x80" "B", 0, 0, 0);
  EXPECT_EQ(Count(0xFFFFFF), 5 * 11);
}

TEST_F(Fonts, FailedLoadsLeaveTheBuiltinFont) {
  WriteFont("font.jpg", 256, 128, TestInk);
  WriteFont("narrow.bmp", 15, 64, TestInk);
  d->InstallBuiltinFont(0);
  SetCurrentFont(0);

  EXPECT_EQ(LoadFont(5, Path("font.jpg").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(GetCurrentFont(), 5);
  double w = 0, h = 0;
  GetFontCellSize(5, w, h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);

  // Too narrow for a cell of one pixel: refused rather than divided by zero.
  EXPECT_EQ(LoadFont(6, Path("narrow.bmp").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 3);
  GetFontCellSize(6, w, h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(TextWidth("ab", 1), 16);

  EXPECT_EQ(LoadFont(32, Path("font.jpg").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 7);
  EXPECT_EQ(GetCurrentFont(), 6);
  SetCurrentFont(-1);
  EXPECT_EQ(ErrorCode(), 7);
  EXPECT_EQ(GetCurrentFont(), 6);

  // An empty name only empties the slot: no error, the current font stays.
  EXPECT_EQ(LoadFont(5, ""), 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(GetCurrentFont(), 6);
  EXPECT_EQ(d->Sprite(orv::kFirstFontSprite + 5).imageWidth, 0);
  SetCurrentFont(5);
  EXPECT_EQ(TextWidth("ab", 1), 0);
  PrintText("ab", 0, 0, 0);
  EXPECT_EQ(Count(kBackdrop), kWidth * kHeight);
}

TEST(FontMetrics, MeasuringRefusesImagesWithoutCells) {
  PixelImage img;
  orv::FontGlyph glyphs[orv::kFontGlyphs];
  imgtest::Fill(img, 16, 7, [](int, int) { return 0xFFFFFFFFu; });  // cells 1 x 0
  EXPECT_FALSE(orv::MeasureFontGlyphs(img, 16, glyphs));
  imgtest::Fill(img, 16 * 256, 8, [](int, int) { return 0xFFFFFFFFu; });  // wider than an advance records
  EXPECT_FALSE(orv::MeasureFontGlyphs(img, 4096, glyphs));
  imgtest::Fill(img, 16, 16, [](int, int) { return 0xFFFFFFFFu; });
  ASSERT_TRUE(orv::MeasureFontGlyphs(img, 16, glyphs));
  EXPECT_EQ(glyphs[255].width, 1);
}

}  // namespace
