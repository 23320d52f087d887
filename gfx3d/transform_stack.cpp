// The object transform stack: levels of parts folded into one matrix when
// someone needs it.
#include "gfx3d/transform_stack.h"

namespace orv {

void TransformEntry::Reset(const Mat4& base) {
  matrixCount = 0;
  rotationCount = 0;
  scale = {1, 1, 1};
  translation = {};
  current = base;
  valid = 1;
}

Mat4 TransformStack::BaseOf(int depth) const {
  return depth > 0 ? entries_[static_cast<size_t>(depth - 1)].current : Mat4::Identity();
}

TransformEntry& TransformStack::ComputeTop() {
  TransformEntry& e = entries_[static_cast<size_t>(depth_)];
  if (e.valid) return e;
  // Always fold from the level's starting matrix, never from an earlier fold:
  // a rotation added after the matrix was used must not apply the
  // translation and the older rotations a second time.
  Mat4 m = BaseOf(depth_);
  for (int i = 0; i < e.matrixCount; ++i) m = m * e.matrices[static_cast<size_t>(i)];
  if (e.translation.x != 0 || e.translation.y != 0 || e.translation.z != 0)
    m = m * Translation(e.translation.x, e.translation.y, e.translation.z);
  for (int i = e.rotationCount - 1; i >= 0; --i) {
    const auto& r = e.rotations[static_cast<size_t>(i)];
    m = m * AxisRotation(r[0], r[1], r[2], r[3]);
  }
  if (e.scale.x != 1 || e.scale.y != 1 || e.scale.z != 1) m = m * Scaling(e.scale.x, e.scale.y, e.scale.z);
  e.current = m;
  e.valid = 1;
  return e;
}

void TransformStack::Push() {
  if (depth_ >= kLevels - 1) return;
  const Mat4 parent = ComputeTop().current;
  ++depth_;
  entries_[static_cast<size_t>(depth_)].Reset(parent);
}

bool TransformStack::Pop() {
  if (depth_ > 0) {
    --depth_;
    return true;
  }
  entries_[0].Reset(Mat4::Identity());
  return false;
}

void TransformStack::Translate(float x, float y, float z) {
  TransformEntry& e = entries_[static_cast<size_t>(depth_)];
  const Vec3 keptScale = e.scale;
  e.Reset(BaseOf(depth_));
  e.scale = keptScale;
  e.translation = {x, y, z};
  e.valid = 0;
}

void TransformStack::Scale(float x, float y, float z) {
  TransformEntry& e = entries_[static_cast<size_t>(depth_)];
  const Vec3 keptTranslation = e.translation;
  e.Reset(BaseOf(depth_));
  e.translation = keptTranslation;
  e.scale = {x, y, z};
  e.valid = 0;
}

void TransformStack::Rotate(float angle, float x, float y, float z) {
  TransformEntry& e = entries_[static_cast<size_t>(depth_)];
  if (e.rotationCount >= TransformEntry::kMaxParts) return;
  e.rotations[static_cast<size_t>(e.rotationCount++)] = {angle, x, y, z};
  e.valid = 0;
}

void TransformStack::MultiplyMatrix(const float m[16]) {
  TransformEntry& e = entries_[static_cast<size_t>(depth_)];
  if (e.matrixCount >= TransformEntry::kMaxParts) return;
  e.matrices[static_cast<size_t>(e.matrixCount++)] = Mat4::FromColumnMajor(m);
  e.valid = 0;
}

const Mat4& TransformStack::Current() { return ComputeTop().current; }

bool TransformStack::AxisScale(float& sx, float& sy, float& sz) {
  const Mat4& m = ComputeTop().current;
  bool identity = true;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) identity = identity && m.at(r, c) == (r == c ? 1.0f : 0.0f);
  if (identity) {
    sx = sy = sz = 1;
    return false;
  }
  sx = Length({m.at(0, 0), m.at(1, 0), m.at(2, 0)});
  sy = Length({m.at(0, 1), m.at(1, 1), m.at(2, 1)});
  sz = Length({m.at(0, 2), m.at(1, 2), m.at(2, 2)});
  return true;
}

}  // namespace orv
