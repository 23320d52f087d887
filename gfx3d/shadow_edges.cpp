#include "gfx3d/shadow_edges.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace orv {

namespace {

bool SameCorner(const MeshVertex& a, const MeshVertex& b) {
  return std::fabs(a.x - b.x) < kShadowWeldTolerance && std::fabs(a.y - b.y) < kShadowWeldTolerance &&
         std::fabs(a.z - b.z) < kShadowWeldTolerance;
}

// Grid cells twice the tolerance wide: two corners that match always lie in
// the same or neighbouring cells, whatever the rounding of the division.
// A cell is named by the exact bits of its index as a double, which holds
// the index of every finite float without a limit; beyond 2^53 neighbouring
// indices round to one, but there corners only match when they are equal,
// so no cell ever takes in far-apart corners.
constexpr double kCell = 2.0 * kShadowWeldTolerance;

double CellOf(float v) {
  const double c = std::floor(static_cast<double>(v) / kCell);
  return c == 0 ? 0.0 : c;  // -0 and +0 are one cell
}

uint64_t CellName(double c) {
  uint64_t bits;
  std::memcpy(&bits, &c, sizeof bits);
  return bits;
}

struct Cell {
  uint64_t x, y, z;  // names of the three indices
  bool operator==(const Cell&) const = default;
};

struct CellHash {
  size_t operator()(const Cell& c) const {
    uint64_t h = c.x * 0x9E3779B97F4A7C15ull;
    h ^= c.y * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= c.z * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h);
  }
};

int TriangleCount(const std::vector<MeshVertex>& triangles) { return static_cast<int>(triangles.size() / 3); }

// Welded ends of edge k of triangle t.
std::pair<int, int> EdgeEnds(const std::vector<int>& weld, int t, int k) {
  return {weld[static_cast<size_t>(3 * t + k)], weld[static_cast<size_t>(3 * t + (k + 1) % 3)]};
}

}  // namespace

std::vector<int> ShadowWeldByScan(const std::vector<MeshVertex>& triangles) {
  std::vector<int> weld(triangles.size());
  for (size_t i = 0; i < triangles.size(); ++i) {
    weld[i] = static_cast<int>(i);
    for (size_t j = 0; j < i; ++j) {
      if (SameCorner(triangles[j], triangles[i])) {
        weld[i] = static_cast<int>(j);
        break;
      }
    }
  }
  return weld;
}

std::vector<int> ShadowWeld(const std::vector<MeshVertex>& triangles) {
  std::vector<int> weld(triangles.size());
  // Each cell lists its records in increasing order, so the first match in a
  // cell is that cell's earliest; the earliest over the 27 cells is the
  // first earlier match overall.
  std::unordered_map<Cell, std::vector<int>, CellHash> grid;
  grid.reserve(triangles.size());
  for (size_t i = 0; i < triangles.size(); ++i) {
    const MeshVertex& v = triangles[i];
    weld[i] = static_cast<int>(i);
    // A coordinate that is not finite matches nothing, not even itself.
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
    const double home[3] = {CellOf(v.x), CellOf(v.y), CellOf(v.z)};
    // The names of the neighbouring cells along each axis; where the
    // indices round to one, that cell is looked at once, not three times.
    uint64_t around[3][3];
    int aroundCount[3];
    for (int a = 0; a < 3; ++a) {
      aroundCount[a] = 0;
      double last = 0;
      for (double c : {home[a] - 1, home[a], home[a] + 1}) {
        if (aroundCount[a] > 0 && c == last) continue;
        around[a][aroundCount[a]++] = CellName(c);
        last = c;
      }
    }
    int first = static_cast<int>(i);
    for (int dx = 0; dx < aroundCount[0]; ++dx)
      for (int dy = 0; dy < aroundCount[1]; ++dy)
        for (int dz = 0; dz < aroundCount[2]; ++dz) {
          auto it = grid.find(Cell{around[0][dx], around[1][dy], around[2][dz]});
          if (it == grid.end()) continue;
          for (int j : it->second) {
            if (j >= first) break;
            if (SameCorner(triangles[static_cast<size_t>(j)], v)) {
              first = j;
              break;
            }
          }
        }
    weld[i] = first;
    grid[Cell{CellName(home[0]), CellName(home[1]), CellName(home[2])}].push_back(static_cast<int>(i));
  }
  return weld;
}

