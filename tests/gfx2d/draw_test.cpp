// Sprite and primitive drawing on a real GL context: which pixels each
// operation covers and what colours land there.
#include "gl/gl_extensions.h"
#include "gl_fixture.h"
#include "orvane/gfx2d.h"

namespace {

using gltest::GlDevice;
using Drawing = GlDevice;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

TEST_F(Drawing, SpriteLandsOnExactlyItsPixels) {
  MakeSprite(1, 3, 2, [](int x, int y) { return 0xFF000000u | (y == 0 ? 0x10 : 0x20) | uint32_t(x + 1) << 8; });
  DrawSprite(1, 10, 5);
  // The sprite's 3 x 2 pixels with a one-pixel border of untouched screen.
  const orvtest::Picture want = orvtest::Picture::Make(5, 4, [](int x, int y) {
    const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
    return inside ? (y == 1 ? 0x10u : 0x20u) | uint32_t(x) << 8 : 0u;
  });
  EXPECT_TRUE(orvtest::SamePicture(Region(9, 4, 5, 4), want, orvtest::kExact));
  // Free and unknown slots draw nothing.
  DrawSprite(2, 20, 20);
  DrawSprite(70000, 20, 20);
  DrawSprite(-1, 20, 20);
  EXPECT_EQ(Count(0), kWidth * kHeight - 6);
}

TEST_F(Drawing, StretchedAndZoomedSpritesCoverTheirArea) {
  // Nearest filtering: linear filtering would mix in the transparent
  // padding of the texture at the far edges.
  MakeSprite(1, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  d->SetSmoothing(false);
  StretchSprite(1, 2, 3, 10, 6);
  EXPECT_EQ(Box(kWhite), (std::array<int, 4>{2, 3, 11, 8}));
  NextFrame();
  d->SetSmoothing(false);
  // Zoom 2 about the centre: 8 x 8 starting 2 pixels up and left.
  ZoomSprite(1, 20, 20, 2, 2);
  EXPECT_EQ(Box(kWhite), (std::array<int, 4>{18, 18, 25, 25}));
  NextFrame();
  d->SetSmoothing(false);
  ZoomSprite(1, 20, 20, 0.5, 1);
  EXPECT_EQ(Box(kWhite), (std::array<int, 4>{21, 20, 22, 23}));
}

TEST_F(Drawing, PositiveAnglesTurnAnticlockwise) {
  // 8 x 4: left half red, right half green.
  MakeSprite(1, 8, 4, [](int x, int) { return x < 4 ? 0xFF0000FFu : 0xFF00FF00u; });
  d->SetSmoothing(false);
  RotateSprite(1, 20, 20, 0);
  EXPECT_EQ(Box(kRed), (std::array<int, 4>{20, 20, 23, 23}));
  EXPECT_EQ(Box(kGreen), (std::array<int, 4>{24, 20, 27, 23}));
  NextFrame();
  d->SetSmoothing(false);
  // A quarter turn anticlockwise about the centre (24, 22): the right half goes up.
  RotateSprite(1, 20, 20, 90);
  auto green = Box(kGreen), red = Box(kRed);
  EXPECT_LT(green[3], red[1]);
  EXPECT_EQ(green[2] - green[0] + 1, 4);
  EXPECT_EQ(red[3] - green[1] + 1, 8);
  NextFrame();
  d->SetSmoothing(false);
  RotoZoomSprite(1, 20, 20, 180, 2);
  green = Box(kGreen), red = Box(kRed);
  EXPECT_LT(green[2], red[0]);  // half a turn: green on the left
  EXPECT_EQ(red[2] - green[0] + 1, 16);
  EXPECT_EQ(red[3] - red[1] + 1, 8);
}

TEST_F(Drawing, AnimationFramesComeFromTheirCells) {
  // 3 x 2 cells of 4 x 4; cell n has red = 10 * (n + 1).
  MakeSprite(1, 12, 8, [](int x, int y) { return 0xFF000000u | uint32_t(10 * ((y / 4) * 3 + x / 4 + 1)); });
  DrawAnimFrame(1, 0, 0, 0);  // not animated yet: nothing
  EXPECT_EQ(Count(0), kWidth * kHeight);
  SetSpriteAnimation(1, 4, 4);
  for (int n = 0; n < 6; ++n) {
    DrawAnimFrame(1, n, 5 * n, 0);
    EXPECT_EQ(Box(10u * (n + 1)), (std::array<int, 4>{5 * n, 0, 5 * n + 3, 3})) << n;
  }
  NextFrame();
  d->SetSmoothing(false);
  StretchAnimFrame(1, 4, 10, 10, 8, 8);
  EXPECT_EQ(Box(50), (std::array<int, 4>{10, 10, 17, 17}));
  NextFrame();
  d->SetSmoothing(false);
  RotoZoomAnimFrame(1, 5, 30, 30, 90, 1);
  EXPECT_EQ(Count(60), 16);
}

TEST_F(Drawing, AlphaModesBlendAddAndReplace) {
  MakeSprite(1, 4, 4, [](int, int) { return 0xFF0000C8u; });  // red 200
  auto drawOver = [&](double mode) {
    NextFrame();
    DrawRect(0, 0, 8, 8, 0x000064);  // red 100
    SetAlphaMode(mode);
    DrawSprite(1, 0, 0);
    return static_cast<int>(Pixel(1, 1) & 0xFF);
  };
  EXPECT_NEAR(drawOver(-0.5), 150, 1);
  EXPECT_NEAR(drawOver(0.5), 200, 1);   // 100 + half of 200
  EXPECT_NEAR(drawOver(0.25), 150, 1);
  EXPECT_EQ(drawOver(0), 200);
  EXPECT_EQ(drawOver(-2), 200);  // capped at 1
  EXPECT_EQ(d->GlobalAlpha(), 1.0f);
}

TEST_F(Drawing, BindingWithoutMultitexturingAndTheAlphaTest) {
  MakeSprite(1, 2, 2, [](int, int) { return 0xFFFFFFFFu; });
  auto saved = orv::Gl().glActiveTextureARB;
  orv::Gl().glActiveTextureARB = nullptr;
  d->BindSprite(-1, -1, false, nullptr);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  DrawSprite(1, 4, 4);
  orv::Gl().glActiveTextureARB = saved;
  EXPECT_EQ(Box(kWhite), (std::array<int, 4>{4, 4, 5, 5}));

  // Texels at or below the reference are dropped; 1 or more turns the test off.
  NextFrame();
  MakeSprite(2, 2, 1, [](int x, int) { return x == 0 ? 0x20FFFFFFu : 0x60FFFFFFu; });
  SetAlphaTest(0.25);
  DrawSprite(2, 0, 0);
  EXPECT_EQ(Pixel(0, 0), 0u);
  EXPECT_EQ(Pixel(1, 0), kWhite);
  SetAlphaTest(1);
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  DrawSprite(2, 0, 0);
  EXPECT_EQ(Pixel(0, 0), kWhite);
}

TEST_F(Drawing, RectanglesWithNegativeSizesAndTheKeyColour) {
  DrawRect(50, 10, -10, 3, kWhite);
  EXPECT_EQ(Box(kWhite), (std::array<int, 4>{41, 10, 50, 12}));
  NextFrame();
  DrawRect(5, 20, 4, -4, kBlue);
  EXPECT_EQ(Box(kBlue), (std::array<int, 4>{5, 17, 8, 20}));
  // The key colour writes alpha 0 (the alpha test must not drop it).
  DrawRect(0, 0, 4, 4, 0x8000FF);
  EXPECT_EQ(PixelWithAlpha(1, 1), 0x008000FFu);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(Drawing, LinesSetBothEndsPixelsAreReadBack) {
  DrawLine(3, 3, 3, 3, kWhite);
  EXPECT_EQ(Count(kWhite), 1);
  EXPECT_EQ(Pixel(3, 3), kWhite);
  NextFrame();
  DrawLine(2, 10, 8, 10, kGreen);
  EXPECT_EQ(Box(kGreen), (std::array<int, 4>{2, 10, 8, 10}));
  EXPECT_EQ(Count(kGreen), 7);
  DrawLine(20, 30, 20, 20, kRed);
  EXPECT_EQ(Box(kRed), (std::array<int, 4>{20, 20, 20, 30}));
  SetPixel(40, 40, 0x123456);
  EXPECT_EQ(GetPixel(40, 40), 0x123456);
  EXPECT_EQ(GetPixel(20, 25), kRed);
}

TEST_F(Drawing, GetPixelFollowsTheOrientation) {
  SetOrientation(1);
  SetPixel(5, 20, kBlue);
  EXPECT_EQ(GetPixel(5, 20), kBlue);
  EXPECT_EQ(GetPixel(20, 5), 0);
  int x = 5, y = 20;
  d->OrientPoint(x, y);
  EXPECT_EQ(Pixel(x, y), kBlue);
}

TEST_F(Drawing, PolygonsStripsAndTheirBreaks) {
  // Two quads as one strip with a break between them: nothing in the gap.
  StartPoly(-1, 2);
  PolyNewStrip();  // before any vertex: nothing
  for (float x : {2.0f, 20.0f}) {
    PolyNewStrip();
    PolyVertex(x, 2, 0, 0, kWhite);
    PolyVertex(x, 10, 0, 0, kWhite);
    PolyVertex(x + 8, 2, 0, 0, kWhite);
    PolyVertex(x + 8, 10, 0, 0, kWhite);
  }
  EndPoly();
  EXPECT_EQ(Count(kWhite), 2 * 64);
  EXPECT_EQ(Count(kWhite, 10, 0, 20, 12), 0);

  // Two breaks in a row add one repeated vertex: in a triangle list the
  // second triangle then falls apart (one duplicate each side of the break).
  NextFrame();
  StartPoly(-1, 1);
  PolyVertex(0, 0, 0, 0, kRed);
  PolyVertex(8, 0, 0, 0, kRed);
  PolyVertex(0, 8, 0, 0, kRed);
  PolyNewStrip();
  PolyNewStrip();
  PolyVertex(30, 30, 0, 0, kGreen);
  PolyVertex(38, 30, 0, 0, kGreen);
  PolyVertex(30, 38, 0, 0, kGreen);
  EndPoly();
  EXPECT_GT(Count(kRed), 20);
  EXPECT_EQ(Count(kGreen), 0);
}

TEST_F(Drawing, TexturedPolygonsUseImagePixelCoordinates) {
  MakeSprite(1, 4, 4, [](int x, int y) { return 0xFF000000u | uint32_t(x < 2 ? 0xFF : 0) << (y < 2 ? 0 : 8); });
  d->SetSmoothing(false);
  StartPoly(1, 0);
  PolyVertex(10, 10, 0, 0, kWhite);
  PolyVertex(18, 10, 4, 0, kWhite);
  PolyVertex(18, 18, 4, 4, kWhite);
  PolyVertex(10, 18, 0, 4, kWhite);
  EndPoly();
  EXPECT_EQ(Box(kRed), (std::array<int, 4>{10, 10, 13, 13}));
  EXPECT_EQ(Box(kGreen), (std::array<int, 4>{10, 14, 13, 17}));
  EXPECT_FALSE(glIsEnabled(GL_DITHER));
}

TEST_F(Drawing, VertexColourTintsTheTexture) {
  // White and mid-grey texels on top, cyan below, tinted red: each channel
  // is multiplied, so white turns red, grey dark red and cyan black.
  MakeSprite(1, 4, 4, [](int x, int y) { return y >= 2 ? 0xFFFFFF00u : x < 2 ? 0xFFFFFFFFu : 0xFF808080u; });
  d->SetSmoothing(false);
  StartPoly(1, 0);
  PolyVertex(20, 20, 0, 0, kRed);
  PolyVertex(28, 20, 4, 0, kRed);
  PolyVertex(28, 28, 4, 4, kRed);
  PolyVertex(20, 28, 0, 4, kRed);
  EndPoly();
  const orvtest::Picture want = orvtest::Picture::Make(10, 10, [](int x, int y) {
    if (x < 1 || x > 8 || y < 1 || y > 8) return 0u;  // the untouched screen around it
    if (y > 4) return 0u;
    return x <= 4 ? 0x0000FFu : 0x000080u;
  });
  EXPECT_TRUE(orvtest::SamePicture(Region(19, 19, 10, 10), want, orvtest::kBlendRounding));
}

}  // namespace
