// Building models vertex by vertex, and the sample models built that way.
#include "gfx3d/model_builder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gfx3d/model_file.h"
#include "gfx3d/sample_models.h"

namespace orv {
namespace {

TEST(ModelBuilder, FramesMustMatchFrameZero) {
  ModelSlot slot;
  ModelBuilder b;
  EXPECT_FALSE(b.AddVertex(0, 0, 0, 0, 0, 1));  // nothing being built
  b.Start(slot, 2);
  for (int i = 0; i < 4; ++i) b.AddVertex(static_cast<float>(i), static_cast<float>(i * i), 0, 0, 0.25f, 0x123456);
  b.SetFrame(1);
  for (int i = 0; i < 3; ++i) b.AddVertex(static_cast<float>(i), 1, 0, 0, 0, 0x123456);
  EXPECT_FALSE(b.End(0));  // frame 1 has 4 records, frame 0 five
  EXPECT_EQ(slot.inUse, 0);
  EXPECT_FALSE(b.Building());

  b.Start(slot, 2);
  for (int i = 0; i < 4; ++i) b.AddVertex(static_cast<float>(i), static_cast<float>(i * i), 0, 0, 0.25f, 0x123456);
  b.SetFrame(1);
  for (int i = 0; i < 4; ++i) b.AddVertex(static_cast<float>(i), 1, 0, 0, 0, 0x123456);
  ASSERT_TRUE(b.End(0));
  EXPECT_EQ(slot.meshes[0]->FrameCount(), 2);
  const MeshObjectX& mesh = *slot.meshes[0];
  EXPECT_EQ(mesh.frames[1].stream[0].colour, kMarkerFan);  // copied from frame 0
  EXPECT_EQ(mesh.frames[0].stream[1].v, -0.25f);
  EXPECT_EQ(CountTriangles(slot), 2);
  EXPECT_EQ(mesh.palette, (std::vector<uint32_t>{kMarkerFan, 0x123456}));

  b.Start(slot, 0);
  b.AddVertex(0, 0, 0, 0, 0, 0);
  EXPECT_FALSE(b.End(0));  // fewer than three records: dropped
  EXPECT_EQ(slot.inUse, 0);
  EXPECT_TRUE(slot.meshes[0]->frames.empty());
}

TEST(SampleModels, NormalsPointOutwardAndFilesReload) {
  ModelSlot cube, sphere, animated;
  ASSERT_TRUE(BuildSampleCube(cube, 2));
  ASSERT_TRUE(BuildSampleSphere(sphere, 1, 8, 12));
  ASSERT_TRUE(BuildSampleAnimated(animated));
  EXPECT_EQ(CountTriangles(cube), 12);
  EXPECT_EQ(CountTriangles(animated), 6);
  EXPECT_EQ(animated.meshes[0]->FrameCount(), 2);
  for (ModelSlot* slot : {&cube, &sphere, &animated}) {
    const MeshObjectX& mesh = *slot->meshes[0];
    const Vec3 centre = mesh.frames[0].centre;
    for (const MeshVertex& v : mesh.frames[0].triangles) {
      const Vec3 n = v.Normal();
      if (Length(n) == 0) continue;  // only the sphere's pole records, on no face
      EXPECT_GT(Dot(n, v.Position() - centre), 0) << v.x << " " << v.y << " " << v.z;
    }
    ModelSlot again;
    ASSERT_TRUE(LoadMeshSlot(SampleFile(*slot), "sample.ddd", again, 0));
    EXPECT_EQ(CountTriangles(again), CountTriangles(*slot));
    EXPECT_EQ(again.meshes[0]->frames[0].radius, mesh.frames[0].radius);
  }
  EXPECT_FLOAT_EQ(cube.meshes[0]->frames[0].radius, std::sqrt(3.0f));
}

}  // namespace
}  // namespace orv
