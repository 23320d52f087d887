// Picking and collision: the exact tests of a ray, a sphere and an oriented
// box against one triangle, the same shapes against a model slot's triangles
// under an object transform, and the projection of points between the world
// and the screen. Pure computation on plain values: no GL, no runtime state;
// the command layer passes in the scene's matrices and viewport.
// Depends on: gfx3d/matrix.h, gfx3d/mesh.h, gfx3d/model_slot.h.
#pragma once

#include "gfx3d/matrix.h"
#include "gfx3d/mesh.h"
#include "gfx3d/model_slot.h"

namespace orv {

// ---- One triangle -------------------------------------------------------------

// Signed distance t along o + t * r to the triangle v0 v1 v2, negative when
// the triangle lies behind the origin; 0 when the line misses it, is
// parallel to its plane, or the triangle has no area.
float RayTriangle(Vec3 v0, Vec3 v1, Vec3 v2, Vec3 o, Vec3 r);

// The point of the triangle a b c nearest to p.
Vec3 ClosestPointOnTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c);
// True when some point of the triangle lies within radius of the centre.
bool SphereTriangle(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c);

// A box given by its centre and three half-axis vectors: the corners are
// centre +- axis[0] +- axis[1] +- axis[2]. The axes need not be
// perpendicular (a sheared transform makes a parallelepiped of it).
struct OrientedBox {
  Vec3 centre;
  Vec3 axis[3];
};
// True when the box and the triangle share a point (separating axes).
bool BoxTriangle(const OrientedBox& box, Vec3 a, Vec3 b, Vec3 c);

// ---- One mesh frame -------------------------------------------------------------

// How a frame's triangles are searched: through the frame's hierarchy, or
// one by one (the plain scan the hierarchy must always agree with).
enum class QueryMethod { kHierarchy, kScan };

// The outcome of a ray against a triangle list: the smallest positive
// distance and the negative distance nearest 0, each with the triangle
// (its first record's index) that gave it first; 0 and -1 when none.
struct RayHits {
  float ahead = 0;
  int aheadRecord = -1;
  float behind = 0;
  int behindRecord = -1;
};

RayHits RayFrame(const MeshFrame& frame, Vec3 o, Vec3 r, QueryMethod method = QueryMethod::kHierarchy);
// Record index of the first triangle (in list order) the shape touches, -1 when none.
int SphereFrame(const MeshFrame& frame, Vec3 centre, float radius, QueryMethod method = QueryMethod::kHierarchy);
int BoxFrame(const MeshFrame& frame, const OrientedBox& box, QueryMethod method = QueryMethod::kHierarchy);

// ---- A model slot under an object transform ------------------------------------------

// Each query sets lastHit: the record index (first record of the triangle,
// within its mesh's triangle list) of the triangle hit, or -1. A singular
// transform, and a shape with a coordinate, size or radius that is not
// finite (NaN, infinite, or made so by the transform), answer "no hit".
bool SlotSphereQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 centre, float radius, int& lastHit,
                     QueryMethod method = QueryMethod::kHierarchy);
bool SlotBoxQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 centre, Vec3 size, int& lastHit,
                  QueryMethod method = QueryMethod::kHierarchy);
// Distance along the normalised direction to the nearest triangle ahead,
// else the (negative) distance to the nearest one behind, else 0.
float SlotRayQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 origin, Vec3 direction, int& lastHit,
                   QueryMethod method = QueryMethod::kHierarchy);

// True when the sphere (its centre taken into the object space of
// transform) reaches the axis-aligned box of the given full sizes centred
// on that space's origin; false for input that is not finite.
bool SphereReachesBox(const Mat4& transform, Vec3 centre, float radius, Vec3 size);

// ---- Screen and world -------------------------------------------------------------

// A viewport rectangle in screen pixels, origin top-left, y down.
struct ScreenRect {
  float x = 0, y = 0, width = 0, height = 0;
};

// World point to screen x, y (pixels) and depth 0 (near plane) to 1 (far
// plane). False, out untouched, when the clip w is exactly 0 (the point is
// in the eye's plane).
bool ProjectPoint(const Mat4& projection, const Mat4& view, const ScreenRect& viewport, Vec3 point, Vec3& out);
// The inverse: screen x, y and depth back to the world point. False, out
// untouched, when projection x view is singular, w comes out exactly 0 or
// the viewport is empty.
bool UnprojectPoint(const Mat4& projection, const Mat4& view, const ScreenRect& viewport, Vec3 screen, Vec3& out);

}  // namespace orv
