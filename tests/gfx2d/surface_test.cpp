// Off-screen surfaces on a real GL context, each test on both paths: with
// framebuffer objects and with the copying fallback (ORVANE_NO_FRAMEBUFFER=1).
// Results are checked by drawing the surface's sprite and reading the window.
#include <cstdio>
#include <cstdlib>

#include "gl_fixture.h"
#include "orvane/gfx2d.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0x404040;

struct Surfaces : gltest::GlDevice, testing::WithParamInterface<bool> {
  bool Fallback() const { return GetParam(); }

  void SetUp() override {
    // The log must hold only this device's start: tests read it back.
    std::remove((orvtest::PrivateDir() + "/ErrorLog.txt").c_str());
    if (Fallback()) orv::Rt().switches.noFramebuffer = true;
    GlDevice::SetUp();
    d->SetClearColor(kGrey);
    NextFrame();
  }
  void TearDown() override {
    GlDevice::TearDown();
    orv::Rt().switches.noFramebuffer = false;
  }

  // The whole window, for comparing before and after.
  std::vector<uint32_t> Screen() {
    d->FlushDrawing();
    std::vector<uint32_t> pixels(kWidth * kHeight);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
};

TEST_P(Surfaces, SpriteGetsPowerOfTwoTextureAndTheFramebufferWhenThereIsOne) {
  CreateSurface(0, 7, 100, 50);
  const orv::SpriteSlot& s = d->Sprite(7);
  EXPECT_EQ(s.textureWidth, 128);
  EXPECT_EQ(s.textureHeight, 64);
  EXPECT_EQ(s.imageWidth, 100);
  EXPECT_FLOAT_EQ(s.uMax, 0.78125f);
  EXPECT_FLOAT_EQ(s.vMax, 0.78125f);
  EXPECT_EQ(d->Surface(0).sprite, 7);
  EXPECT_EQ(d->Surface(0).framebuffer != 0, !Fallback());
  EXPECT_EQ(d->Surface(0).width, Fallback() ? 0 : 128);
  EXPECT_EQ(orv::OpenGLVexel::FramebuffersAvailable(), !Fallback());
  const std::string log = orvtest::ErrorLogText();
  EXPECT_EQ(log.find("can't use framebuffer object\n") != std::string::npos, Fallback()) << log;

  // Below 16 pixels the texture is as large as the texture build makes it,
  // and the scales say so.
  CreateSurface(1, 8, 5, 3);
  EXPECT_EQ(d->Sprite(8).textureWidth, 16);
  EXPECT_FLOAT_EQ(d->Sprite(8).uMax, 5 / 16.0f);
  CreateSurface(1, 8, 0, 3);
  EXPECT_EQ(d->Surface(1).sprite, -1);
}

TEST_P(Surfaces, DrawingLandsInTheSpriteAndLeavesTheWindowAlone) {
  DrawRect(0, 0, kWidth, kHeight, kBlue);
  DrawLine(0, 0, 30, 20, kGreen);
  const std::vector<uint32_t> before = Screen();

  CreateSurface(2, 9, 40, 30);
  UseSurface(2);
  EXPECT_EQ(d->CurrentSurface(), 2);
  EXPECT_EQ(ScreenWidth(), 40);
  EXPECT_EQ(ScreenHeight(), 30);
  DrawRect(0, 0, 10, 10, kRed);
  DrawRect(30, 20, 10, 10, kGreen);
  EXPECT_EQ(GetPixel(5, 5), kRed);
  EXPECT_EQ(GetPixel(35, 25), kGreen);
  // What the 3D renderer asks about the target.
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), Fallback() ? 0 : int(d->Surface(2).framebuffer));
  EXPECT_EQ(orv::OpenGLVexel::CurrentColorAttachment(), Fallback() ? 0 : int(d->Sprite(9).texture));
  UseSurface(-1);
  EXPECT_EQ(d->CurrentSurface(), -1);
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_EQ(ScreenWidth(), kWidth);
  EXPECT_EQ(Screen(), before);

  NextFrame();
  DrawSprite(9, 10, 5);
  EXPECT_EQ(Pixel(10, 5), kRed);
  EXPECT_EQ(Pixel(19, 14), kRed);
  EXPECT_EQ(Pixel(49, 34), kGreen);
  // Pixels not drawn into stay transparent.
  EXPECT_EQ(Pixel(25, 20), kGrey);
  EXPECT_EQ(Count(kRed), 100);
  EXPECT_EQ(Count(kGreen), 100);
}

TEST_P(Surfaces, ASecondSurfaceEndsTheFirstAndAFlipEndsAny) {
  CreateSurface(0, 10, 20, 20);
  CreateSurface(1, 11, 20, 20);
  UseSurface(0);
  DrawRect(0, 0, 20, 20, kRed);
  UseSurface(1);
  EXPECT_EQ(d->CurrentSurface(), 1);
  DrawRect(0, 0, 20, 20, kBlue);
  d->Flip(nullptr);
  d->Reset2DState();
  EXPECT_EQ(d->CurrentSurface(), -1);
  EXPECT_EQ(Count(kGrey), kWidth * kHeight);

  DrawSprite(10, 0, 0);
  DrawSprite(11, 30, 0);
  EXPECT_EQ(Count(kRed, 0, 0, 20, 20), 400);
  EXPECT_EQ(Count(kBlue, 30, 0, 50, 20), 400);

  // Drawing again keeps what the surface held.
  UseSurface(0);
  DrawRect(5, 5, 2, 2, kGreen);
  EndSurface();
  NextFrame();
  DrawSprite(10, 0, 0);
  EXPECT_EQ(Count(kRed), 396);
  EXPECT_EQ(Pixel(6, 6), kGreen);
}

TEST_P(Surfaces, ASurfaceFollowsItsSpriteWhenTheSpriteIsReplaced) {
  CreateSurface(3, 12, 16, 16);
  MakeSprite(12, 24, 24, [](int, int) { return 0xFFFF0000u; });  // blue
  UseSurface(3);
  EXPECT_EQ(ScreenWidth(), 24);
  DrawRect(20, 20, 4, 4, kRed);
  EndSurface();
  NextFrame();
  DrawSprite(12, 0, 0);
  EXPECT_EQ(Count(kBlue), 24 * 24 - 16);
  EXPECT_EQ(Count(kRed), 16);

  // A freed sprite takes the surface with it: the window stays the target.
  FreeSprite(12);
  UseSurface(3);
  EXPECT_EQ(d->CurrentSurface(), -1);
  ReleaseSurface(3);
  EXPECT_EQ(d->Surface(3).sprite, -1);
}

TEST_P(Surfaces, ReleasingTheCurrentSurfaceEndsItFirst) {
  CreateSurface(4, 13, 20, 20);
  UseSurface(4);
  DrawRect(0, 0, 20, 20, kRed);
  ReleaseSurface(4);
  EXPECT_EQ(d->CurrentSurface(), -1);
  EXPECT_EQ(Count(kGrey), kWidth * kHeight);
  DrawSprite(13, 0, 0);
  EXPECT_EQ(Count(kRed), 400);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Surfaces, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& p) { return p.param ? "Copying" : "Framebuffer"; });

}  // namespace
