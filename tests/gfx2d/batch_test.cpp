// The batched 2D device against the same device drawing every command on
// its own (ORVANE_NO_BATCH=1): a long mixed frame must come out identical
// pixel for pixel, and the batch must reach the screen exactly when
// something needs it there.
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "image_test_util.h"
#include "orvane/gfx2d.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

class Batching : public testing::Test {
 protected:
  void TearDown() override {
    orvtest::StopRuntime();
    orv::Rt().switches.noBatch = false;
  }

  orv::OpenGLVexel* Start(bool batched) {
    orvtest::StopRuntime();
    if (batched) {
      orv::Rt().switches.noBatch = false;
    } else {
      orv::Rt().switches.noBatch = true;
    }
    ProjectSettings& settings = orv::Rt().settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.frameRate = 0;
    settings.multisample = 0;
    settings.fullScreen = 0;
    orvtest::StartRuntimeUpTo("device");
    orv::OpenGLVexel* d = orv::Rt().device.get();
    if (!d) return nullptr;
    d->SetFrameRate(0);
    // The default font arrives with the first frame's stage, after this one.
    d->InstallBuiltinFont(0);
    return d;
  }

  static std::vector<uint32_t> Screen() {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  static void MakeSprite(orv::OpenGLVexel* d, int slot, int w, int h, const std::function<uint32_t(int, int)>& f) {
    orv::PixelImage img;
    imgtest::Fill(img, w, h, f);
    ASSERT_TRUE(d->SpriteFromImage(slot, img, false));
  }

  // Sprites, alpha modes, primitives, polygons and text, with a surface,
  // a viewport, a turned screen and pixel reads in the middle.
  // `beforeFade` is the screen before the closing cross-fade darkens it.
  static void DrawMixedFrame(orv::OpenGLVexel* d, std::vector<uint32_t>& beforeFade) {
    MakeSprite(d, 1, 16, 16, [](int x, int y) {
      const uint32_t a = (x + y) % 5 == 0 ? 0 : 0x40u + 12u * static_cast<uint32_t>(x);
      return a << 24 | uint32_t(x * 15) | uint32_t(y * 15) << 8 | 0x600000u;
    });
    MakeSprite(d, 2, 24, 16,
               [](int x, int y) { return 0xFF000000u | uint32_t(40 * (x / 8 + 1)) | uint32_t(y * 12) << 16; });
    MakeSprite(d, 3, 5, 7, [](int x, int y) { return (x == y ? 0x80000000u : 0xFF000000u) | 0x00C0FFu; });
    SetSpriteAnimation(2, 8, 8);
    SetClearColor(0x302010);
    d->Flip(nullptr);
    d->Reset2DState();
    SetCurrentFont(0);

    for (int round = 0; round < 3; ++round) {
      const double modes[] = {0, -1, -0.5, 0.7, 1};
      SetAlphaMode(modes[round]);
      SetSmoothing(round != 1);
      for (int i = 0; i < 12; ++i) {
        DrawSprite(1, 3 + 11 * i, 2 + 3 * round);
        DrawAnimFrame(2, i % 6, 5 + 9 * i, 20 + round);
        StretchSprite(3, 2 * i, 40, 7 + i, 5 + round);
        DrawRect(100 + i, 30 + 2 * i, 6, -5, 0x10203 * (i + 1) * (round + 3));
        DrawLine(10 + i * 5, 110, 60 - i * 3, 70 + round * 4, 0x00FF80 + 0x100000 * i);
        SetPixel(150 - i, 100 + round, 0xFFFFFF - 0x111111 * i);
      }
      SetAlphaMode(modes[round + 1]);
      ZoomSprite(1, 120, 60, 1.5, 0.75);
      RotoZoomSprite(1, 90, 80, 30 + 40 * round, 1.25);
      RotoZoomAnimFrame(2, round, 60, 50, -25 * round, 1.5);
      StretchAnimFrame(2, 4 - round, 20, 60, 13, 11);
      PrintText(RtString("Batch me, 0123!"), 4 + round, 86 + 8 * round, round % 2);
      SetAlphaTest(round == 2 ? 1 : 0.3);
      DrawRect(70, 10 + round * 10, 12, 6, static_cast<double>(d->TransparentColor()));
      StartPoly(1, round);
      PolyVertex(20, 20, 0, 0, 0xFFFFFF);
      PolyVertex(50, 25, 16, 0, round == 1 ? 0x2080FF : 0xFFFFFF);
      PolyVertex(45, 55, 16, 16, 0xFFFFFF);
      if (round == 2) {
        PolyNewStrip();
        PolyVertex(60, 60, 0, 16, 0x00FF00);
        PolyVertex(70, 62, 8, 8, 0x0000FF);
        PolyVertex(66, 75, 0, 0, 0xFF0000);
      }
      PolyVertex(22, 50, 0, 16, 0xFFFFFF);
      EndPoly();
      StartPoly(-1, 1);
      PolyVertex(130, 5, 0, 0, 0x4040FF);
      PolyVertex(155, 10, 0, 0, 0x40FF40);
      PolyVertex(140, 25, 0, 0, 0xFF4040);
      EndPoly();
      PrintText(RtString("xyz"), 110, 100, 1);
      // A pixel read in the middle sees everything drawn before it.
      const double probe = GetPixel(3 + 11 * round, 2 + 3 * round);
      DrawRect(0, 115, 4 + round, 4, probe);
    }

    // A surface in the middle: drawn into, then drawn on the screen.
    CreateSurface(0, 7, 40, 30);
    UseSurface(0);
    DrawRect(0, 0, 40, 30, 0x406080);
    SetAlphaMode(-0.6);
    for (int i = 0; i < 6; ++i) DrawSprite(1, i * 5, i * 3);
    DrawLine(0, 29, 39, 0, 0xFFFF00);
    PrintText(RtString("srf"), 2, 2, 1);
    UseSurface(-1);
    SetAlphaMode(-1);
    DrawSprite(7, 110, 80);
    StretchSprite(7, 40, 85, 30, 20);

    // A viewport and a turned screen.
    SetViewport(20, 20, 80, 60);
    for (int i = 0; i < 5; ++i) DrawSprite(3, i * 7, i * 5);
    DrawRect(-5, -5, 20, 8, 0x8080FF);
    SetViewport(0, 0, 0, 0);
    SetOrientation(2);
    SetViewport(0, 0, 0, 0);
    DrawSprite(1, 5, 5);
    DrawLine(0, 0, 40, 30, 0xFF00FF);
    PrintText(RtString("turned"), 30, 30, 0);
    SetOrientation(0);
    SetViewport(0, 0, 0, 0);
    DrawSprite(1, 140, 100);
    FlushDrawing();
    beforeFade = Screen();

    // Half of a cross-fade over drawing still in the batch: the fade's own
    // colour must survive the batch being drawn.
    ASSERT_TRUE(d->GrabBackground(1));
    SetAlphaMode(0);
    DrawSprite(1, 60, 20);
    DrawRect(5, 60, 30, 20, 0x00FFFF);
    d->DrawBackgroundFaded(1, 0.5f, true);
    SetAlphaMode(-1);
    DrawSprite(3, 100, 100);
    FlushDrawing();
  }
};

TEST_F(Batching, AMixedFrameComesOutTheSameBatchedAndCommandByCommand) {
  orv::OpenGLVexel* d = Start(false);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->Batching());
  std::vector<uint32_t> directBeforeFade, batchedBeforeFade;
  DrawMixedFrame(d, directBeforeFade);
  const std::vector<uint32_t> direct = Screen();
  std::vector<int32_t> directSurface;
  {
    RtArray<int32_t> pixels;
    ASSERT_EQ(SpriteToArray(7, pixels), 1);
    for (int i = 0; i < 40 * 30; ++i) directSurface.push_back(pixels.At(i % 40, i / 40));
  }

