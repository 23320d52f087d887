// Models drawn inside a real 3D pass through the game's commands: they take
// the pass's transform stack and frustum.
#include <gtest/gtest.h>

#include "gfx3d/sample_models.h"
#include "model_gl_fixture.h"
#include "orvane/gfx3d.h"

namespace {

using SceneModels = gltest::ModelGl;

TEST_F(SceneModels, ModelsFollowTheTransformStackAndTheFrustum) {
  ASSERT_TRUE(orv::BuildSampleCube(*models->Slot(0), 1));
  auto drawAt = [&](double x) {
    NextFrame();
    Begin3D(1, 100, 60);
    SetCamera(0, 0, 5, 0, 0, 0);
    Translate(x, 0, 0);
    const double drawn = DrawObject(0, 0, 0, 0, 0);
    End3D();
    return drawn;
  };
  EXPECT_EQ(drawAt(0), 1);
  EXPECT_NE(Pixel(kWidth / 2, kHeight / 2), 0u);
  EXPECT_EQ(Pixel(1, 1), 0u);

  // Moved right: the cube's pixels move right with it.
  EXPECT_EQ(drawAt(1.5), 1);
  EXPECT_NE(Pixel(kWidth * 3 / 4, kHeight / 2), 0u);
  EXPECT_EQ(Pixel(kWidth / 4, kHeight / 2), 0u);

  // Far outside the view: culled before any drawing.
  EXPECT_EQ(drawAt(100), 0);
  EXPECT_EQ(Count(0), kWidth * kHeight);
}

TEST_F(SceneModels, QueriesSeeTheSlotsTheTransformAndTheCamera) {
  ASSERT_TRUE(orv::BuildSampleCube(*models->Slot(3), 1));
  NextFrame();
  Begin3D(1, 100, 60);
  SetCamera(0, 0, 5, 0, 0, 0);
  EXPECT_NEAR(CollideRay(3, 0, 0, 0, 5, 0, 0, -1), 4.5, 1e-4);
  Translate(0, 0, 1);  // the cube comes one unit closer
  EXPECT_NEAR(CollideRay(3, 0, 0, 0, 5, 0, 0, -1), 3.5, 1e-4);
  EXPECT_EQ(CollideRay(4, 0, 0, 0, 5, 0, 0, -1), 0) << "a free slot is never hit";

  // The origin lands in the middle of the game's screen.
  double sx = 0, sy = 0, sz = 0;
  ASSERT_EQ(ProjectToScreen(0, 0, 0, sx, sy, sz), 1);
  EXPECT_NEAR(sx, kWidth / 2.0, 1);
  EXPECT_NEAR(sy, kHeight / 2.0, 1);
  End3D();
}

}  // namespace
