#include "gfx3d/triangle_bvh.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace orv {

namespace {

constexpr uint32_t kLeafTriangles = 4;
// Deep enough for any tree a median split can make of 2^32 triangles, twice.
constexpr int kStackDepth = 128;

float Component(Vec3 v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

}  // namespace

TriangleBvh::TriangleBvh(const std::vector<MeshVertex>& records)
    : source_(records.data()), sourceSize_(records.size()) {
  const size_t count = records.size() / 3;
  if (count == 0) return;
  std::vector<Tri> source(count);
  std::vector<Vec3> centroids(count);
  std::vector<uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) {
    Tri& t = source[i];
    for (int k = 0; k < 3; ++k) t.v[k] = records[3 * i + static_cast<size_t>(k)].Position();
    t.index = static_cast<int32_t>(i);
    centroids[i] = (t.v[0] + t.v[1] + t.v[2]) * (1.0f / 3);
    order[i] = static_cast<uint32_t>(i);
  }
  nodes_.reserve(2 * count / kLeafTriangles + 1);
  tris_.reserve(count);
  Build(order, 0, static_cast<uint32_t>(count), centroids, source);
  // Pad every box by a small amount against rounding: a triangle's computed
  // hit may lie a hair outside the box of its exact corners, and it must
  // never be skipped for that.
  float scale = 0;
  for (int k = 0; k < 3; ++k)
    for (float bound : {nodes_[0].lo[k], nodes_[0].hi[k]})
      if (std::isfinite(bound)) scale = std::max(scale, std::fabs(bound));
  const float pad = scale * 1e-5f + 1e-30f;
  for (Node& n : nodes_)
    for (int k = 0; k < 3; ++k) {
      n.lo[k] -= pad;
      n.hi[k] += pad;
    }
}