  d = Start(true);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->Batching());
  DrawMixedFrame(d, batchedBeforeFade);
  const std::vector<uint32_t> batched = Screen();
  int differing = 0, differingBeforeFade = 0;
  for (size_t i = 0; i < direct.size(); ++i) {
    differing += direct[i] != batched[i];
    differingBeforeFade += directBeforeFade[i] != batchedBeforeFade[i];
  }
  EXPECT_EQ(differingBeforeFade, 0);
  EXPECT_EQ(differing, 0);
  RtArray<int32_t> pixels;
  ASSERT_EQ(SpriteToArray(7, pixels), 1);
  for (int i = 0; i < 40 * 30; ++i) EXPECT_EQ(pixels.At(i % 40, i / 40), directSurface[i]) << i;
}

// The batch draws each character as two triangles, where drawing command by
// command draws a whole text as one strip: every glyph of both fonts must
// land on the same pixels, on a turned screen too.
TEST_F(Batching, TextComesOutTheSameAsOneStripPerText) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  auto draw = [&](bool batched) {
    orv::OpenGLVexel* d = Start(batched);
    EXPECT_NE(d, nullptr);
    if (!d) return std::vector<uint32_t>{};
    SetClearColor(0x203040);
    d->Flip(nullptr);
    d->Reset2DState();
    SetCurrentFont(0);
    const double modes[] = {-1, 0, -0.5, 0.6};
    for (int turn : {0, 1, 2}) {
      SetOrientation(turn);
      SetViewport(0, 0, 0, 0);
      for (int i = 0; i < 13; ++i) {
        SetAlphaMode(modes[(i + turn) % 4]);
        PrintText(RtString(all.substr(static_cast<size_t>(i) * 19, 40).c_str()), -3 + i * 7.4, i * 9.7 - 2, (i + turn) % 2);
      }
    }
    SetOrientation(0);
    FlushDrawing();
    return Screen();
  };
  const std::vector<uint32_t> direct = draw(false), batched = draw(true);
  ASSERT_EQ(direct.size(), batched.size());
  int differing = 0, background = 0;
  for (size_t i = 0; i < direct.size(); ++i) {
    differing += direct[i] != batched[i];
    background += (direct[i] & 0xFFFFFF) == 0x203040;
  }
  EXPECT_EQ(differing, 0);
  EXPECT_LT(background, kWidth * kHeight * 3 / 4);  // the texts cover the screen
}

