// Debug drawing on a real GL context (offscreen driver), pixels read back:
// the primitive commands, and the shapes the collision commands draw in
// debug mode. The projection and modelview are identities, so world x, y in
// -1..1 span the 64 x 48 screen.
#include <gtest/gtest.h>

#include <memory>

#include "gfx2d/gl_fixture.h"
#include "gfx3d/debug_draw.h"
#include "gfx3d/sample_models.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx3d.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF;

class DebugDraw : public gltest::GlDevice {
 protected:
  void SetUp() override {
    GlDevice::SetUp();
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    orv::GlState().Set(orv::kCapDepthTest, false);
    orv::GlState().Set(orv::kCapCullFace, false);
    // A renderer with a cube in slot 1, outside any pass: the queries see
    // the slot and the transform stack, the shapes draw in the identities.
    orv::Rt().scene = std::make_unique<orv::Vexel3D>(d);
    ASSERT_TRUE(orv::BuildSampleCube(*orv::Rt().scene->Models().Slot(1), 2));
  }
  void TearDown() override {
    orv::Rt().scene.reset();
    orv::Rt().settings.debugMode = 0;
    GlDevice::TearDown();
  }
};

TEST_F(DebugDraw, DotsAndLinesInTheirColourWithoutLighting) {
  orv::GlState().Set(orv::kCapLighting, true);  // lights in use: the dot must not be shaded
  d->SetAlphaMode(-0.5f);  // a half alpha the dot must not take on
  orv::GlState().Set(orv::kCapBlend, false);
  DebugDot(0, 0, 0, 5, kRed);
  EXPECT_EQ(Pixel(32, 24), kRed);
  EXPECT_EQ(Pixel(36, 24), 0u);
  DebugLine(-0.5, 0.5, 0, 0.5, 0.5, 0, 3, kGreen);
  EXPECT_EQ(Pixel(32, 12), kGreen);
  EXPECT_EQ(Pixel(32, 16), 0u);
  // Everything put back: lighting on, sizes 1, white at the device's alpha.
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GLfloat size = 0, colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_EQ(size, 1);
  glGetFloatv(GL_LINE_WIDTH, &size);
  EXPECT_EQ(size, 1);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1);
  EXPECT_EQ(colour[2], 1);
  EXPECT_EQ(colour[3], 0.5f);
  EXPECT_EQ(orv::ClampDebugSize(0), 1);
  EXPECT_EQ(orv::ClampDebugSize(1e9f), 512);
}

TEST_F(DebugDraw, CollisionsShowTheirShapeInDebugMode) {
  // Outside debug mode nothing is drawn.
  EXPECT_EQ(CollideSphere(1, 0, 0.5, 0, 0, 0), 0);
  EXPECT_EQ(Count(kGreen), 0);
  orv::Rt().settings.debugMode = 1;
  // A missed sphere (inside the cube, touching no face): a thin green wire
  // of radius 0.5 around the centre.
  EXPECT_EQ(CollideSphere(1, 0, 0.5, 0, 0, 0), 0);
  const auto box = Box(kGreen);
  EXPECT_GE(box[0], 15);
  EXPECT_LE(box[0], 17);
  EXPECT_GE(box[2], 46);
  EXPECT_LE(box[2], 48);
  EXPECT_EQ(Pixel(32 + 20, 24), 0u);
  NextFrame();
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // A box across the cube's +x face: red and thick; its near edge at x = 0.7.
  EXPECT_EQ(CollideBox(1, 0, 0.9, 0, 0, 0.4, 0.4, 0.4), 1);
  EXPECT_EQ(Pixel(54, 24), kRed);
  EXPECT_EQ(Pixel(60, 24), 0u);
  // Rays against the cube made small: behind the origin (yellow, up to the
  // hit), and missing (red, drawn on to the screen's edge).
  Scale(0.25, 0.25, 0.25);
  EXPECT_NEAR(CollideRay(1, 0, 0.6, 0.1, 0, 1, 0, 0), -0.35, 1e-5);
  EXPECT_EQ(Pixel(44, 21), kYellow);
  EXPECT_EQ(Pixel(36, 21), 0u);  // the line stops at the cube
  EXPECT_EQ(CollideRay(1, 0, 0.6, -0.6, 0, 1, 0, 0), 0);
  EXPECT_GT(Count(kRed, 52, 36, 64, 40), 8);
}

}  // namespace
