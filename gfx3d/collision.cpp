#include "gfx3d/collision.h"

#include <cmath>

#include "gfx3d/triangle_bvh.h"

namespace orv {

namespace {

// Below this many triangles the scan is as quick as building and walking a
// hierarchy, so small meshes never get one.
constexpr size_t kHierarchyMinTriangles = 32;

float LengthSquared(Vec3 v) { return Dot(v, v); }

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool UsesHierarchy(const MeshFrame& frame, QueryMethod method) {
  return method == QueryMethod::kHierarchy && frame.triangles.size() / 3 >= kHierarchyMinTriangles;
}

// Does the axis separate the box (centred on the origin) from the triangle?
bool Separates(Vec3 axis, const Vec3 (&halfAxes)[3], Vec3 p0, Vec3 p1, Vec3 p2) {
  if (LengthSquared(axis) == 0) return false;
  const float radius = std::fabs(Dot(halfAxes[0], axis)) + std::fabs(Dot(halfAxes[1], axis)) +
                       std::fabs(Dot(halfAxes[2], axis));
  const float d0 = Dot(p0, axis), d1 = Dot(p1, axis), d2 = Dot(p2, axis);
  const float lo = std::fmin(d0, std::fmin(d1, d2));
  const float hi = std::fmax(d0, std::fmax(d1, d2));
  return lo > radius || hi < -radius;
}

// True for a direction that is (numerically) no direction at all compared
// with the lengths it came from.
bool Vanishes(Vec3 cross, float scaleSquared) { return LengthSquared(cross) <= 1e-12f * scaleSquared; }

}  // namespace

float RayTriangle(Vec3 v0, Vec3 v1, Vec3 v2, Vec3 o, Vec3 r) {
  const Vec3 e1 = v1 - v0, e2 = v2 - v0;
  const Vec3 n = Cross(e1, e2);
  if (n.x == 0 && n.y == 0 && n.z == 0) return 0;
  const float b = Dot(n, r);
  if (b == 0) return 0;
  const float t = -Dot(n, o - v0) / b;
  // Barycentric coordinates of the plane point s = o + t r from cross
  // products: w = beta e1 + gamma e2 gives w x e2 = beta n and e1 x w =
  // gamma n. The textbook form through dot products and uv^2 - uu vv loses
  // every digit to cancellation on long thin triangles and then accepts
  // points far off them.
  const Vec3 w = (o + r * t) - v0;
  const float nn = Dot(n, n);
  const float beta = Dot(Cross(w, e2), n) / nn;
  const float gamma = Dot(Cross(e1, w), n) / nn;
  if (beta >= 0 && beta <= 1 && gamma >= 0 && beta + gamma <= 1) return t;
  return 0;
}

Vec3 ClosestPointOnTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
  // Voronoi regions of the corners, then of the edges, else the face.
  const Vec3 ab = b - a, ac = c - a, ap = p - a;
  const float d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  const Vec3 bp = p - b;
  const float d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
  const Vec3 cp = p - c;
  const float d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
  const float va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  const float denom = va + vb + vc;
  // A triangle without area whose corners do not fall in a corner or edge
  // region above: the nearest corner is as close as anything.
  if (!(std::fabs(denom) > 0)) {
    const float da = LengthSquared(p - a), db = LengthSquared(p - b), dc = LengthSquared(p - c);
    return da <= db && da <= dc ? a : (db <= dc ? b : c);
  }
  return a + ab * (vb / denom) + ac * (vc / denom);
}

bool SphereTriangle(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c) {
  // Damaged corners touch nothing (the region tests would pick a corner).
  if (!(radius >= 0) || !Finite(a) || !Finite(b) || !Finite(c)) return false;
  return LengthSquared(ClosestPointOnTriangle(centre, a, b, c) - centre) <= radius * radius;
}