uint32_t TriangleBvh::Build(std::vector<uint32_t>& order, uint32_t begin, uint32_t end,
                            const std::vector<Vec3>& centroids, const std::vector<Tri>& source) {
  const uint32_t index = static_cast<uint32_t>(nodes_.size());
  nodes_.emplace_back();
  Node node;
  float clo[3], chi[3];
  for (int k = 0; k < 3; ++k) node.lo[k] = clo[k] = INFINITY, node.hi[k] = chi[k] = -INFINITY;
  node.minTriangle = INT32_MAX;
  for (uint32_t i = begin; i < end; ++i) {
    const Tri& t = source[order[i]];
    node.minTriangle = std::min(node.minTriangle, t.index);
    for (int k = 0; k < 3; ++k) {
      for (const Vec3& v : t.v) {
        node.lo[k] = std::min(node.lo[k], Component(v, k));
        node.hi[k] = std::max(node.hi[k], Component(v, k));
      }
      clo[k] = std::min(clo[k], Component(centroids[order[i]], k));
      chi[k] = std::max(chi[k], Component(centroids[order[i]], k));
    }
  }
  if (end - begin <= kLeafTriangles) {
    node.first = static_cast<uint32_t>(tris_.size());
    node.count = end - begin;
    for (uint32_t i = begin; i < end; ++i) tris_.push_back(source[order[i]]);
    nodes_[index] = node;
    return index;
  }
  // Median split along the widest spread of the triangle centres.
  int axis = 0;
  for (int k = 1; k < 3; ++k)
    if (chi[k] - clo[k] > chi[axis] - clo[axis]) axis = k;
  const uint32_t mid = begin + (end - begin) / 2;
  // Damaged coordinates (NaN) sort last, so the order stays a strict one.
  auto key = [&](uint32_t t) {
    const float c = Component(centroids[t], axis);
    return std::isnan(c) ? INFINITY : c;
  };
  std::nth_element(order.begin() + begin, order.begin() + mid, order.begin() + end,
                   [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
  Build(order, begin, mid, centroids, source);
  node.first = Build(order, mid, end, centroids, source);
  node.count = 0;
  nodes_[index] = node;
  return index;
}

namespace {

// The parameter interval [t0, t1] in which the whole line o + t r runs
// through the box; false when it misses.
bool LineThroughBox(const float* lo, const float* hi, Vec3 o, Vec3 r, float& t0, float& t1) {
  t0 = -INFINITY;
  t1 = INFINITY;
  for (int k = 0; k < 3; ++k) {
    const float ok = Component(o, k), rk = Component(r, k);
    if (rk == 0) {
      if (ok < lo[k] || ok > hi[k]) return false;
      continue;
    }
    float a = (lo[k] - ok) / rk, b = (hi[k] - ok) / rk;
    if (a > b) std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
  }
  return t0 <= t1;
}

}  // namespace

RayHits TriangleBvh::Ray(Vec3 o, Vec3 r) const {
  RayHits hits;
  if (nodes_.empty()) return hits;
  struct Entry {
    uint32_t node;
    float t0, t1;
  };
  Entry stack[kStackDepth];
  int top = 0;
  float t0, t1;
  if (!LineThroughBox(nodes_[0].lo, nodes_[0].hi, o, r, t0, t1)) return hits;
  stack[top++] = {0, t0, t1};
  // Ties go to the lower triangle number, as the scan in list order keeps
  // the first of equal distances.
  while (top > 0) {
    const Entry e = stack[--top];
    const bool mayImproveAhead = e.t1 >= 0 && (hits.aheadRecord < 0 || e.t0 <= hits.ahead);
    const bool mayImproveBehind = e.t0 <= 0 && (hits.behindRecord < 0 || e.t1 >= hits.behind);
    if (!mayImproveAhead && !mayImproveBehind) continue;
    const Node& n = nodes_[e.node];
    if (n.count > 0) {
      for (uint32_t i = n.first; i < n.first + n.count; ++i) {
        const Tri& t = tris_[i];
        const float d = RayTriangle(t.v[0], t.v[1], t.v[2], o, r);
        const int record = 3 * t.index;
        if (d > 0) {
          if (hits.aheadRecord < 0 || d < hits.ahead || (d == hits.ahead && record < hits.aheadRecord)) {
            hits.ahead = d;
            hits.aheadRecord = record;
          }
        } else if (d < 0) {
          if (hits.behindRecord < 0 || d > hits.behind || (d == hits.behind && record < hits.behindRecord)) {
            hits.behind = d;
            hits.behindRecord = record;
          }
        }
      }
      continue;
    }
    // Children the line passes through, the one nearer the origin on top.
    Entry child[2];
    int found = 0;
    for (uint32_t c : {e.node + 1, n.first})
      if (LineThroughBox(nodes_[c].lo, nodes_[c].hi, o, r, t0, t1)) child[found++] = {c, t0, t1};
    auto nearness = [](const Entry& c) { return c.t0 > 0 ? c.t0 : (c.t1 < 0 ? -c.t1 : 0.0f); };
    if (found == 2 && nearness(child[0]) < nearness(child[1])) std::swap(child[0], child[1]);
    for (int i = 0; i < found && top < kStackDepth; ++i) stack[top++] = child[i];
  }
  return hits;
}

template <class NodeTest, class TriangleTest>
int TriangleBvh::FirstHit(NodeTest reaches, TriangleTest touches) const {
  int best = INT_MAX;
  if (nodes_.empty()) return -1;
  uint32_t stack[kStackDepth];
  int top = 0;
  stack[top++] = 0;
  while (top > 0) {
    const uint32_t at = stack[--top];
    const Node& n = nodes_[at];
    if (n.minTriangle >= best || !reaches(n)) continue;
    if (n.count > 0) {
      for (uint32_t i = n.first; i < n.first + n.count; ++i) {
        const Tri& t = tris_[i];
        if (t.index < best && touches(t)) best = t.index;
      }
      continue;
    }
    // The child holding the lower triangle numbers is searched first.
    uint32_t a = at + 1, b = n.first;
    if (nodes_[a].minTriangle < nodes_[b].minTriangle) std::swap(a, b);
    if (top + 2 <= kStackDepth) {
      stack[top++] = a;
      stack[top++] = b;
    }
  }
  return best == INT_MAX ? -1 : 3 * best;
}

int TriangleBvh::FirstSphereHit(Vec3 centre, float radius) const {
  if (!(radius >= 0)) return -1;
  return FirstHit(
      [&](const Node& n) {
        float gap = 0;
        for (int k = 0; k < 3; ++k) {
          const float c = Component(centre, k);
          const float d = c < n.lo[k] ? n.lo[k] - c : (c > n.hi[k] ? c - n.hi[k] : 0.0f);
          gap += d * d;
        }
        return gap <= radius * radius;
      },
      [&](const Tri& t) { return SphereTriangle(centre, radius, t.v[0], t.v[1], t.v[2]); });
}

int TriangleBvh::FirstBoxHit(const OrientedBox& box) const {
  // The box's own axis-aligned bounds select the nodes.
  float lo[3], hi[3];
  for (int k = 0; k < 3; ++k) {
    const float reach = std::fabs(Component(box.axis[0], k)) + std::fabs(Component(box.axis[1], k)) +
                        std::fabs(Component(box.axis[2], k));
    lo[k] = Component(box.centre, k) - reach;
    hi[k] = Component(box.centre, k) + reach;
  }
  return FirstHit(
      [&](const Node& n) {
        for (int k = 0; k < 3; ++k)
          if (hi[k] < n.lo[k] || lo[k] > n.hi[k]) return false;
        return true;
      },
      [&](const Tri& t) { return BoxTriangle(box, t.v[0], t.v[1], t.v[2]); });
}

const TriangleBvh& HierarchyOf(const MeshFrame& frame) {
  if (!frame.hierarchy || !frame.hierarchy->BuiltFrom(frame.triangles))
    frame.hierarchy = std::make_shared<const TriangleBvh>(frame.triangles);
  return *frame.hierarchy;
}

}  // namespace orv
