// The object transform stack: 16 levels, each a list of parts (scale,
// rotations, translation, appended matrices) folded into one matrix when
// someone needs it.
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"

namespace orv {

void TransformEntry::Reset(const Mat4& base) {
  matrixCount = 0;
  rotationCount = 0;
  scale = {1, 1, 1};
  translation = {};
  current = base;
  valid = 1;
}

Mat4 Vexel3D::BaseOf(int depth) const {
  return depth > 0 ? stack[static_cast<size_t>(depth - 1)].current : Mat4::Identity();
}

TransformEntry& Vexel3D::ComputeTop() {
  TransformEntry& e = stack[static_cast<size_t>(stackDepth)];
  if (e.valid) return e;
  // Always fold from the level's starting matrix, never from an earlier fold:
  // a rotation added after the matrix was used must not apply the
  // translation and the older rotations a second time.
  Mat4 m = BaseOf(stackDepth);
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

void Vexel3D::PushTransform() {
  if (stackDepth >= kStackLevels - 1) return;
  const Mat4 parent = ComputeTop().current;
  ++stackDepth;
  stack[static_cast<size_t>(stackDepth)].Reset(parent);
}

bool Vexel3D::PopTransform() {
  if (stackDepth > 0) {
    --stackDepth;
    return true;
  }
  stack[0].Reset(Mat4::Identity());
  return false;
}

void Vexel3D::Translate(float x, float y, float z) {
  TransformEntry& e = stack[static_cast<size_t>(stackDepth)];
  const Vec3 keptScale = e.scale;
  e.Reset(BaseOf(stackDepth));
  e.scale = keptScale;
  e.translation = {x, y, z};
  e.valid = 0;
}

void Vexel3D::Scale(float x, float y, float z) {
  TransformEntry& e = stack[static_cast<size_t>(stackDepth)];
  const Vec3 keptTranslation = e.translation;
  e.Reset(BaseOf(stackDepth));
  e.translation = keptTranslation;
  e.scale = {x, y, z};
  e.valid = 0;
}

void Vexel3D::Rotate(float angle, float x, float y, float z) {
  TransformEntry& e = stack[static_cast<size_t>(stackDepth)];
  if (e.rotationCount >= TransformEntry::kMaxParts) return;
  e.rotations[static_cast<size_t>(e.rotationCount++)] = {angle, x, y, z};
  e.valid = 0;
}

void Vexel3D::MultiplyMatrix(const float m[16]) {
  TransformEntry& e = stack[static_cast<size_t>(stackDepth)];
  if (e.matrixCount >= TransformEntry::kMaxParts) return;
  e.matrices[static_cast<size_t>(e.matrixCount++)] = Mat4::FromColumnMajor(m);
  e.valid = 0;
}

const Mat4& Vexel3D::CurrentTransform() { return ComputeTop().current; }

void Vexel3D::ApplyTransform() {
  glMatrixMode(GL_MODELVIEW);
  glMultMatrixf(ComputeTop().current.data());
}

bool Vexel3D::TransformScale(float& sx, float& sy, float& sz) {
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
