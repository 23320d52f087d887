// Shadow edge data: the hashed adjacency against the pairwise search on
// random meshes full of shared, near and crowded edges; silhouettes of a
// closed box and of an open mesh.
#include "gfx3d/shadow_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "shadow_mesh.h"

namespace {

using orv::Vec3;
using shadowtest::At;

std::vector<int> Neighbours(const std::vector<orv::ShadowEdge>& edges) {
  std::vector<int> out;
  for (const orv::ShadowEdge& e : edges) out.push_back(e.neighbour);
  return out;
}

TEST(ShadowEdges, HashedAdjacencyEqualsThePairwiseSearch) {
  // Corners from a small pool, some nudged by less (or a little more) than
  // the weld tolerance, in chains where welding is not transitive; every
  // fifth round far out, where only equal coordinates weld.
  std::mt19937 rng(1234);
  const float nudges[] = {0, 0, 0, 0, 0, 4e-6f, 6e-6f, 9.5e-6f, 1.2e-5f, -7e-6f};
  const float farOut[] = {1e14f, -3e20f, 2e37f};
  int crowded = 0;
  for (int round = 0; round < 300; ++round) {
    std::uniform_int_distribution<int> pick(0, 3 + round % 40), nudge(0, 9);
    const float scale = round % 5 == 4 ? farOut[round / 5 % 3] : 1;
    std::vector<orv::MeshVertex> tris;
    for (int i = 0; i < 3 * (1 + round % 60); ++i) {
      const int p = pick(rng);
      tris.push_back(
          At({(p % 5 + nudges[nudge(rng)]) * scale, p / 5 % 5 * 0.5f, (p / 25 + nudges[nudge(rng)] * 0.5f) * scale}));
    }
    ASSERT_EQ(orv::ShadowWeld(tris), orv::ShadowWeldByScan(tris)) << round;
    const std::vector<int> hashed = Neighbours(orv::FindShadowEdges(tris));
    ASSERT_EQ(hashed, Neighbours(orv::FindShadowEdgesByScan(tris))) << round;
    // Three or more triangles on one edge: an earlier one points forward at
    // a triangle that points back at someone else.
    for (size_t i = 0; i < hashed.size(); ++i) {
      const int n = hashed[i], t = static_cast<int>(i / 3);
      crowded += n > t && hashed[static_cast<size_t>(3 * n)] >= 0 && hashed[static_cast<size_t>(3 * n)] != t;
    }
  }
  EXPECT_GT(crowded, 10);  // the data really had them
  const std::vector<orv::MeshVertex> odd = {At({NAN, 0, 0}), At({NAN, 0, 0}), At({INFINITY, 0, 0}),
                                            At({INFINITY, 0, 0}), At({3e38f, 0, 0}), At({3e38f, 0, 0})};
  EXPECT_EQ(orv::ShadowWeld(odd), orv::ShadowWeldByScan(odd));
}

// Silhouette edges as sorted pairs of corners, and the corners as numbers.
using Segment = std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>;
std::set<Segment> Silhouette(const orv::MeshObjectX& mesh) {
  std::set<Segment> out;
  const auto& tris = mesh.frames[0].triangles;
  for (size_t i = 0; i < mesh.shadowEdges.size(); ++i) {
    if (!mesh.shadowEdges[i].silhouette) continue;
    const orv::MeshVertex &a = tris[i], &b = tris[i - i % 3 + (i + 1) % 3];
    const auto pa = std::tuple{a.x, a.y, a.z}, pb = std::tuple{b.x, b.y, b.z};
    out.insert(std::minmax(pa, pb));
  }
  return out;
}

TEST(ShadowEdges, AClosedBoxLitFromOutsideHasExactlyTheEdgesBetweenLitAndUnlitFaces) {
  auto mesh = shadowtest::MeshOf(shadowtest::BoxTriangles({-1, -1, -1}, {1, 1, 1}));
  orv::BuildShadowEdges(*mesh);
  for (const orv::ShadowEdge& e : mesh->shadowEdges) EXPECT_GE(e.neighbour, 0);
  for (Vec3 light : {Vec3{0, 10, 0}, Vec3{10, 10, 0}, Vec3{7, 8, 9}, Vec3{-3, -0.5f, 0.25f}}) {
    orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, light);
    // Each of the twelve box edges lies between the faces of two axes; the
    // face on axis a, side s is lit when the light is beyond its plane.
    std::set<Segment> expected;
    const float l[3] = {light.x, light.y, light.z};
    for (int axis = 0; axis < 3; ++axis)
      for (float s : {-1.f, 1.f})
        for (float t : {-1.f, 1.f}) {
          const int u = (axis + 1) % 3, v = (axis + 2) % 3;
          if ((l[u] * s > 1) == (l[v] * t > 1)) continue;
          float lo[3], hi[3];
          lo[axis] = -1, hi[axis] = 1, lo[u] = hi[u] = s, lo[v] = hi[v] = t;
          expected.insert({{lo[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}});
        }
    EXPECT_EQ(Silhouette(*mesh), expected) << light.x << "," << light.y << "," << light.z;
  }
}

TEST(ShadowEdges, BorderEdgesOfLitTrianglesOfAnOpenMeshCount) {
  // A quad facing up and, across its right side, one triangle facing down.
  std::vector<orv::MeshVertex> tris;
  shadowtest::AddQuad(tris, {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0});
  shadowtest::AddQuad(tris, {1, 0, 0}, {2, 0, 0}, {2, 0, 1}, {1, 0, 1}, {0, -1, 0});
  tris.erase(tris.begin() + 6, tris.begin() + 9);
  auto mesh = shadowtest::MeshOf(tris);
  orv::BuildShadowEdges(*mesh);
  const std::vector<int> neighbours = Neighbours(mesh->shadowEdges);
  EXPECT_EQ(std::count(neighbours.begin(), neighbours.end(), -1), 5);
  orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, {0.5f, 5, 0.5f});
  EXPECT_EQ(mesh->shadowFacing, (std::vector<uint8_t>{1, 1, 0}));
  EXPECT_EQ(Silhouette(*mesh).size(), 4u);  // the open borders and the one toward the unlit triangle
  orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, {0.5f, -5, 0.5f});
  EXPECT_EQ(Silhouette(*mesh).size(), 3u);  // the lone lit triangle: all of its edges
}

}  // namespace