bool BoxTriangle(const OrientedBox& box, Vec3 a, Vec3 b, Vec3 c) {
  // A NaN makes every comparison below false, which would read as "no axis
  // separates": damaged corners touch nothing instead.
  if (!Finite(a) || !Finite(b) || !Finite(c)) return false;
  const Vec3(&h)[3] = box.axis;
  const Vec3 p0 = a - box.centre, p1 = b - box.centre, p2 = c - box.centre;
  const Vec3 e[3] = {p1 - p0, p2 - p1, p0 - p2};
  // The box's face normals (for a rectangular box these point along its
  // axes; for a sheared one they do not), the triangle's normal, and the
  // nine edge-against-edge directions.
  const Vec3 faces[3] = {Cross(h[1], h[2]), Cross(h[2], h[0]), Cross(h[0], h[1])};
  const Vec3 normal = Cross(e[0], e[1]);
  for (const Vec3& f : faces)
    if (Separates(f, h, p0, p1, p2)) return false;
  if (Separates(normal, h, p0, p1, p2)) return false;
  for (const Vec3& axis : h)
    for (const Vec3& edge : e)
      if (Separates(Cross(axis, edge), h, p0, p1, p2)) return false;
  // A flat box or a triangle without area has fewer faces than the thirteen
  // directions assume: add the in-plane edge normals the lost faces stood for.
  bool flat = Vanishes(normal, LengthSquared(e[0]) * LengthSquared(e[1]));
  for (int i = 0; i < 3; ++i)
    flat = flat || Vanishes(faces[i], LengthSquared(h[(i + 1) % 3]) * LengthSquared(h[(i + 2) % 3]));
  if (!flat) return true;
  for (const Vec3& edge : e)
    if (Separates(Cross(normal, edge), h, p0, p1, p2)) return false;
  for (const Vec3& axis : h)
    if (Separates(Cross(normal, axis), h, p0, p1, p2)) return false;
  for (const Vec3& f : faces) {
    for (const Vec3& axis : h)
      if (Separates(Cross(f, axis), h, p0, p1, p2)) return false;
    for (const Vec3& edge : e)
      if (Separates(Cross(f, edge), h, p0, p1, p2)) return false;
  }
  for (const Vec3& axis : h)
    if (Separates(axis, h, p0, p1, p2)) return false;
  return true;
}

RayHits RayFrame(const MeshFrame& frame, Vec3 o, Vec3 r, QueryMethod method) {
  if (UsesHierarchy(frame, method)) return HierarchyOf(frame).Ray(o, r);
  RayHits hits;
  const std::vector<MeshVertex>& t = frame.triangles;
  for (size_t i = 0; i + 2 < t.size(); i += 3) {
    const float d = RayTriangle(t[i].Position(), t[i + 1].Position(), t[i + 2].Position(), o, r);
    if (d > 0 && (hits.aheadRecord < 0 || d < hits.ahead)) {
      hits.ahead = d;
      hits.aheadRecord = static_cast<int>(i);
    } else if (d < 0 && (hits.behindRecord < 0 || d > hits.behind)) {
      hits.behind = d;
      hits.behindRecord = static_cast<int>(i);
    }
  }
  return hits;
}

int SphereFrame(const MeshFrame& frame, Vec3 centre, float radius, QueryMethod method) {
  if (UsesHierarchy(frame, method)) return HierarchyOf(frame).FirstSphereHit(centre, radius);
  const std::vector<MeshVertex>& t = frame.triangles;
  for (size_t i = 0; i + 2 < t.size(); i += 3)
    if (SphereTriangle(centre, radius, t[i].Position(), t[i + 1].Position(), t[i + 2].Position()))
      return static_cast<int>(i);
  return -1;
}

int BoxFrame(const MeshFrame& frame, const OrientedBox& box, QueryMethod method) {
  if (UsesHierarchy(frame, method)) return HierarchyOf(frame).FirstBoxHit(box);
  const std::vector<MeshVertex>& t = frame.triangles;
  for (size_t i = 0; i + 2 < t.size(); i += 3)
    if (BoxTriangle(box, t[i].Position(), t[i + 1].Position(), t[i + 2].Position())) return static_cast<int>(i);
  return -1;
}

namespace {

// The frame of the mesh a query looks at, or null when the mesh has no such
// frame or too few records for a triangle.
const MeshFrame* QueriedFrame(const std::unique_ptr<MeshObjectX>& mesh, int frame) {
  if (!mesh || frame < 0 || frame >= mesh->FrameCount()) return nullptr;
  const MeshFrame& f = mesh->frames[static_cast<size_t>(frame)];
  return f.triangles.size() >= 3 ? &f : nullptr;
}

}  // namespace

bool SlotSphereQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 centre, float radius, int& lastHit,
                     QueryMethod method) {
  lastHit = -1;
  Mat4 inverse;
  if (!(radius >= 0) || !std::isfinite(radius) || !Invert(transform, inverse)) return false;
  // The centre moves into object space; the radius stays as given.
  const Vec3 c = TransformPoint(inverse, centre);
  // A centre that is not a point (NaN, infinite, or made so by the
  // transform) touches nothing: every test below would compare false and
  // read as a hit somewhere.
  if (!Finite(c)) return false;
  for (const auto& mesh : slot.meshes) {
    const MeshFrame* f = QueriedFrame(mesh, frame);
    if (!f) continue;
    lastHit = -1;
    const float reach = f->radius + radius;
    if (LengthSquared(c - f->centre) > reach * reach) continue;
    // A mesh whose first corner lies inside the sphere is hit without
    // looking further.
    if (LengthSquared(f->triangles[0].Position() - c) <= radius * radius) return true;
    lastHit = SphereFrame(*f, c, radius, method);
    if (lastHit >= 0) return true;
  }
  return false;
}

