// Test meshes for shadows: boxes whose triangles are lit from outside (the
// light on the side of (p0 - p1) x (p2 - p1)), built from quads.
#pragma once

#include <memory>
#include <tuple>
#include <vector>

#include "gfx3d/mesh.h"

namespace shadowtest {

inline orv::MeshVertex At(orv::Vec3 p) {
  orv::MeshVertex v;
  v.SetPosition(p);
  return v;
}

// The quad a b c d as two triangles lit from the side `out` points to.
inline void AddQuad(std::vector<orv::MeshVertex>& tris, orv::Vec3 a, orv::Vec3 b, orv::Vec3 c, orv::Vec3 d, orv::Vec3 out) {
  for (auto [p, q, r] : {std::tuple{a, b, c}, std::tuple{a, c, d}}) {
    if (orv::Dot(orv::Cross(p - q, r - q), out) < 0) std::swap(q, r);
    tris.insert(tris.end(), {At(p), At(q), At(r)});
  }
}

// An axis-aligned box: 12 triangles, 36 unshared records.
inline std::vector<orv::MeshVertex> BoxTriangles(orv::Vec3 lo, orv::Vec3 hi) {
  std::vector<orv::MeshVertex> t;
  const float x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
  AddQuad(t, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {1, 0, 0});
  AddQuad(t, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, {-1, 0, 0});
  AddQuad(t, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {0, 1, 0});
  AddQuad(t, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, {0, -1, 0});
  AddQuad(t, {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {0, 0, 1});
  AddQuad(t, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, {0, 0, -1});
  return t;
}

inline std::unique_ptr<orv::MeshObjectX> MeshOf(std::vector<orv::MeshVertex> triangles) {
  auto mesh = std::make_unique<orv::MeshObjectX>();
  mesh->frames.resize(1);
  mesh->frames[0].triangles = std::move(triangles);
  return mesh;
}

}  // namespace shadowtest
