// The 2D device on a real GL context (offscreen driver): viewport and
// orientation, clearing, the capability cache, extensions.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"

namespace {

class Device : public testing::Test {
 protected:
  void SetUp() override {
    device = std::make_unique<orv::OpenGLVexel>();
    ASSERT_TRUE(device->Init(64, 48, 0, 0, 0, false));
    device->SetClearColor(0);
    device->Flip(nullptr);
  }

  // Colour 0x00BBGGRR of a pixel of the back buffer, (x, y) from the top-left.
  uint32_t Pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glReadPixels(x, device->screenHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16;
  }

  void Point(float x, float y, uint8_t r, uint8_t g, uint8_t b) {
    glDisable(GL_TEXTURE_2D);
    glColor3ub(r, g, b);
    glBegin(GL_POINTS);
    glVertex2f(x + 0.5f, y + 0.5f);
    glEnd();
  }

  std::unique_ptr<orv::OpenGLVexel> device;
};

TEST_F(Device, InitSetsSizesAndTwoDimensionalState) {
  EXPECT_EQ(device->screenWidth, 64);
  EXPECT_EQ(device->screenHeight, 48);
  EXPECT_GT(device->colorBits, 0);
  EXPECT_EQ(device->viewportWidth, 64);
  EXPECT_EQ(device->viewportHeight, 48);
  EXPECT_EQ(device->TransparentColor(), 0x8000FFu);
  EXPECT_TRUE(device->Smoothing());
  EXPECT_EQ(device->CurrentSurface(), -1);
  EXPECT_FLOAT_EQ(device->AlphaTestRef(), 0.05f);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Device, PointsLandWhereTheProjectionSays) {
  Point(0, 0, 255, 0, 0);
  Point(63, 47, 0, 255, 0);
  Point(10, 5, 0, 0, 255);
  EXPECT_EQ(Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(Pixel(63, 47), 0x00FF00u);
  EXPECT_EQ(Pixel(10, 5), 0xFF0000u);
  EXPECT_EQ(Pixel(11, 5), 0u);
}

TEST_F(Device, AResizedWindowDrawsToItsNewEdgesAndShowsNothingOfBefore) {
  const int sizes[][2] = {{200, 150}, {32, 24}, {64, 48}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    // Something to be left over: the whole drawable in red.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    ASSERT_TRUE(device->SetScreenSize(w, h, 0, false));
    device->Reset2DState();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0xFFu);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    size_t stale = 0;
    for (uint32_t p : pixels) stale += (p & 0xFFFFFF) != 0;
    EXPECT_EQ(stale, 0u) << w << "x" << h;
    Point(static_cast<float>(w - 1), static_cast<float>(h - 1), 0, 255, 0);
    EXPECT_EQ(Pixel(w - 1, h - 1), 0x00FF00u) << w << "x" << h;
  }
}

TEST_F(Device, OrientationTurnsTheScreenAndSwapsItsSize) {
  device->SetOrientation(1);
  device->SetViewport(0, 0, 0, 0);
  EXPECT_EQ(device->LogicalWidth(), 48);
  EXPECT_EQ(device->LogicalHeight(), 64);
  EXPECT_EQ(device->viewportWidth, 48);
  EXPECT_EQ(device->viewportHeight, 64);
  // Logical (0, 0) is the physical pixel OrientPoint names.
  Point(0, 0, 255, 255, 255);
  int x = 0, y = 0;
  device->OrientPoint(x, y);
  EXPECT_EQ(x, 63);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(Pixel(63, 0), 0xFFFFFFu);
  Point(5, 20, 255, 0, 0);
  x = 5, y = 20;
  device->OrientPoint(x, y);
  EXPECT_EQ(Pixel(x, y), 0x0000FFu);
}

TEST_F(Device, OrientAndUnorientAreInversesAndVectorsTurnAlong) {
  for (int o = 0; o < 4; ++o) {
    device->SetOrientation(o);
    for (int px = 0; px < 48; px += 7) {
      for (int py = 0; py < 48; py += 5) {
        int x = px, y = py;
        device->OrientPoint(x, y);
        device->UnorientPoint(x, y);
        EXPECT_EQ(x, px) << "orientation " << o;
        EXPECT_EQ(y, py) << "orientation " << o;
      }
    }
  }
  device->SetOrientation(1);
  int dx = 3, dy = 1;
  device->RotateVector(dx, dy);
  EXPECT_EQ(dx, -1);
  EXPECT_EQ(dy, 3);
  device->SetOrientation(3);
  dx = 3, dy = 1;
  device->RotateVector(dx, dy);
  EXPECT_EQ(dx, 1);
  EXPECT_EQ(dy, -3);
}

TEST_F(Device, SubViewportMovesTheOrigin) {
  device->SetViewport(10, 20, 8, 8);
  Point(0, 0, 255, 255, 255);
  EXPECT_EQ(Pixel(10, 20), 0xFFFFFFu);
  EXPECT_EQ(device->viewportX, 10);
  EXPECT_EQ(device->viewportY, 20);
}

TEST_F(Device, ClearColourAppliesAfterEveryFlipUnlessMinusOne) {
  device->SetClearColor(0x204080);
  Point(5, 5, 255, 255, 255);
  device->Flip(nullptr);
  EXPECT_EQ(Pixel(5, 5), 0x204080u);
  EXPECT_EQ(Pixel(60, 40), 0x204080u);

  device->SetClearColor(-1);
  EXPECT_FALSE(device->clearEachFrame);
  Point(1, 1, 255, 0, 0);
  device->Flip(nullptr);
  device->Reset2DState();
  Point(2, 2, 0, 255, 0);
  device->Flip(nullptr);
  device->Reset2DState();
  // Both frames' drawing is still there.
  EXPECT_EQ(Pixel(1, 1), 0x0000FFu);
  EXPECT_EQ(Pixel(2, 2), 0x00FF00u);
}

TEST_F(Device, CapabilityCacheReachesGlOnlyOnChanges) {
  orv::GlStateCache& cache = orv::GlState();
  cache.Reset();
  EXPECT_EQ(cache.Slot(orv::kCapFog), orv::GlStateCache::kUnknown);
  cache.Set(orv::kCapFog, true);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  EXPECT_EQ(cache.Slot(orv::kCapFog), 1);
  glDisable(GL_FOG);           // behind the cache's back
  cache.Set(orv::kCapFog, true);  // the cache believes it is on: no call
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  cache.Reset();
  cache.Set(orv::kCapFog, true);  // after a reset the call always reaches GL
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  cache.Set(orv::kCapFog, false);
}

TEST_F(Device, ExtensionsAreMatchedAsWholeWords) {
  RtString all = orv::GlExtensionString();
  ASSERT_GT(all.Length(), 0);
  EXPECT_TRUE(orv::HasExtension("GL_ARB_multitexture"));
  EXPECT_FALSE(orv::HasExtension("GL_ARB_multitextur"));
  EXPECT_FALSE(orv::HasExtension("ARB_multitexture"));
  EXPECT_FALSE(orv::HasExtension(""));
  EXPECT_NE(orv::Gl().glActiveTextureARB, nullptr);
  EXPECT_NE(orv::Gl().glGenFramebuffersEXT, nullptr);
}

TEST(DeviceInit, MultisampleSearchSettlesOnACountThatWorks) {
  // More samples than any driver here offers: the search must step down
  // (64, 32, 16, ...) to a count the context really has.
  orv::OpenGLVexel device;
  ASSERT_TRUE(device.Init(32, 32, 0, 60, 64, false));
  const int n = device.multisampleSamples;
  ASSERT_NE(device.Window(), nullptr);
  GLint sampleBuffers = 0, samples = 0;
  glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
  glGetIntegerv(GL_SAMPLES, &samples);
  EXPECT_GT(n, 0) << "no multisampled format was found (or none was tried)";
  EXPECT_LT(n, 64);
  EXPECT_EQ(n & (n - 1), 0) << n;
  EXPECT_EQ(sampleBuffers, 1);
  EXPECT_GE(samples, n);

  // Asking for none gives the plain format.
  orv::OpenGLVexel plain;
  ASSERT_TRUE(plain.Init(32, 32, 0, 60, 0, false));
  EXPECT_EQ(plain.multisampleSamples, 0);
  glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
  EXPECT_EQ(sampleBuffers, 0);
}

TEST_F(Device, FrameRateZeroMeansTwoMilliseconds) {
  device->SetFrameRate(0);
  EXPECT_EQ(device->pacer.frameIntervalMs, 2.0);
  device->SetFrameRate(60);
  EXPECT_NEAR(device->pacer.frameIntervalMs, 16.6667, 1e-3);
}

}  // namespace