bool SlotBoxQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 centre, Vec3 size, int& lastHit,
                  QueryMethod method) {
  lastHit = -1;
  Mat4 inverse;
  if (!Invert(transform, inverse)) return false;
  OrientedBox box;
  box.centre = TransformPoint(inverse, centre);
  const Vec3 half[3] = {{size.x / 2, 0, 0}, {0, size.y / 2, 0}, {0, 0, size.z / 2}};
  for (int i = 0; i < 3; ++i) box.axis[i] = TransformPoint(inverse, centre + half[i]) - box.centre;
  // A box with a corner or size that is not finite touches nothing: NaN
  // compares false in the separating-axis tests, which reads as a hit.
  if (!Finite(box.centre) || !Finite(box.axis[0]) || !Finite(box.axis[1]) || !Finite(box.axis[2])) return false;
  // No corner lies farther from the centre than the three half-axes laid
  // end to end, whatever the transform did to their angles.
  const float boxReach = Length(box.axis[0]) + Length(box.axis[1]) + Length(box.axis[2]);
  for (const auto& mesh : slot.meshes) {
    const MeshFrame* f = QueriedFrame(mesh, frame);
    if (!f) continue;
    lastHit = -1;
    const float reach = boxReach + f->radius;
    if (LengthSquared(box.centre - f->centre) > reach * reach) continue;
    lastHit = BoxFrame(*f, box, method);
    if (lastHit >= 0) return true;
  }
  return false;
}

float SlotRayQuery(const ModelSlot& slot, int frame, const Mat4& transform, Vec3 origin, Vec3 direction, int& lastHit,
                   QueryMethod method) {
  lastHit = -1;
  Mat4 inverse;
  const Vec3 unit = Normalized(direction);
  if (LengthSquared(unit) == 0 || !Invert(transform, inverse)) return 0;
  // Both ends of one world unit of ray go into object space, so distances
  // along the object-space ray stay world distances.
  const Vec3 o = TransformPoint(inverse, origin);
  const Vec3 r = TransformPoint(inverse, origin + unit) - o;
  if (!Finite(o) || !Finite(r)) return 0;
  RayHits best;
  for (const auto& mesh : slot.meshes) {
    const MeshFrame* f = QueriedFrame(mesh, frame);
    if (!f) continue;
    const RayHits h = RayFrame(*f, o, r, method);
    if (h.aheadRecord >= 0 && (best.aheadRecord < 0 || h.ahead < best.ahead)) {
      best.ahead = h.ahead;
      best.aheadRecord = h.aheadRecord;
    }
    if (h.behindRecord >= 0 && (best.behindRecord < 0 || h.behind > best.behind)) {
      best.behind = h.behind;
      best.behindRecord = h.behindRecord;
    }
  }
  // The triangle reported is the one whose distance is returned.
  if (best.aheadRecord >= 0) {
    lastHit = best.aheadRecord;
    return best.ahead;
  }
  lastHit = best.behindRecord;
  return best.behind;
}

bool SphereReachesBox(const Mat4& transform, Vec3 centre, float radius, Vec3 size) {
  Mat4 inverse;
  if (!std::isfinite(radius) || !Finite(size) || !Invert(transform, inverse)) return false;
  const Vec3 p = TransformPoint(inverse, centre);
  if (!Finite(p)) return false;
  auto gap = [](float x, float h) {
    h = std::fabs(h);
    if (x < -h) return (x + h) * (x + h);
    if (x > h) return (x - h) * (x - h);
    return 0.0f;
  };
  const float d = gap(p.x, size.x / 2) + gap(p.y, size.y / 2) + gap(p.z, size.z / 2);
  return radius * radius >= d;
}

bool ProjectPoint(const Mat4& projection, const Mat4& view, const ScreenRect& viewport, Vec3 point, Vec3& out) {
  const Vec4 c = Transform(projection, Transform(view, {point.x, point.y, point.z, 1}));
  if (c.w == 0) return false;
  const float nx = c.x / c.w, ny = c.y / c.w, nz = c.z / c.w;
  out.x = viewport.x + (nx + 1) * viewport.width / 2;
  out.y = viewport.y + viewport.height - (ny + 1) * viewport.height / 2;
  out.z = (nz + 1) / 2;
  return true;
}

bool UnprojectPoint(const Mat4& projection, const Mat4& view, const ScreenRect& viewport, Vec3 screen, Vec3& out) {
  Mat4 inverse;
  if (viewport.width == 0 || viewport.height == 0 || !Invert(projection * view, inverse)) return false;
  const Vec4 n{(screen.x - viewport.x) / viewport.width * 2 - 1,
               (viewport.y + viewport.height - screen.y) / viewport.height * 2 - 1, screen.z * 2 - 1, 1};
  const Vec4 w = Transform(inverse, n);
  if (w.w == 0) return false;
  out = {w.x / w.w, w.y / w.w, w.z / w.w};
  return true;
}

}  // namespace orv
