// Queries against model slots: the hierarchy against the plain scan on
// random meshes, the slot rules (transform, several meshes, last hit), and
// the projection between world and screen.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "gfx3d/collision.h"
#include "gfx3d/model_builder.h"
#include "gfx3d/sample_models.h"
#include "gfx3d/triangle_bvh.h"

namespace orv {
namespace {

struct Random {
  std::mt19937 gen{77};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
  Vec3 Point(float extent) { return {Uniform(-extent, extent), Uniform(-extent, extent), Uniform(-extent, extent)}; }
};

// A triangle soup in one mesh frame: clusters of small triangles, some of
// them repeated exactly so that equal distances must be broken the same way.
void AddSoup(ModelSlot& slot, Random& rnd, int triangles) {
  ModelBuilder b;
  b.Start(slot, 0);
  Vec3 previous[3];
  for (int t = 0; t < triangles; ++t) {
    Vec3 v[3];
    const Vec3 at = rnd.Point(10);
    for (Vec3& p : v) p = at + rnd.Point(0.8f);
    if (t % 7 == 3)
      for (int k = 0; k < 3; ++k) v[k] = previous[k];
    for (int k = 0; k < 3; ++k) {
      b.AddVertex(v[k].x, v[k].y, v[k].z, 0, 0, 0xFFFFFF);
      previous[k] = v[k];
    }
  }
  ASSERT_TRUE(b.End(0));
}

void ExpectSameRay(const RayHits& a, const RayHits& b, int n) {
  EXPECT_EQ(a.ahead, b.ahead) << "ray " << n;
  EXPECT_EQ(a.aheadRecord, b.aheadRecord) << "ray " << n;
  EXPECT_EQ(a.behind, b.behind) << "ray " << n;
  EXPECT_EQ(a.behindRecord, b.behindRecord) << "ray " << n;
}

TEST(ModelQueries, HierarchyAnswersEqualTheScan) {
  Random rnd;
  ModelSlot soup;
  AddSoup(soup, rnd, 3000);
  ModelSlot ball;
  ASSERT_TRUE(BuildSampleSphere(ball, 4, 24, 32));
  int rayHits = 0, sphereHits = 0, boxHits = 0;
  for (const ModelSlot* slot : {&soup, &ball}) {
    const MeshFrame& f = slot->meshes[0]->frames[0];
    ASSERT_GE(f.triangles.size() / 3, 500u);
    for (int n = 0; n < 1000; ++n) {
      // Origins inside and outside the model, directions of any length.
      const Vec3 o = rnd.Point(n % 2 ? 3.0f : 15.0f);
      const Vec3 r = rnd.Point(2);
      const RayHits scan = RayFrame(f, o, r, QueryMethod::kScan);
      ExpectSameRay(RayFrame(f, o, r), scan, n);
      rayHits += scan.aheadRecord >= 0;
      const Vec3 c = rnd.Point(11);
      const float radius = rnd.Uniform(0, 2);
      const int sphere = SphereFrame(f, c, radius, QueryMethod::kScan);
      EXPECT_EQ(SphereFrame(f, c, radius), sphere) << "sphere " << n;
      sphereHits += sphere >= 0;
      OrientedBox box{c, {rnd.Point(1), rnd.Point(1), rnd.Point(1)}};
      const int boxHit = BoxFrame(f, box, QueryMethod::kScan);
      EXPECT_EQ(BoxFrame(f, box), boxHit) << "box " << n;
      boxHits += boxHit >= 0;
    }
    EXPECT_NE(f.hierarchy, nullptr);
  }
  EXPECT_GT(rayHits, 400);
  EXPECT_GT(sphereHits, 200);
  EXPECT_GT(boxHits, 200);
}

TEST(ModelQueries, DamagedCoordinatesNeitherHitNorConfuseTheHierarchy) {
  // A model file can carry NaN and infinite coordinates: those triangles
  // never hit, and the others are found as the scan finds them.
  Random rnd;
  ModelSlot slot;
  AddSoup(slot, rnd, 400);
  MeshFrame& f = slot.meshes[0]->frames[0];
  const float bad[] = {NAN, INFINITY, -INFINITY};
  for (size_t i = 0; i < f.triangles.size(); i += 5) {
    const float v = bad[i % 3];
    if (i % 2) f.triangles[i].x = v; else f.triangles[i].y = v;
  }
  f.DropHierarchy();
  const OrientedBox cube{{0, 0, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (float v : bad) {
    EXPECT_FALSE(BoxTriangle(cube, {v, 0, 0}, {0, 0, 0}, {0, 0.5f, 0}));
    EXPECT_FALSE(SphereTriangle({0, 0, 0}, 1, {v, 0, 0}, {0, 0, 0}, {0, 0.5f, 0}));
    EXPECT_EQ(RayTriangle({v, 0, 0}, {0, 0, 0}, {0, 0.5f, 0}, {0.1f, 0.1f, -1}, {0, 0, 1}), 0);
  }
  for (int n = 0; n < 300; ++n) {
    const Vec3 o = rnd.Point(12), r = rnd.Point(1);
    ExpectSameRay(RayFrame(f, o, r), RayFrame(f, o, r, QueryMethod::kScan), n);
    const Vec3 c = rnd.Point(10);
    EXPECT_EQ(SphereFrame(f, c, 1), SphereFrame(f, c, 1, QueryMethod::kScan));
    const OrientedBox box{c, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_EQ(BoxFrame(f, box), BoxFrame(f, box, QueryMethod::kScan));
  }

  // Query shapes with a coordinate, size or radius that is not finite touch
  // nothing either, near the model or far from it, and neither does a shape
  // the object transform makes infinite.
  ModelSlot box;
  ASSERT_TRUE(BuildSampleCube(box, 2));
  const Mat4 at = Mat4::Identity();
  int last = 0;
  for (float v : bad) {
    for (Vec3 c : {Vec3{0, 0, 0}, Vec3{10, 0, 0}}) {
      EXPECT_FALSE(SlotBoxQuery(box, 0, at, {c.x, c.y, v}, {1, 1, 1}, last)) << v;
      EXPECT_FALSE(SlotBoxQuery(box, 0, at, c, {1, v, 1}, last)) << v;
      EXPECT_FALSE(SlotSphereQuery(box, 0, at, {v, c.y, c.z}, 1, last)) << v;
      EXPECT_FALSE(SlotSphereQuery(box, 0, at, c, v, last)) << v;
      EXPECT_EQ(SlotRayQuery(box, 0, at, {c.x - 5, v, 0}, {1, 0, 0}, last), 0) << v;
      EXPECT_EQ(SlotRayQuery(box, 0, at, {c.x - 5, 0, 0}, {1, v, 0}, last), 0) << v;
      EXPECT_FALSE(SphereReachesBox(at, {v, c.y, c.z}, 1, {1, 1, 1})) << v;
      EXPECT_FALSE(SphereReachesBox(at, c, v, {1, 1, 1})) << v;
      EXPECT_FALSE(SphereReachesBox(at, c, 1, {1, 1, v})) << v;
    }
  }
  EXPECT_EQ(last, -1);
  const Mat4 tiny = Scaling(1e-12f, 1e-12f, 1e-12f);
  EXPECT_FALSE(SlotBoxQuery(box, 0, tiny, {1e30f, 0, 0}, {1, 1, 1}, last));
  EXPECT_FALSE(SlotSphereQuery(box, 0, tiny, {1e30f, 0, 0}, 1, last));
  EXPECT_FALSE(SphereReachesBox(tiny, {1e30f, 0, 0}, 1, {1, 1, 1}));
  // The same shapes with finite numbers do touch the box.
  EXPECT_TRUE(SlotBoxQuery(box, 0, at, {0, 0, 0}, {3, 3, 3}, last));
  EXPECT_TRUE(SlotSphereQuery(box, 0, at, {1, 0, 0}, 0.5f, last));
  EXPECT_NE(SlotRayQuery(box, 0, at, {-5, 0, 0}, {1, 0, 0}, last), 0);
}

TEST(ModelQueries, HierarchyIsRebuiltWhenTheMeshChanges) {
  ModelSlot ball;
  ASSERT_TRUE(BuildSampleSphere(ball, 1, 16, 16));
  MeshObjectX& mesh = *ball.meshes[0];
  int last = -1;
  EXPECT_NEAR(SlotRayQuery(ball, 0, Mat4::Identity(), {-10, 0.01f, 0.02f}, {1, 0, 0}, last), 9, 0.02f);
  ASSERT_NE(mesh.frames[0].hierarchy, nullptr);
  // Scaling edits the triangles in place: the old hierarchy would still
  // answer 9 for this ray.
  mesh.Scale({3, 3, 3});
  EXPECT_EQ(mesh.frames[0].hierarchy, nullptr);
  EXPECT_NEAR(SlotRayQuery(ball, 0, Mat4::Identity(), {-10, 0.01f, 0.02f}, {1, 0, 0}, last), 7, 0.05f);
  mesh.GenerateNormals(true, true, true);  // rebuilds the triangle lists
  EXPECT_EQ(mesh.frames[0].hierarchy, nullptr);
  EXPECT_NEAR(SlotRayQuery(ball, 0, Mat4::Identity(), {-10, 0.01f, 0.02f}, {1, 0, 0}, last), 7, 0.05f);
}

// The face a record index names, as its three corner positions.
std::array<Vec3, 3> Face(const ModelSlot& slot, int record) {
  std::array<double, 27> f{};
  EXPECT_TRUE(GetFace(slot, 0, record / 3, f));
  auto at = [&](size_t i) {
    return Vec3{static_cast<float>(f[i]), static_cast<float>(f[i + 1]), static_cast<float>(f[i + 2])};
  };
  return {at(0), at(9), at(18)};
}

TEST(ModelQueries, RaysFromInsideAndPointingAway) {
  ModelSlot cube;
  ASSERT_TRUE(BuildSampleCube(cube, 2));
  int last = -1;
  // From the centre: the wall ahead, and that wall is the one reported
  // (not the one behind, which the ray also meets).
  EXPECT_FLOAT_EQ(SlotRayQuery(cube, 0, Mat4::Identity(), {0, 0.1f, 0.2f}, {5, 0, 0}, last), 1);
  for (const Vec3& corner : Face(cube, last)) EXPECT_EQ(corner.x, 1);
  EXPECT_FLOAT_EQ(SlotRayQuery(cube, 0, Mat4::Identity(), {0, 0.1f, 0.2f}, {-1, 0, 0}, last), 1);
  for (const Vec3& corner : Face(cube, last)) EXPECT_EQ(corner.x, -1);
  // Beyond the cube looking away: the nearer wall behind, negative.
  EXPECT_FLOAT_EQ(SlotRayQuery(cube, 0, Mat4::Identity(), {5, 0.1f, 0.2f}, {1, 0, 0}, last), -4);
  for (const Vec3& corner : Face(cube, last)) EXPECT_EQ(corner.x, 1);
  // Missing, and a direction of zero length.
  EXPECT_EQ(SlotRayQuery(cube, 0, Mat4::Identity(), {5, 5, 0}, {1, 0, 0}, last), 0);
  EXPECT_EQ(last, -1);
  EXPECT_EQ(SlotRayQuery(cube, 0, Mat4::Identity(), {0, 0, 0}, {0, 0, 0}, last), 0);
  EXPECT_EQ(last, -1);
  // Placed by a transform: moved to x = 10 and doubled. Distances stay in
  // world units.
  const Mat4 placed = Translation(10, 0, 0) * Scaling(2, 2, 2);
  EXPECT_FLOAT_EQ(SlotRayQuery(cube, 0, placed, {0, 0.1f, 0.2f}, {1, 0, 0}, last), 8);
  EXPECT_EQ(SlotRayQuery(cube, 0, Mat4{}, {0, 0.1f, 0.2f}, {1, 0, 0}, last), 0);  // singular
  // A frame the mesh does not have.
  EXPECT_EQ(SlotRayQuery(cube, 1, Mat4::Identity(), {0, 0.1f, 0.2f}, {1, 0, 0}, last), 0);
}

TEST(ModelQueries, SeveralMeshesGiveTheNearestHit) {
  ModelSlot slot;
  // A scene slot of two cubes, the second one nearer along the ray.
  for (float x : {8.0f, 4.0f}) {
    ModelSlot one;
    ASSERT_TRUE(BuildSampleCube(one, 1));
    MeshObjectX& mesh = *one.meshes[0];
    for (MeshVertex& v : mesh.frames[0].stream) v.x += x;
    mesh.Prepare();
    mesh.ComputeBounds();
    slot.meshes.push_back(std::move(one.meshes[0]));
  }
  int last = -1;
  EXPECT_FLOAT_EQ(SlotRayQuery(slot, 0, Mat4::Identity(), {0, 0.1f, 0.1f}, {1, 0, 0}, last), 3.5f);
  for (const Vec3& corner : Face(slot, 36 + last)) EXPECT_EQ(corner.x, 3.5f);  // mesh 1's triangles follow mesh 0's 12
  // The sphere stops at the first mesh it touches.
  EXPECT_TRUE(SlotSphereQuery(slot, 0, Mat4::Identity(), {8, 0.2f, 0.9f}, 0.45f, last));
  EXPECT_GE(last, 0);
  EXPECT_TRUE(SlotSphereQuery(slot, 0, Mat4::Identity(), {4, 0.2f, 0.9f}, 0.45f, last));
  EXPECT_FALSE(SlotSphereQuery(slot, 0, Mat4::Identity(), {6, 0.2f, 0.9f}, 0.45f, last));
  EXPECT_EQ(last, -1);
}

TEST(ModelQueries, SpheresAndBoxesAgainstACube) {
  ModelSlot cube;
  ASSERT_TRUE(BuildSampleCube(cube, 2));
  int last = 5;
  ModelSlot empty;
  EXPECT_FALSE(SlotSphereQuery(empty, 0, Mat4::Identity(), {0, 0, 0}, 100, last));
  EXPECT_EQ(last, -1);
  // Touching a face, missing it, and a radius below zero.
  EXPECT_TRUE(SlotSphereQuery(cube, 0, Mat4::Identity(), {0.3f, 0.2f, 1.4f}, 0.5f, last));
  for (const Vec3& corner : Face(cube, last)) EXPECT_EQ(corner.z, 1);
  EXPECT_FALSE(SlotSphereQuery(cube, 0, Mat4::Identity(), {0.3f, 0.2f, 1.6f}, 0.5f, last));
  EXPECT_FALSE(SlotSphereQuery(cube, 0, Mat4::Identity(), {0.3f, 0.2f, 1.0f}, -0.5f, last));
  // A sphere holding the mesh's first corner is a hit before any triangle
  // is tested; the last hit stays -1.
  const Vec3 first = cube.meshes[0]->frames[0].triangles[0].Position();
  EXPECT_TRUE(SlotSphereQuery(cube, 0, Mat4::Identity(), first * 1.1f, 0.3f, last));
  EXPECT_EQ(last, -1);

  // Turned by 45 degrees about z the cube reaches sqrt(2) along x.
  const Mat4 turned = Rotation(45, 0, 0, 1);
  EXPECT_TRUE(SlotBoxQuery(cube, 0, turned, {1.85f, 0, 0}, {1, 1, 1}, last));
  EXPECT_FALSE(SlotBoxQuery(cube, 0, turned, {1.95f, 0, 0}, {1, 1, 1}, last));
  // Corner against corner, farther apart than the box's half-diagonal and
  // the cube's radius combined in quadrature, yet overlapping: the distance
  // prefilter must not throw this away.
  EXPECT_TRUE(SlotBoxQuery(cube, 0, Mat4::Identity(), {1.9f, 1.9f, 1.9f}, {2, 2, 2}, last));
  EXPECT_GE(last, 0);
  EXPECT_FALSE(SlotBoxQuery(cube, 0, Mat4::Identity(), {2.1f, 2.1f, 2.1f}, {2, 2, 2}, last));
}

TEST(ModelQueries, SphereTouchesBoxInTheTransformedSpace) {
  const Vec3 size{2, 4, 6};
  EXPECT_TRUE(SphereReachesBox(Mat4::Identity(), {1.5f, 0, 0}, 0.5f, size));  // just reaching
  EXPECT_FALSE(SphereReachesBox(Mat4::Identity(), {1.6f, 0, 0}, 0.5f, size));
  // Past a corner: the distance counts every axis.
  EXPECT_FALSE(SphereReachesBox(Mat4::Identity(), {1.5f, 2.5f, 3.5f}, 0.8f, size));
  EXPECT_TRUE(SphereReachesBox(Mat4::Identity(), {1.5f, 2.5f, 3.5f}, 0.9f, size));
  // The box placed at x = 10 and turned a quarter about z: its 4-unit side
  // now runs along x.
  const Mat4 placed = Translation(10, 0, 0) * Rotation(90, 0, 0, 1);
  EXPECT_TRUE(SphereReachesBox(placed, {12.4f, 0, 0}, 0.5f, size));
  EXPECT_FALSE(SphereReachesBox(placed, {10, 1.6f, 0}, 0.5f, size));
}

// The projections the scene sets up: the screen-orientation turn (none,
// a quarter, a half, three quarters) times a perspective or orthographic
// matrix.
Mat4 OrientationTurn(int turns) {
  Mat4 m = Mat4::Identity();
  if (turns == 2) m.at(0, 0) = m.at(1, 1) = -1;
  if (turns == 1 || turns == 3) {
    m.at(0, 0) = m.at(1, 1) = 0;
    m.at(1, 0) = turns == 1 ? -1.0f : 1.0f;
    m.at(0, 1) = turns == 1 ? 1.0f : -1.0f;
  }
  return m;
}

TEST(ScreenProjection, RoundTripsAtEveryOrientation) {
  Random rnd;
  const Mat4 view = Rotation(-20, 1, 0, 0) * Rotation(30, 0, 1, 0) * Translation(-1, -2, -3);
  const ScreenRect viewports[] = {{0, 0, 640, 480}, {40, 30, 320, 200}};
  for (int turns = 0; turns < 4; ++turns)
    for (const ScreenRect& vp : viewports)
      for (const Mat4& lens : {Perspective(45, vp.width / vp.height, 1, 100),
                               Orthographic(-20, 20, -15, 15, 1, 100)}) {
        const Mat4 projection = OrientationTurn(turns) * lens;
        for (int n = 0; n < 200; ++n) {
          // A point in front of the camera, inside the view.
          Vec3 screen{rnd.Uniform(vp.x, vp.x + vp.width), rnd.Uniform(vp.y, vp.y + vp.height), rnd.Uniform(0.05f, 0.95f)};
          Vec3 world, back;
          ASSERT_TRUE(UnprojectPoint(projection, view, vp, screen, world));
          ASSERT_TRUE(ProjectPoint(projection, view, vp, world, back));
          EXPECT_NEAR(back.x, screen.x, 0.05f) << turns;
          EXPECT_NEAR(back.y, screen.y, 0.05f) << turns;
          EXPECT_NEAR(back.z, screen.z, 0.002f) << turns;
        }
      }
}

TEST(ScreenProjection, DepthsAndTheEyePlane) {
  const ScreenRect vp{0, 0, 640, 480};
  const Mat4 projection = Perspective(60, 640.0f / 480, 2, 50);
  const Mat4 view = Translation(0, 0, -10);  // eye at z = 10 looking down -z
  Vec3 out{7, 7, 7};
  // The eye itself: clip w is exactly 0.
  EXPECT_FALSE(ProjectPoint(projection, view, vp, {0, 0, 10}, out));
  EXPECT_EQ(out.x, 7);
  // Straight ahead lands in the viewport's centre; up on the screen is y down.
  ASSERT_TRUE(ProjectPoint(projection, view, vp, {0, 0, 0}, out));
  EXPECT_NEAR(out.x, 320, 1e-3f);
  EXPECT_NEAR(out.y, 240, 1e-3f);
  ASSERT_TRUE(ProjectPoint(projection, view, vp, {0, 1, 0}, out));
  EXPECT_LT(out.y, 240);
  // Depth 0 and 1 are the near and far planes.
  ASSERT_TRUE(UnprojectPoint(projection, view, vp, {320, 240, 0}, out));
  EXPECT_NEAR(out.z, 10 - 2, 1e-3f);
  ASSERT_TRUE(UnprojectPoint(projection, view, vp, {320, 240, 1}, out));
  EXPECT_NEAR(out.z, 10 - 50, 0.02f);
  ASSERT_TRUE(UnprojectPoint(projection, view, vp, {0, 0, 0}, out));  // top-left corner
  EXPECT_LT(out.x, 0);
  EXPECT_GT(out.y, 0);
  out = {7, 7, 7};
  EXPECT_FALSE(UnprojectPoint(projection, view, {0, 0, 0, 0}, {1, 1, 0}, out));
  EXPECT_FALSE(UnprojectPoint(Mat4{}, view, vp, {1, 1, 0}, out));
  EXPECT_EQ(out.x, 7);
}

}  // namespace
}  // namespace orv
