// The runtime started up to its 3D renderer on the offscreen video driver,
// with plain-GL helpers to fill the viewport and read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "runtime/runtime_state.h"
#include "support/image_compare.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"

namespace scenetest {

class SceneTest : public testing::Test {
 protected:
  static constexpr int kWidth = 64, kHeight = 48;

  void SetUp() override {
    std::remove((orvtest::PrivateDir() + "/ErrorLog.txt").c_str());
    ProjectSettings& s = orv::Rt().settings;
    s.width = kWidth, s.height = kHeight, s.frameRate = 0, s.multisample = 0, s.fullScreen = 0;
    orvtest::StartRuntimeUpTo("scene");
    ASSERT_TRUE(orv::Rt().device && orv::Rt().scene);
    orv::Rt().device->Flip(nullptr);
    orv::Rt().device->Reset2DState();
  }
  void TearDown() override { orvtest::StopRuntime(); }

  orv::Vexel3D& Scene() { return *orv::Rt().scene; }

  // A quad over the whole viewport in the current colour, no texture.
  static void FillViewport() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glRectf(-1, -1, 1, 1);
  }

  // 0x00BBGGRR of a back-buffer pixel, (x, y) from the top-left.
  static uint32_t Pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16;
  }
  // The whole picture (0x00BBGGRR, alpha left out), for SamePicture.
  static orvtest::Picture Frame() {
    std::vector<uint32_t> rows(static_cast<size_t>(kWidth) * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    return orvtest::Picture::Make(kWidth, kHeight, [&](int x, int y) {
      return rows[static_cast<size_t>(kHeight - 1 - y) * kWidth + x] & 0xFFFFFF;
    });
  }
};

}  // namespace scenetest
