// The picking and collision commands as a game calls them, over the real
// renderer: a model slot, the object transform stack and a camera, in a
// 640 x 480 window on the offscreen driver.
#include <gtest/gtest.h>

#include "gfx3d/sample_models.h"
#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"

namespace orv {
namespace {

class QueryCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ProjectSettings& s = Rt().settings;
    s.width = 640, s.height = 480, s.frameRate = 0, s.multisample = 0, s.fullScreen = 0;
    orvtest::StartRuntimeUpTo("scene");
    ASSERT_TRUE(Rt().scene);
    ASSERT_TRUE(BuildSampleCube(*Rt().scene->Models().Slot(1), 2));
    // Perspective 45 degrees from 1 to 100, the camera ten units back.
    Begin3D(1, 100, 45);
    SetCamera(0, 0, 10, 0, 0, 0);
  }
  void TearDown() override {
    End3D();
    orvtest::StopRuntime();
  }
};

TEST_F(QueryCommands, CollisionsFollowTheObjectTransform) {
  Translate(0, 0, 10);
  EXPECT_EQ(CollideRay(1, 0, -10, 0.1, 10.2, 1, 0, 0), 9);
  // Triangle number within the mesh: a -x face is hit, whose two triangles
  // are the cube's seventh and eighth.
  EXPECT_TRUE(LastHitTriangle() == 6 || LastHitTriangle() == 7) << LastHitTriangle();
  EXPECT_EQ(CollideSphere(1, 0, 0.5, 0.3, 0.2, 1.4), 0);
  EXPECT_EQ(LastHitTriangle(), 0);  // nothing hit: -1 reads as 0
  EXPECT_EQ(CollideSphere(1, 0, 0.5, 0.3, 0.2, 11.4), 1);
  EXPECT_EQ(CollideBox(1, 0, 0, 0, 1.4, 1, 1, 1), 0);
  EXPECT_EQ(CollideBox(1, 0, 0, 0, 11.4, 1, 1, 1), 1);
  EXPECT_EQ(SphereTouchesBox(1.5, 0, 0, 0.5, 2, 2, 2), 0);
  EXPECT_EQ(SphereTouchesBox(1.5, 0, 10, 0.5, 2, 2, 2), 1);
  // Free and unknown slots, and a frame the model lacks, hit nothing.
  for (double slot : {0.0, 2.0, -1.0, 1e12}) {
    EXPECT_EQ(CollideSphere(slot, 0, 100, 0, 0, 0), 0);
    EXPECT_EQ(CollideBox(slot, 0, 0, 0, 0, 10, 10, 10), 0);
    EXPECT_EQ(CollideRay(slot, 0, -10, 0.1, 0.2, 1, 0, 0), 0);
  }
  EXPECT_EQ(CollideSphere(1, 3, 100, 0, 0, 10), 0);
}

TEST_F(QueryCommands, ScreenAndWorldRoundTrip) {
  double sx = -1, sy = -1, sz = -1;
  ASSERT_EQ(ProjectToScreen(0, 0, 0, sx, sy, sz), 1);
  EXPECT_NEAR(sx, 320, 1e-3);
  EXPECT_NEAR(sy, 240, 1e-3);
  double x = 0, y = 0, z = 0;
  ASSERT_EQ(ScreenToWorld(sx, sy, sz, x, y, z), 1);
  EXPECT_NEAR(x, 0, 1e-3);
  EXPECT_NEAR(z, 0, 1e-3);
  ASSERT_EQ(ProjectToScreen(2, 1.5, -3, sx, sy, sz), 1);
  ASSERT_EQ(ScreenToWorld(sx, sy, sz, x, y, z), 1);
  EXPECT_NEAR(x, 2, 1e-3);
  EXPECT_NEAR(y, 1.5, 1e-3);
  EXPECT_NEAR(z, -3, 1e-3);
  // The eye itself has no screen position; the outputs stay as they were.
  sx = sy = sz = 7;
  EXPECT_EQ(ProjectToScreen(0, 0, 10, sx, sy, sz), 0);
  EXPECT_EQ(sx, 7);
  // Picking: the ray from the near to the far point under the mouse hits
  // the cube's front face at distance 10 - 1 - near.
  double nx, ny, nz, fx, fy, fz;
  ASSERT_EQ(ScreenToWorld(330, 235, 0, nx, ny, nz), 1);
  ASSERT_EQ(ScreenToWorld(330, 235, 1, fx, fy, fz), 1);
  EXPECT_NEAR(CollideRay(1, 0, nx, ny, nz, fx - nx, fy - ny, fz - nz), 8, 0.01);
}

TEST_F(QueryCommands, WithoutASceneEverythingIsNeutral) {
  End3D();
  orvtest::StopRuntime();
  double a = 7, b = 7, c = 7;
  EXPECT_EQ(ProjectToScreen(0, 0, 0, a, b, c), 0);
  EXPECT_EQ(ScreenToWorld(0, 0, 0, a, b, c), 0);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(CollideSphere(1, 0, 100, 0, 0, 0), 0);
  EXPECT_EQ(LastHitTriangle(), 0);
  EXPECT_EQ(SphereTouchesBox(0, 0, 0, 1, 1, 1, 1), 1);  // the box at the origin
}

}  // namespace
}  // namespace orv
