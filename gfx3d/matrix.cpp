#include "gfx3d/matrix.h"

#include <cmath>

namespace orv {

float Length(Vec3 v) { return std::sqrt(Dot(v, v)); }

Vec3 Normalized(Vec3 v) {
  const float len = Length(v);
  return len > 0 ? v * (1.0f / len) : v;
}

Mat4 Mat4::Identity() {
  Mat4 r;
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
  return r;
}

Mat4 Mat4::FromColumnMajor(const float* values) {
  Mat4 r;
  for (size_t i = 0; i < 16; ++i) r.m[i] = values[i];
  return r;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.at(row, k) * b.at(k, c);
      r.at(row, c) = s;
    }
  return r;
}

Mat4 Translation(float x, float y, float z) {
  Mat4 r = Mat4::Identity();
  r.at(0, 3) = x;
  r.at(1, 3) = y;
  r.at(2, 3) = z;
  return r;
}

Mat4 Scaling(float x, float y, float z) {
  Mat4 r;
  r.at(0, 0) = x;
  r.at(1, 1) = y;
  r.at(2, 2) = z;
  r.at(3, 3) = 1;
  return r;
}

Mat4 Rotation(float angleDeg, float x, float y, float z) {
  const Vec3 a = Normalized({x, y, z});
  if (a.x == 0 && a.y == 0 && a.z == 0) return Mat4::Identity();
  const float rad = angleDeg * kDegToRad;
  const float c = std::cos(rad), s = std::sin(rad), t = 1 - c;
  Mat4 r = Mat4::Identity();
  r.at(0, 0) = a.x * a.x * t + c;
  r.at(0, 1) = a.x * a.y * t - a.z * s;
  r.at(0, 2) = a.x * a.z * t + a.y * s;
  r.at(1, 0) = a.y * a.x * t + a.z * s;
  r.at(1, 1) = a.y * a.y * t + c;
  r.at(1, 2) = a.y * a.z * t - a.x * s;
  r.at(2, 0) = a.z * a.x * t - a.y * s;
  r.at(2, 1) = a.z * a.y * t + a.x * s;
  r.at(2, 2) = a.z * a.z * t + c;
  return r;
}

Mat4 AxisRotation(float angleDeg, float x, float y, float z) {
  const int nonZero = (x != 0) + (y != 0) + (z != 0);
  if (nonZero == 1) {
    // Exact about a coordinate axis: no rounding leaks into the other axes.
    const float axis = x != 0 ? x : (y != 0 ? y : z);
    const float rad = (axis > 0 ? angleDeg : -angleDeg) * kDegToRad;
    const float c = std::cos(rad), s = std::sin(rad);
    Mat4 r = Mat4::Identity();
    const int i = x != 0 ? 1 : (y != 0 ? 2 : 0);  // the plane turned: (i, j)
    const int j = x != 0 ? 2 : (y != 0 ? 0 : 1);
    r.at(i, i) = c;
    r.at(i, j) = -s;
    r.at(j, i) = s;
    r.at(j, j) = c;
    return r;
  }
  if (Length({x, y, z}) <= 0.0001f) return Mat4::Identity();
  return Rotation(angleDeg, x, y, z);
}

Mat4 LookAtView(Vec3 eye, Vec3 target, Vec3 up) {
  const Vec3 z = Normalized(eye - target);
  const Vec3 x = Normalized(Cross(up, z));
  const Vec3 y = Normalized(Cross(z, x));
  Mat4 r = Mat4::Identity();
  const Vec3 rows[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) {
    r.at(i, 0) = rows[i].x;
    r.at(i, 1) = rows[i].y;
    r.at(i, 2) = rows[i].z;
  }
  return r * Translation(-eye.x, -eye.y, -eye.z);
}

void ClipPlanes(const Mat4& k, std::array<Plane, 6>& planes) {
  // (row, sign): R3 - R0, R3 + R0, R3 + R1, R3 - R1, R3 - R2, R3 + R2.
  static constexpr int kRow[6] = {0, 0, 1, 1, 2, 2};
  static constexpr float kSign[6] = {-1, 1, 1, -1, -1, 1};
  for (int p = 0; p < 6; ++p) {
    Plane& plane = planes[static_cast<size_t>(p)];
    for (int c = 0; c < 4; ++c) plane[static_cast<size_t>(c)] = k.at(3, c) + kSign[p] * k.at(kRow[p], c);
    const float len = Length({plane[0], plane[1], plane[2]});
    if (len > 0)
      for (float& v : plane) v /= len;
  }
}