std::vector<ShadowEdge> FindShadowEdgesByScan(const std::vector<MeshVertex>& triangles) {
  const int count = TriangleCount(triangles);
  std::vector<ShadowEdge> edges(static_cast<size_t>(count) * 3);
  const std::vector<int> weld = ShadowWeldByScan(triangles);
  for (int i = 0; i + 1 < count; ++i) {
    for (int e = 0; e < 3; ++e) {
      ShadowEdge& own = edges[static_cast<size_t>(3 * i + e)];
      if (own.neighbour != -1) continue;
      const auto [a, b] = EdgeEnds(weld, i, e);
      for (int k = i + 1; k < count; ++k) {
        for (int l = 0; l < 3; ++l) {
          const auto [c, d] = EdgeEnds(weld, k, l);
          if ((a == c && b == d) || (a == d && b == c)) {
            own.neighbour = k;
            edges[static_cast<size_t>(3 * k + l)].neighbour = i;
          }
        }
      }
    }
  }
  return edges;
}

std::vector<ShadowEdge> FindShadowEdges(const std::vector<MeshVertex>& triangles) {
  const int count = TriangleCount(triangles);
  std::vector<ShadowEdge> edges(static_cast<size_t>(count) * 3);
  const std::vector<int> weld = ShadowWeld(triangles);
  // Edges sharing their ends, by the unordered pair of welded corners. In the
  // pairwise search the earliest triangle of such a group is the only one
  // whose edges are still open when it is reached: each of its edges takes
  // the latest triangle of the group, and every later edge ends up pointing
  // back at it. Edges of that earliest triangle never point at each other.
  struct Group {
    int first = -1;  // earliest triangle
    int last = -1;   // latest triangle
  };
  std::unordered_map<uint64_t, Group> groups;
  groups.reserve(edges.size());
  auto key = [&](int t, int k) {
    auto [a, b] = EdgeEnds(weld, t, k);
    if (a > b) std::swap(a, b);
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
  };
  for (int t = 0; t < count; ++t)
    for (int k = 0; k < 3; ++k) {
      Group& g = groups[key(t, k)];
      if (g.first < 0) g.first = t;
      g.last = t;
    }
  for (int t = 0; t < count; ++t)
    for (int k = 0; k < 3; ++k) {
      const Group& g = groups[key(t, k)];
      ShadowEdge& e = edges[static_cast<size_t>(3 * t + k)];
      if (t == g.first)
        e.neighbour = g.last > t ? g.last : -1;
      else
        e.neighbour = g.first;
    }
  return edges;
}

void BuildShadowEdges(MeshObjectX& mesh) {
  if (!mesh.shadowEdges.empty() || mesh.frames.empty()) return;
  mesh.shadowEdges = FindShadowEdges(mesh.frames[0].triangles);
}

void MarkSilhouette(MeshObjectX& mesh, const std::vector<MeshVertex>& triangles, Vec3 light) {
  const int count = TriangleCount(triangles);
  mesh.shadowFacing.assign(static_cast<size_t>(count), 0);
  for (int t = 0; t < count; ++t) {
    const Vec3 p0 = triangles[static_cast<size_t>(3 * t)].Position();
    const Vec3 p1 = triangles[static_cast<size_t>(3 * t + 1)].Position();
    const Vec3 p2 = triangles[static_cast<size_t>(3 * t + 2)].Position();
    const Vec3 n = Cross(p0 - p1, p2 - p1);
    const Vec3 sum = p0 + p1 + p2;
    const Vec3 centre{sum.x / 3, sum.y / 3, sum.z / 3};
    mesh.shadowFacing[static_cast<size_t>(t)] = Dot(n, light - centre) >= 0 ? 1 : 0;
  }
  const int withEdges = std::min(count, static_cast<int>(mesh.shadowEdges.size() / 3));
  for (int t = 0; t < withEdges; ++t)
    for (int k = 0; k < 3; ++k) {
      ShadowEdge& e = mesh.shadowEdges[static_cast<size_t>(3 * t + k)];
      const bool open = e.neighbour < 0 || e.neighbour >= count;
      e.silhouette = mesh.shadowFacing[static_cast<size_t>(t)] &&
                     (open || !mesh.shadowFacing[static_cast<size_t>(e.neighbour)]);
    }
}

}  // namespace orv
