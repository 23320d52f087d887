// Lights on a real GL context: directional, point and spot lights on the
// front face of a cube, switching lights off, the special light's modes,
// the camera light and the axis gizmo.
#include <gtest/gtest.h>

#include <vector>

#include "gfx3d/lights.h"
#include "gfx3d/sample_models.h"
#include "model_gl_fixture.h"
#include "orvane/gfx3d.h"

namespace {

class Lights : public gltest::ModelGl {
 protected:
  void SetUp() override {
    ModelGl::SetUp();
    ASSERT_TRUE(orv::BuildSampleCube(*models->Slot(0), 2));  // front face red, at z = 1
    models->sceneState = [this](orv::ModelDrawState& s) { s.lighting = lights.mask != 0; };
  }
  // Red channel at a point of the front face after drawing the cube.
  int RedAt(int x, int y) {
    Redraw();
    return static_cast<int>(Pixel(x, y) & 0xFF);
  }
  void Redraw() {
    orv::GlState().Set(orv::kCapDepthTest, true);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawObjectFrame(0, 0);
  }

  orv::LightState lights;
  const int cx = kWidth / 2, cy = kHeight / 2;
};

TEST_F(Lights, DirectionalPointAndSpotLightTheFace) {
  const uint32_t grey = 0x808080;
  orv::SetLight(lights, 0, grey, {}, {0, 0, -1}, 180, false);  // shining at the face
  const int lit = RedAt(cx, cy);
  EXPECT_NEAR(lit, 128 + 10, 6);  // half the light plus the scene's ambient
  EXPECT_LE(Pixel(cx, cy) >> 8 & 0xFF, 12u);
  orv::SetLight(lights, 0, grey, {}, {1, 0, 0}, 180, false);  // grazing: ambient only
  EXPECT_LE(RedAt(cx, cy), 14);

  // Lighting is per vertex: the face's corners see a point light two units
  // in front of it at 35 degrees off their normal.
  orv::SetLight(lights, 0, 0xFFFFFF, {0, 0, 3}, {}, 120, false);
  EXPECT_NEAR(RedAt(cx, cy), 0.816 * 255 + 10, 6);
  orv::SetLight(lights, 0, 0xFFFFFF, {0, 0, -3}, {}, 120, false);  // behind it
  EXPECT_LE(RedAt(cx, cy), 14);

  // A spot whose cone holds the corners lights the face; a narrower one not.
  orv::SetLight(lights, 0, 0xFFFFFF, {0, 0, 3}, {0, 0, -1}, 40, false);
  EXPECT_GE(RedAt(cx, cy), 200);
  orv::SetLight(lights, 0, 0xFFFFFF, {0, 0, 3}, {0, 0, -1}, 30, false);
  EXPECT_LE(RedAt(cx, cy), 14);
  // Both zero: a light from the viewer.
  orv::SetLight(lights, 3, 0xFFFFFF, {}, {}, 45, false);
  orv::SetLight(lights, 0, 0, {}, {}, 0, false);
  EXPECT_GE(RedAt(cx + 8, cy + 8), 240);
}

TEST_F(Lights, IndicesWrapAndTheLastLightOffEndsLighting) {
  orv::SetLight(lights, 9, 0xFFFFFF, {}, {0, 0, -1}, 180, false);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_EQ(lights.mask, 2);
  orv::SetLight(lights, 2, 0xFFFFFF, {0, 0, 3}, {}, 100, false);
  EXPECT_EQ(lights.mask, 6);
  orv::SetLight(lights, 1, 0, {}, {}, 0, false);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  orv::SetLight(lights, 10, 0, {}, {}, 0, false);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(lights.mask, 0);
  // Unlit again: the face shows its own colour.
  EXPECT_EQ(RedAt(cx, cy), 255);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Lights, SpecialLightModesShowMarksAndTheCameraLight) {
  std::vector<bool> passes;
  std::vector<float> marks;
  orv::LightHooks hooks;
  hooks.shadowPass = [&](bool on) { passes.push_back(on); };
  hooks.dot = [&](orv::Vec3 at, float size, uint32_t colour) { marks.insert(marks.end(), {at.x, size, float(colour)}); };
  hooks.line = [&](orv::Vec3, orv::Vec3 to, float width, uint32_t colour) {
    marks.insert(marks.end(), {to.y, width, float(colour)});
  };
  orv::SetLight(lights, -3, 0x1234, {1, 2, 3}, {}, 1, false, hooks);
  EXPECT_TRUE(lights.special);
  EXPECT_EQ(lights.specialMode, 3);
  EXPECT_EQ(lights.specialPosition.z, 3);
  orv::SetLight(lights, -3, 0, {}, {}, 0, false, hooks);
  EXPECT_FALSE(lights.special);
  EXPECT_EQ(passes, (std::vector<bool>{true, false}));
  orv::SetLight(lights, -1, 0, {}, {}, 1, false, hooks);
  EXPECT_EQ(lights.specialMode, 1);
  orv::SetLight(lights, -7, 0, {}, {}, 1, false, hooks);
  EXPECT_EQ(lights.specialMode, 2);
  EXPECT_EQ(lights.mask, 0);  // no GL light touched
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

  orv::SetLight(lights, 0, 0xFFFFFF, {5, 0, 0}, {0, 1, 0}, 30, true, hooks);
  EXPECT_EQ(marks, (std::vector<float>{5, 40, float(0x80C8FF), 500, 3, float(0x6CAAE1)}));
  marks.clear();
  orv::SetLight(lights, 0, 0xFFFFFF, {5, 0, 0}, {0, 1, 0}, 120, true, hooks);  // a point: no line
  EXPECT_EQ(marks.size(), 3u);

  glLoadIdentity();
  orv::SetCameraLight(lights, 2, 0xFFFFFF, {0, 3, 4});
  float position[4];
  glGetLightfv(GL_LIGHT2, GL_POSITION, position);
  EXPECT_NEAR(position[1], 0.6f, 1e-6);
  EXPECT_NEAR(position[2], 0.8f, 1e-6);
  EXPECT_EQ(position[3], 0);
}

TEST_F(Lights, AxesPointAlongTheirAxesAndRestoreTheState) {
  orv::SetLight(lights, 0, 0xFFFFFF, {}, {0, 0, -1}, 180, false);
  glEnable(GL_TEXTURE_2D);
  orv::DrawAxes(orv::Translation(0, 0, -60), {0, 0, 0}, lights, 1);
  auto strongest = [&](int channel, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint32_t p = Pixel(x, y);
        n += (p >> (8 * channel) & 0xFF) > 128 && (p >> (8 * ((channel + 1) % 3)) & 0xFF) < 64;
      }
    return n;
  };
  EXPECT_GT(strongest(0, cx + 2, cy - 3, kWidth, cy + 3), 3);  // red to the right
  EXPECT_EQ(strongest(0, 0, 0, cx - 2, kHeight), 0);
  EXPECT_GT(strongest(1, cx - 3, 0, cx + 3, cy - 2), 3);  // green upward
  EXPECT_EQ(strongest(1, 0, cy + 2, kWidth, kHeight), 0);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  glDisable(GL_TEXTURE_2D);
}

}  // namespace