Mat4 Frustum(float l, float r, float b, float t, float n, float f) {
  Mat4 m;
  m.at(0, 0) = 2 * n / (r - l);
  m.at(1, 1) = 2 * n / (t - b);
  m.at(0, 2) = (r + l) / (r - l);
  m.at(1, 2) = (t + b) / (t - b);
  m.at(2, 2) = -(f + n) / (f - n);
  m.at(3, 2) = -1;
  m.at(2, 3) = -2 * f * n / (f - n);
  return m;
}

Mat4 Orthographic(float l, float r, float b, float t, float n, float f) {
  Mat4 m;
  m.at(0, 0) = 2 / (r - l);
  m.at(1, 1) = 2 / (t - b);
  m.at(2, 2) = -2 / (f - n);
  m.at(0, 3) = -(r + l) / (r - l);
  m.at(1, 3) = -(t + b) / (t - b);
  m.at(2, 3) = -(f + n) / (f - n);
  m.at(3, 3) = 1;
  return m;
}

Mat4 Perspective(float fovyDeg, float aspect, float n, float f) {
  const float top = std::tan(fovyDeg * kDegToRad / 2) * n;
  const float right = top * aspect;
  return Frustum(-right, right, -top, top, n, f);
}

Vec3 TransformPoint(const Mat4& m, Vec3 p) {
  return {m.at(0, 0) * p.x + m.at(0, 1) * p.y + m.at(0, 2) * p.z + m.at(0, 3),
          m.at(1, 0) * p.x + m.at(1, 1) * p.y + m.at(1, 2) * p.z + m.at(1, 3),
          m.at(2, 0) * p.x + m.at(2, 1) * p.y + m.at(2, 2) * p.z + m.at(2, 3)};
}

Vec3 TransformDirection(const Mat4& m, Vec3 d) {
  return {m.at(0, 0) * d.x + m.at(0, 1) * d.y + m.at(0, 2) * d.z,
          m.at(1, 0) * d.x + m.at(1, 1) * d.y + m.at(1, 2) * d.z,
          m.at(2, 0) * d.x + m.at(2, 1) * d.y + m.at(2, 2) * d.z};
}

Vec3 TransformNormal(const Mat4& m, Vec3 n) {
  // Rows of the inverse of the 3x3 are the cross products of its columns
  // over the determinant; the inverse transpose therefore maps n through the
  // matrix whose columns are those cross products. The common scale does not
  // matter since the result is normalised.
  const Vec3 c0{m.at(0, 0), m.at(1, 0), m.at(2, 0)};
  const Vec3 c1{m.at(0, 1), m.at(1, 1), m.at(2, 1)};
  const Vec3 c2{m.at(0, 2), m.at(1, 2), m.at(2, 2)};
  const float det = Dot(c0, Cross(c1, c2));
  if (det == 0) return {};
  const Vec3 r = Cross(c1, c2) * n.x + Cross(c2, c0) * n.y + Cross(c0, c1) * n.z;
  return Normalized(det < 0 ? r * -1.0f : r);
}

bool Invert(const Mat4& src, Mat4& out) {
  // Gauss-Jordan elimination with partial pivoting, in double for accuracy.
  double a[4][8];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      a[r][c] = src.at(r, c);
      a[r][c + 4] = r == c ? 1.0 : 0.0;
    }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (a[pivot][col] == 0) return false;
    if (pivot != col)
      for (int c = 0; c < 8; ++c) std::swap(a[pivot][c], a[col][c]);
    const double inv = 1.0 / a[col][col];
    for (int c = 0; c < 8; ++c) a[col][c] *= inv;
    for (int r = 0; r < 4; ++r) {
      if (r == col || a[r][col] == 0) continue;
      const double f = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.at(r, c) = static_cast<float>(a[r][c + 4]);
  return true;
}

Mat4 InvertRigid(const Mat4& m) {
  Mat4 r = Mat4::Identity();
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) r.at(row, c) = m.at(c, row);
  const Vec3 t{m.at(0, 3), m.at(1, 3), m.at(2, 3)};
  const Vec3 back = TransformDirection(r, t);
  r.at(0, 3) = -back.x;
  r.at(1, 3) = -back.y;
  r.at(2, 3) = -back.z;
  return r;
}

Vec4 Transform(const Mat4& m, Vec4 v) {
  Vec4 r;
  r.x = m.at(0, 0) * v.x + m.at(0, 1) * v.y + m.at(0, 2) * v.z + m.at(0, 3) * v.w;
  r.y = m.at(1, 0) * v.x + m.at(1, 1) * v.y + m.at(1, 2) * v.z + m.at(1, 3) * v.w;
  r.z = m.at(2, 0) * v.x + m.at(2, 1) * v.y + m.at(2, 2) * v.z + m.at(2, 3) * v.w;
  r.w = m.at(3, 0) * v.x + m.at(3, 1) * v.y + m.at(3, 2) * v.z + m.at(3, 3) * v.w;
  return r;
}

}  // namespace orv
