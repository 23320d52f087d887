// The exact triangle tests against brute force: thousands of random boxes,
// spheres and triangles, each answer checked by sampling the triangle's
// surface densely. Sampling can only approximate, so each direction is
// checked with the tolerance the sample spacing guarantees.
#include "gfx3d/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace orv {
namespace {

constexpr int kGrid = 48;  // samples per triangle edge

struct Random {
  std::mt19937 gen{20261209};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
  Vec3 Point(float extent) { return {Uniform(-extent, extent), Uniform(-extent, extent), Uniform(-extent, extent)}; }
};

// Calls f on every grid sample of the triangle.
template <typename F>
void ForSamples(Vec3 a, Vec3 b, Vec3 c, F f) {
  for (int i = 0; i <= kGrid; ++i)
    for (int j = 0; i + j <= kGrid; ++j) {
      const float u = static_cast<float>(i) / kGrid, v = static_cast<float>(j) / kGrid;
      f(a + (b - a) * u + (c - a) * v);
    }
}

float MaxEdge(Vec3 a, Vec3 b, Vec3 c) { return std::fmax(Length(b - a), std::fmax(Length(c - b), Length(a - c))); }

// Coordinates of p in the box's frame: inside is |s| <= 1 on every axis.
struct BoxFrame {
  Mat4 toBox;
  explicit BoxFrame(const OrientedBox& box) {
    Mat4 m = Mat4::Identity();
    for (int r = 0; r < 3; ++r) {
      const float axis[3][3] = {{box.axis[0].x, box.axis[0].y, box.axis[0].z},
                                {box.axis[1].x, box.axis[1].y, box.axis[1].z},
                                {box.axis[2].x, box.axis[2].y, box.axis[2].z}};
      for (int c = 0; c < 3; ++c) m.at(r, c) = axis[c][r];
    }
    m.at(0, 3) = box.centre.x, m.at(1, 3) = box.centre.y, m.at(2, 3) = box.centre.z;
    EXPECT_TRUE(Invert(m, toBox));
  }
  float Outside(Vec3 p) const {  // largest |s| component
    const Vec3 s = TransformPoint(toBox, p);
    return std::fmax(std::fabs(s.x), std::fmax(std::fabs(s.y), std::fabs(s.z)));
  }
};

OrientedBox RandomBox(Random& rnd, bool sheared) {
  OrientedBox box;
  box.centre = rnd.Point(0.5f);
  const Mat4 turn = Rotation(rnd.Uniform(0, 360), rnd.Uniform(-1, 1), rnd.Uniform(-1, 1), rnd.Uniform(-1, 1));
  const Vec3 half{rnd.Uniform(0.1f, 1.5f), rnd.Uniform(0.1f, 1.5f), rnd.Uniform(0.1f, 1.5f)};
  box.axis[0] = TransformDirection(turn, {half.x, 0, 0});
  box.axis[1] = TransformDirection(turn, {0, half.y, 0});
  box.axis[2] = TransformDirection(turn, {0, 0, half.z});
  if (sheared) box.axis[1] += box.axis[0] * rnd.Uniform(-0.8f, 0.8f);
  return box;
}

TEST(TriangleTests, BoxAgainstSampledTriangles) {
  Random rnd;
  int hits = 0, misses = 0;
  for (int n = 0; n < 4000; ++n) {
    const OrientedBox box = RandomBox(rnd, n % 4 == 0);
    const Vec3 at = rnd.Point(1.8f);
    const Vec3 a = at + rnd.Point(1.2f), b = at + rnd.Point(1.2f), c = at + rnd.Point(1.2f);
    const bool overlap = BoxTriangle(box, a, b, c);
    const BoxFrame frame(box);
    // Spacing of the samples measured in box units bounds how far outside
    // the box the nearest sample of a touching triangle can be.
    const Vec3 sa = TransformPoint(frame.toBox, a), sb = TransformPoint(frame.toBox, b),
               sc = TransformPoint(frame.toBox, c);
    const float slack = MaxEdge(sa, sb, sc) / kGrid + 1e-4f;
    float nearest = INFINITY;
    ForSamples(a, b, c, [&](Vec3 p) { nearest = std::fmin(nearest, frame.Outside(p)); });
    if (overlap) {
      ++hits;
      EXPECT_LE(nearest, 1 + slack) << "case " << n << ": overlap reported, no sample near the box";
    } else {
      ++misses;
      EXPECT_GT(nearest, 1 - 1e-4f) << "case " << n << ": separated, yet a sample lies in the box";
    }
  }
  // Both answers must be well represented or the check proves little.
  EXPECT_GT(hits, 800);
  EXPECT_GT(misses, 800);
}

TEST(TriangleTests, FlatBoxesAndTrianglesWithoutArea) {
  // A square of zero thickness in the z = 0 plane.
  OrientedBox flat{{0, 0, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}};
  // A triangle in the same plane beside the square: only an in-plane
  // direction separates them.
  EXPECT_FALSE(BoxTriangle(flat, {1.5f, 0, 0}, {3, 0, 0}, {2, 1, 0}));
  EXPECT_TRUE(BoxTriangle(flat, {0.5f, 0, 0}, {3, 0, 0}, {2, 1, 0}));
  // Piercing the square, and passing just above it.
  EXPECT_TRUE(BoxTriangle(flat, {0, 0, -1}, {0.2f, 0, 1}, {-0.2f, 0.1f, 1}));
  EXPECT_FALSE(BoxTriangle(flat, {0, 0, 0.1f}, {0.2f, 0, 1}, {-0.2f, 0.1f, 1}));
  // A box reduced to a point, inside and beside a triangle.
  OrientedBox point{{0.2f, 0.2f, 0}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  EXPECT_TRUE(BoxTriangle(point, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
  point.centre = {0.8f, 0.8f, 0};
  EXPECT_FALSE(BoxTriangle(point, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
  // A triangle collapsed to a segment crossing, then missing, a unit cube.
  OrientedBox cube{{0, 0, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  EXPECT_TRUE(BoxTriangle(cube, {-3, 0.5f, 0.5f}, {3, 0.5f, 0.5f}, {0, 0.5f, 0.5f}));
  EXPECT_FALSE(BoxTriangle(cube, {-3, 1.5f, 0.5f}, {3, 1.5f, 0.5f}, {0, 1.5f, 0.5f}));
  // A segment running past a corner diagonally: no box face separates it,
  // only an edge-against-edge direction does.
  EXPECT_FALSE(BoxTriangle(cube, {2.2f, 0, -1}, {0, 2.2f, -1}, {0, 2.2f, -1}));
  EXPECT_TRUE(BoxTriangle(cube, {1.9f, 0, 0}, {0, 1.9f, 0}, {0, 1.9f, 0}));
}

TEST(TriangleTests, SphereAgainstSampledTriangles) {
  Random rnd;
  int hits = 0, misses = 0;
  for (int n = 0; n < 4000; ++n) {
    const Vec3 centre = rnd.Point(0.5f);
    const float radius = rnd.Uniform(0.05f, 1.5f);
    const Vec3 at = rnd.Point(1.6f);
    const Vec3 a = at + rnd.Point(1.2f), b = at + rnd.Point(1.2f), c = at + rnd.Point(1.2f);
    const Vec3 closest = ClosestPointOnTriangle(centre, a, b, c);
    const float slack = MaxEdge(a, b, c) / kGrid + 1e-4f;
    float nearest = INFINITY;
    ForSamples(a, b, c, [&](Vec3 p) { nearest = std::fmin(nearest, Length(p - centre)); });
    // The closest point is no farther than any sample, and no closer than
    // the sampled minimum allows.
    EXPECT_LE(Length(closest - centre), nearest + 1e-4f) << "case " << n;
    EXPECT_GE(Length(closest - centre), nearest - slack) << "case " << n;
    if (SphereTriangle(centre, radius, a, b, c)) {
      ++hits;
      EXPECT_LE(nearest, radius + slack) << "case " << n;
    } else {
      ++misses;
      EXPECT_GT(nearest, radius - 1e-4f) << "case " << n;
    }
  }
  EXPECT_GT(hits, 800);
  EXPECT_GT(misses, 800);
  EXPECT_FALSE(SphereTriangle({0, 0, 0}, -1, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
}

TEST(TriangleTests, RayDistancesAreSignedAlongTheRay) {
  const Vec3 a{-1, -1, 5}, b{1, -1, 5}, c{0, 1, 5};
  EXPECT_FLOAT_EQ(RayTriangle(a, b, c, {0, 0, 0}, {0, 0, 1}), 5);
  EXPECT_FLOAT_EQ(RayTriangle(a, b, c, {0, 0, 0}, {0, 0, -1}), -5);
  // Distances are in units of the direction's length.
  EXPECT_FLOAT_EQ(RayTriangle(a, b, c, {0, 0, 0}, {0, 0, 2}), 2.5f);
  EXPECT_EQ(RayTriangle(a, b, c, {3, 0, 0}, {0, 0, 1}), 0);  // beside it
  EXPECT_EQ(RayTriangle(a, b, c, {0, 0, 0}, {1, 0, 0}), 0);  // parallel
  EXPECT_EQ(RayTriangle(a, a, c, {0, 0, 0}, {0, 0, 1}), 0);  // no area
  EXPECT_EQ(RayTriangle(a, b, c, {0, 0, 5}, {0, 0, 1}), 0);  // starts on it
  // A sliver at a sphere's pole and a ray passing metres away from it.
  EXPECT_EQ(RayTriangle({0.369184f, -3.96578f, 0.369184f}, {-2.90758e-07f, -4, -1.94278e-07f},
                        {-2.47269e-07f, -4, -2.47269e-07f}, {-4.63422f, 6.82106f, 2.15996f},
                        {1.22771f, -0.972336f, 1.15689f}),
            0);
}

}  // namespace
}  // namespace orv
