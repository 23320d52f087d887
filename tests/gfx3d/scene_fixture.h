// The runtime started up to its 3D renderer on the offscreen video driver,
// with helpers to draw plain quads and read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"

namespace scenetest {

class SceneTest : public testing::Test {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override {
    std::remove((orvtest::PrivateDir() + "/ErrorLog.txt").c_str());
    ProjectSettings& settings = orv::Rt().settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.frameRate = 0;
    settings.multisample = 0;
    settings.fullScreen = 0;
    orvtest::StartRuntimeUpTo("scene");
    ASSERT_NE(orv::Rt().device, nullptr);
    ASSERT_NE(orv::Rt().scene, nullptr);
    orv::Rt().device->SetFrameRate(0);
    orv::Rt().device->SetClearColor(0);
    orv::Rt().device->Flip(nullptr);
    orv::Rt().device->Reset2DState();
  }
  void TearDown() override { orvtest::StopRuntime(); }

  orv::Vexel3D& Scene() { return *orv::Rt().scene; }

  // A quad over the whole viewport in the current colour, no texture.
  static void FillViewport() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }

  // 0x00BBGGRR of a back-buffer pixel, (x, y) from the top-left.
  static uint32_t Pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16;
  }
};

// Colour channels within `tolerance` of each other.
inline bool Near(uint32_t a, uint32_t b, int tolerance = 2) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

}  // namespace scenetest
