// orvane-sample-models writes model files the loader reads back whole.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "orvane/runtime.h"
#include "runtime/runtime_state.h"
#include "support/test_support.h"

namespace {

TEST(SampleModelsTool, WritesCubeSphereAndAnimatedModelsThatLoad) {
  const std::string dir = orvtest::PrivateDir();
  const orvtest::ProcessResult run = orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-sample-models"), dir});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, dir + "/cube.ddd\n" + dir + "/sphere.ddd\n" + dir + "/animated.ddd\n");

  orv::Rt().scene = std::make_unique<orv::Vexel3D>(nullptr);
  LoadObject((dir + "/cube.ddd").c_str(), 0);
  LoadObject((dir + "/sphere.ddd").c_str(), 1);
  LoadObject((dir + "/animated.ddd").c_str(), 2);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(CountTriangles(0), 12);
  EXPECT_EQ(CountTriangles(1), 2 * 12 * 24);
  EXPECT_EQ(CountTriangles(2), 6);
  const orv::ModelSlot& animated = *orv::Rt().scene->Models().Slot(2);
  ASSERT_EQ(animated.meshes[0]->FrameCount(), 2);
  EXPECT_GT(animated.meshes[0]->frames[1].radius, animated.meshes[0]->frames[0].radius);
  orv::Rt().scene.reset();

  // A missing folder is made; one that cannot be made (below a file) fails,
  // and so does a missing argument.
  EXPECT_EQ(orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-sample-models"), dir + "/made/here"}).exitCode, 0);
  EXPECT_TRUE(orvtest::Exists(dir + "/made/here/cube.ddd"));
  EXPECT_EQ(orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-sample-models"), dir + "/cube.ddd/no"}).exitCode, 1);
  EXPECT_EQ(orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-sample-models")}).exitCode, 2);
}

}  // namespace
