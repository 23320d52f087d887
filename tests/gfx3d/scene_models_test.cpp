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

}  // namespace