// What the mixed frame does not show: two polygons of one sprite whose
// settings differ (one tinted) must not merge into one run, and a faint
// sprite still in the batch is drawn as it was when it was drawn, before
// an alpha test switched on after it.
TEST_F(Batching, RunsKeepTheirOwnSettingsAndTheAlphaTestWaitsForTheBatch) {
  orv::OpenGLVexel* d = Start(true);
  ASSERT_NE(d, nullptr);
  MakeSprite(d, 1, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  MakeSprite(d, 2, 4, 4, [](int, int) { return 0x4C0000FFu; });  // red at alpha 0.3
  SetClearColor(0);
  d->Flip(nullptr);
  d->Reset2DState();
  auto square = [](double x, double color) {
    StartPoly(1, 0);
    PolyVertex(x, 10, 0, 0, color);
    PolyVertex(x + 20, 10, 4, 0, color);
    PolyVertex(x + 20, 30, 4, 4, color);
    PolyVertex(x, 30, 0, 4, color);
    EndPoly();
  };
  square(10, 0xFFFFFF);
  square(40, 0x00FF00);
  SetAlphaMode(-1);
  DrawSprite(2, 80, 10);
  SetAlphaTest(0.5);
  FlushDrawing();
  SetAlphaTest(1);
  EXPECT_EQ(GetPixel(20, 20), 0xFFFFFF);
  EXPECT_EQ(GetPixel(50, 20), 0x00FF00);  // tinted, not white
  const int faint = static_cast<int>(GetPixel(81, 11));
  EXPECT_NEAR(faint & 0xFF, 0x4C, 2) << std::hex << faint;  // drawn, not dropped by the later test
  EXPECT_EQ(faint & 0xFFFF00, 0);
}

TEST_F(Batching, TheBatchReachesTheScreenWhenFlushedOrRead) {
  orv::OpenGLVexel* d = Start(true);
  ASSERT_NE(d, nullptr);
  MakeSprite(d, 1, 4, 4, [](int, int) { return 0xFF0000FFu; });
  SetClearColor(0);
  d->Flip(nullptr);
  d->Reset2DState();
  auto raw = [](int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  };
  DrawSprite(1, 10, 10);
  EXPECT_EQ(raw(11, 11), 0u);  // still in the batch
  FlushDrawing();
  EXPECT_EQ(raw(11, 11), 0x0000FFu);
  // GetPixel and a change of blending draw it too.
  DrawRect(30, 30, 2, 2, 0x00FF00);
  EXPECT_EQ(GetPixel(30, 30), 0x00FF00);
  DrawRect(40, 40, 2, 2, 0xFF0000);
  SetAlphaMode(1);
  EXPECT_EQ(raw(40, 40), 0xFF0000u);
  // Freeing a sprite draws what still uses its texture.
  DrawSprite(1, 50, 10);
  FreeSprite(1);
  EXPECT_EQ(raw(51, 11), 0x0000FFu);
}

}  // namespace
