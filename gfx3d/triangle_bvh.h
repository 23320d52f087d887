// A bounding-volume hierarchy over one mesh frame's triangle list, so ray,
// sphere and box queries against large models visit only the triangles near
// the shape. Built on first use and kept on the frame until the frame's
// triangles change. Answers equal the plain scan's, ties included: the
// hierarchy only decides which triangles are looked at, the exact tests of
// collision.h decide the hits.
// Depends on: gfx3d/collision.h, gfx3d/mesh.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx3d/collision.h"
#include "gfx3d/mesh.h"

namespace orv {

class TriangleBvh {
 public:
  // Three records per triangle; a trailing partial triangle is ignored.
  explicit TriangleBvh(const std::vector<MeshVertex>& records);

  // Still built from this very list (same storage, same length)?
  bool BuiltFrom(const std::vector<MeshVertex>& records) const {
    return records.data() == source_ && records.size() == sourceSize_;
  }
  int TriangleCount() const { return static_cast<int>(tris_.size()); }

  RayHits Ray(Vec3 o, Vec3 r) const;
  // Record index of the first triangle in list order the shape touches, or -1.
  int FirstSphereHit(Vec3 centre, float radius) const;
  int FirstBoxHit(const OrientedBox& box) const;

 private:
  struct Node {
    float lo[3], hi[3];
    // A leaf holds count > 0 triangles from first on; an inner node has
    // count 0, its left child right after it and its right child at first.
    uint32_t first = 0;
    uint32_t count = 0;
    // The smallest triangle index below this node: first-hit searches skip
    // subtrees that cannot beat the hit already found.
    int32_t minTriangle = 0;
  };
  struct Tri {
    Vec3 v[3];
    int32_t index;  // triangle number in the list
  };

  // The first triangle in list order (record index, or -1) that `touches`
  // accepts, visiting only nodes `reaches` accepts.
  template <class NodeTest, class TriangleTest>
  int FirstHit(NodeTest reaches, TriangleTest touches) const;

  uint32_t Build(std::vector<uint32_t>& order, uint32_t begin, uint32_t end, const std::vector<Vec3>& centroids,
                 const std::vector<Tri>& source);

  std::vector<Node> nodes_;
  std::vector<Tri> tris_;  // in leaf order
  const MeshVertex* source_ = nullptr;
  size_t sourceSize_ = 0;
};

// The frame's hierarchy, built now if the frame has none or its triangle
// list was replaced since.
const TriangleBvh& HierarchyOf(const MeshFrame& frame);

}  // namespace orv
