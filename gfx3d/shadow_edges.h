// Shadow edge data of a mesh: for every edge of frame 0's triangles, the
// triangle across it, and per draw which triangles face the light and which
// lit edges form the silhouette the shadow volume is extruded from.
// CPU only; the volume drawing lives in gfx3d/shadow_volume.*.
// Depends on: gfx3d/mesh.h.
#pragma once

#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

// Records whose x, y and z each differ by less than this are one corner.
constexpr float kShadowWeldTolerance = 0.00001f;

// The corner each record of a triangle list stands for: the first earlier
// record within the tolerance, or itself. Hashed on a grid of positions.
std::vector<int> ShadowWeld(const std::vector<MeshVertex>& triangles);
// The same by comparing every pair; the reference the hash must agree with.
std::vector<int> ShadowWeldByScan(const std::vector<MeshVertex>& triangles);

// Neighbour of every edge (edge k of triangle t runs from corner k to corner
// (k + 1) mod 3; entry 3t + k) of a triangle list, three records per
// triangle. Edges meet when their welded ends match in either direction.
// When more than two triangles share an edge the result is that of the
// pairwise search: each earliest triangle's edge takes the last of the later
// ones, and every later one takes the earliest.
std::vector<ShadowEdge> FindShadowEdges(const std::vector<MeshVertex>& triangles);
// The pairwise search itself, kept as the reference.
std::vector<ShadowEdge> FindShadowEdgesByScan(const std::vector<MeshVertex>& triangles);

// Fills mesh.shadowEdges from frame 0 when it is empty and the mesh has
// frames; the list then lives until the mesh is reset.
void BuildShadowEdges(MeshObjectX& mesh);

// Facing flag of every triangle of `triangles` (a frame of the mesh) for a
// light at `light` in object space, and the silhouette flags: a lit
// triangle's edge is on the silhouette when nothing, or an unlit triangle,
// lies across it. Edge data must be built; triangles beyond it count as open.
void MarkSilhouette(MeshObjectX& mesh, const std::vector<MeshVertex>& triangles, Vec3 light);

}  // namespace orv
