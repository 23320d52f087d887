// Shadow edge data: the hashed adjacency against the pairwise search on
// random meshes full of shared, near and degenerate edges, and silhouettes
// of closed and open meshes.
#include "gfx3d/shadow_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "shadow_mesh.h"

namespace {

using orv::Vec3;
using shadowtest::At;

std::vector<int> Neighbours(const std::vector<orv::ShadowEdge>& edges) {
  std::vector<int> out;
  for (const orv::ShadowEdge& e : edges) out.push_back(e.neighbour);
  return out;
}

// Corners from a small pool, so edges are shared by zero, one or many other
// triangles; some corners are nudged by less (or a little more) than the
// weld tolerance, in chains where welding is not transitive.
std::vector<orv::MeshVertex> RandomTriangles(std::mt19937& rng, int triangles, int pool) {
  std::uniform_int_distribution<int> pick(0, pool - 1);
  std::uniform_int_distribution<int> nudgeKind(0, 9);
  const float nudges[] = {0, 0, 0, 0, 0, 4e-6f, 6e-6f, 9.5e-6f, 1.2e-5f, -7e-6f};
  std::vector<orv::MeshVertex> out;
  for (int i = 0; i < triangles * 3; ++i) {
    const int p = pick(rng);
    Vec3 v{static_cast<float>(p % 5), static_cast<float>(p / 5 % 5) * 0.5f, static_cast<float>(p / 25)};
    v.x += nudges[nudgeKind(rng)];
    v.z += nudges[nudgeKind(rng)] * 0.5f;
    out.push_back(At(v));
  }
  return out;
}

TEST(ShadowEdges, HashedAdjacencyEqualsThePairwiseSearch) {
  std::mt19937 rng(1234);
  int shared = 0, crowded = 0;
  for (int round = 0; round < 300; ++round) {
    const int pool = 4 + round % 40;
    const std::vector<orv::MeshVertex> tris = RandomTriangles(rng, 1 + round % 60, pool);
    ASSERT_EQ(orv::ShadowWeld(tris), orv::ShadowWeldByScan(tris)) << "round " << round;
    const std::vector<orv::ShadowEdge> hashed = orv::FindShadowEdges(tris);
    const std::vector<orv::ShadowEdge> scanned = orv::FindShadowEdgesByScan(tris);
    ASSERT_EQ(hashed.size(), tris.size());
    ASSERT_EQ(Neighbours(hashed), Neighbours(scanned)) << "round " << round;
    for (const orv::ShadowEdge& e : hashed) shared += e.neighbour >= 0;
    // An edge of an earlier triangle pointing at a later one, while that
    // later one points further back: three or more triangles on one edge.
    for (size_t i = 0; i < hashed.size(); ++i) {
      const int n = hashed[i].neighbour;
      crowded += n >= 0 && static_cast<int>(i / 3) < n && hashed[static_cast<size_t>(3 * n)].neighbour != -1 &&
                 hashed[static_cast<size_t>(3 * n)].neighbour != static_cast<int>(i / 3);
    }
  }
  // The data really exercised shared and crowded edges.
  EXPECT_GT(shared, 1000);
  EXPECT_GT(crowded, 10);

  // Welding takes the first earlier record within the tolerance, so a chain
  // 0, 6e-6, 1.2e-5 welds its ends to the middle's left neighbour only.
  const std::vector<orv::MeshVertex> chain = {At({0, 0, 0}), At({6e-6f, 0, 0}), At({1.2e-5f, 0, 0})};
  EXPECT_EQ(orv::ShadowWeld(chain), (std::vector<int>{0, 0, 1}));
  const std::vector<orv::MeshVertex> odd = {At({NAN, 0, 0}), At({NAN, 0, 0}), At({INFINITY, 0, 0}),
                                            At({INFINITY, 0, 0}), At({3e38f, 0, 0}), At({3e38f, 0, 0})};
  EXPECT_EQ(orv::ShadowWeld(odd), orv::ShadowWeldByScan(odd));
}

// Silhouette edges as unordered pairs of corner positions.
using Segment = std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>;
std::set<Segment> Silhouette(const orv::MeshObjectX& mesh) {
  std::set<Segment> out;
  const auto& tris = mesh.frames[0].triangles;
  for (size_t i = 0; i < mesh.shadowEdges.size(); ++i) {
    if (!mesh.shadowEdges[i].silhouette) continue;
    const size_t t = i / 3, k = i % 3;
    const orv::MeshVertex& a = tris[3 * t + k];
    const orv::MeshVertex& b = tris[3 * t + (k + 1) % 3];
    auto pa = std::tuple{a.x, a.y, a.z}, pb = std::tuple{b.x, b.y, b.z};
    out.insert(pa < pb ? Segment{pa, pb} : Segment{pb, pa});
  }
  return out;
}

TEST(ShadowEdges, AClosedBoxLitFromOutsideHasExactlyTheEdgesBetweenLitAndUnlitFaces) {
  auto mesh = shadowtest::MeshOf(shadowtest::BoxTriangles({-1, -1, -1}, {1, 1, 1}));
  orv::BuildShadowEdges(*mesh);
  ASSERT_EQ(mesh->shadowEdges.size(), 36u);
  for (const orv::ShadowEdge& e : mesh->shadowEdges) EXPECT_GE(e.neighbour, 0);  // closed: every edge has one

  // The twelve box edges, each with the outward normals of its two faces.
  struct BoxEdge {
    Segment segment;
    Vec3 faceA, faceB;
  };
  std::vector<BoxEdge> boxEdges;
  for (int axis = 0; axis < 3; ++axis)
    for (float s : {-1.f, 1.f})
      for (float t : {-1.f, 1.f}) {
        float lo[3], hi[3];
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        lo[axis] = -1, hi[axis] = 1, lo[u] = hi[u] = s, lo[v] = hi[v] = t;
        Vec3 na{}, nb{};
        (&na.x)[u] = s;
        (&nb.x)[v] = t;
        boxEdges.push_back({{{lo[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}}, na, nb});
      }
  for (Vec3 light : {Vec3{0, 10, 0}, Vec3{10, 10, 0}, Vec3{7, 8, 9}, Vec3{-3, -0.5f, 0.25f}}) {
    orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, light);
    std::set<Segment> expected;
    for (const BoxEdge& e : boxEdges) {
      // A face is lit when the light is beyond its plane (the planes are at distance 1).
      const bool litA = orv::Dot(e.faceA, light) > 1, litB = orv::Dot(e.faceB, light) > 1;
      if (litA != litB) expected.insert(e.segment);
    }
    EXPECT_EQ(Silhouette(*mesh), expected) << light.x << "," << light.y << "," << light.z;
    int lit = 0;
    for (uint8_t f : mesh->shadowFacing) lit += f;
    EXPECT_EQ(lit, 2 * (std::fabs(light.x) > 1) + 2 * (std::fabs(light.y) > 1) + 2 * (std::fabs(light.z) > 1));
  }
}

TEST(ShadowEdges, BorderEdgesOfLitTrianglesOfAnOpenMeshCount) {
  // A flat quad (two triangles, one shared diagonal) facing up, and a third
  // triangle hanging off one side, facing down.
  std::vector<orv::MeshVertex> tris;
  shadowtest::AddQuad(tris, {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0});
  const size_t before = tris.size();
  shadowtest::AddQuad(tris, {1, 0, 0}, {2, 0, 0}, {2, 0, 1}, {1, 0, 1}, {0, -1, 0});
  tris.erase(tris.begin() + static_cast<long>(before), tris.begin() + static_cast<long>(before) + 3);  // keep the triangle on the shared side
  auto mesh = shadowtest::MeshOf(tris);
  orv::BuildShadowEdges(*mesh);
  int open = 0;
  for (const orv::ShadowEdge& e : mesh->shadowEdges) open += e.neighbour == -1;
  EXPECT_EQ(open, 9 - 4);  // 9 edges, two shared pairs

  orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, {0.5f, 5, 0.5f});
  EXPECT_EQ(mesh->shadowFacing, (std::vector<uint8_t>{1, 1, 0}));
  // The quad's four borders: the open ones and the one it shares with the unlit triangle.
  EXPECT_EQ(Silhouette(*mesh).size(), 4u);
  orv::MarkSilhouette(*mesh, mesh->frames[0].triangles, {0.5f, -5, 0.5f});
  EXPECT_EQ(mesh->shadowFacing, (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(Silhouette(*mesh).size(), 3u);  // the lone triangle: all its edges

  // Built once: a second build keeps the list even if frame 0 changed.
  mesh->frames[0].triangles.resize(3);
  orv::BuildShadowEdges(*mesh);
  EXPECT_EQ(mesh->shadowEdges.size(), 9u);
}

}  // namespace
