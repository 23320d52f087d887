// A real 2D device on the offscreen video driver, installed as the runtime's
// device so game-facing commands reach it, with helpers to read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "image_test_util.h"
#include "support/image_compare.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"

namespace gltest {

class GlDevice : public testing::Test {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override {
    ProjectSettings& settings = orv::Rt().settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.frameRate = 0;
    settings.multisample = 0;
    settings.fullScreen = 0;
    orvtest::StartRuntimeUpTo("device");
    d = orv::Rt().device.get();
    ASSERT_NE(d, nullptr);
    d->SetFrameRate(0);
    d->SetClearColor(0);
    NextFrame();
  }

  void TearDown() override {
    orvtest::StopRuntime();
    d = nullptr;
  }

  // Flip and reset as the frame loop does.
  void NextFrame() {
    d->Flip(nullptr);
    d->Reset2DState();
  }

  // Reads come from the window's back buffer, or from the 3D pass's target
  // while one is in use.
  static void ReadFromTarget() {
    glReadBuffer(orv::OpenGLVexel::CurrentFramebufferBinding() ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK);
  }
  // 0x00BBGGRR of a physical back-buffer pixel, (x, y) from the top-left.
  uint32_t Pixel(int x, int y) { return PixelWithAlpha(x, y) & 0xFFFFFF; }
  // The readers below issue GL of their own: the device's batch is drawn first.
  uint32_t PixelWithAlpha(int x, int y) {
    d->FlushDrawing();
    uint8_t p[4] = {0, 0, 0, 0};
    ReadFromTarget();
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  // A rectangle of the back buffer as a picture (0x00BBGGRR, alpha left out),
  // for SamePicture.
  orvtest::Picture Region(int x, int y, int w, int h) {
    d->FlushDrawing();
    std::vector<uint32_t> rows(static_cast<size_t>(w) * h);
    ReadFromTarget();
    glReadPixels(x, kHeight - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    return orvtest::Picture::Make(w, h, [&](int px, int py) {
      return rows[static_cast<size_t>(h - 1 - py) * w + px] & 0xFFFFFF;
    });
  }
  // Number of pixels in the screen rectangle whose colour is `color`.
  int Count(uint32_t color, int x0 = 0, int y0 = 0, int x1 = kWidth, int y1 = kHeight) {
    d->FlushDrawing();
    std::vector<uint32_t> screen(kWidth * kHeight);
    ReadFromTarget();
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (screen[(kHeight - 1 - y) * kWidth + x] & 0xFFFFFF) == color;
    return n;
  }
  // The bounding box (x0, y0, x1, y1 inclusive) of the pixels of `color`.
  std::array<int, 4> Box(uint32_t color) {
    d->FlushDrawing();
    std::array<int, 4> box = {kWidth, kHeight, -1, -1};
    std::vector<uint32_t> screen(kWidth * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if ((screen[(kHeight - 1 - y) * kWidth + x] & 0xFFFFFF) == color) {
          box[0] = std::min(box[0], x);
          box[1] = std::min(box[1], y);
          box[2] = std::max(box[2], x);
          box[3] = std::max(box[3], y);
        }
    return box;
  }

  // A sprite from an image built by f(x, y) -> 0xAABBGGRR.
  void MakeSprite(int slot, int w, int h, const std::function<uint32_t(int, int)>& f) {
    orv::PixelImage img;
    imgtest::Fill(img, w, h, f);
    ASSERT_TRUE(d->SpriteFromImage(slot, img, false));
  }

  orv::OpenGLVexel* d = nullptr;
};

}  // namespace gltest
