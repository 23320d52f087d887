// 4x4 float matrices and 3-vectors for the 3D layer, in the layout OpenGL
// takes directly: column-major (element (row r, column c) at index 4c + r),
// vectors are columns and the product A * B applies B first. Angles are in
// degrees. Plain values, no GL calls; shared by the scene, meshes, drawing
// and picking.
#pragma once

#include <array>
#include <cstddef>

namespace orv {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Length(Vec3 v);
// v / |v|; a zero vector stays zero.
Vec3 Normalized(Vec3 v);

// Degrees to radians with the factor the game's angles are defined by.
constexpr float kDegToRad = 0.017453292f;

struct Mat4 {
  std::array<float, 16> m{};  // column-major

  float& at(int row, int col) { return m[static_cast<size_t>(4 * col + row)]; }
  float at(int row, int col) const { return m[static_cast<size_t>(4 * col + row)]; }
  const float* data() const { return m.data(); }
  bool operator==(const Mat4&) const = default;

  static Mat4 Identity();
  static Mat4 FromColumnMajor(const float* values);
};

Mat4 operator*(const Mat4& a, const Mat4& b);

Mat4 Translation(float x, float y, float z);
Mat4 Scaling(float x, float y, float z);
// Rotation by angle degrees about the axis (x, y, z), counter-clockwise when
// looking down the axis toward the origin; the axis is normalised first, and a
// zero axis gives the identity.
Mat4 Rotation(float angleDeg, float x, float y, float z);

// The rotation of the object transform stack: when exactly one axis
// component is non-zero, the exact rotation about that coordinate axis (by
// -angle for a negative component, whatever its size); otherwise about the
// normalised axis, and the identity for an axis no longer than 0.0001.
Mat4 AxisRotation(float angleDeg, float x, float y, float z);

// A camera at eye looking at target with the given up vector: rows x, y, z of
// the rotation (z = eye - target, x = up x z, y = z x x, each normalised
// unless it is zero) times the translation by -eye.
Mat4 LookAtView(Vec3 eye, Vec3 target, Vec3 up);

// The six planes (a, b, c, d) of the clip matrix k = projection * view in the
// order right, left, bottom, top, far, near, each scaled so (a, b, c) has
// length 1 (a degenerate plane is left unscaled).
using Plane = std::array<float, 4>;
void ClipPlanes(const Mat4& k, std::array<Plane, 6>& planes);

// The frustum and orthographic matrices of the classic GL calls.
Mat4 Frustum(float left, float right, float bottom, float top, float near, float far);
Mat4 Orthographic(float left, float right, float bottom, float top, float near, float far);
// Symmetric perspective: vertical field of view in degrees.
Mat4 Perspective(float fovyDeg, float aspect, float near, float far);

// Homogeneous point: the full product m * (x, y, z, w), no division.
struct Vec4 {
  float x = 0, y = 0, z = 0, w = 0;
};
Vec4 Transform(const Mat4& m, Vec4 v);

// The point (w = 1) and direction (w = 0) through m.
Vec3 TransformPoint(const Mat4& m, Vec3 p);
Vec3 TransformDirection(const Mat4& m, Vec3 d);
// A surface normal through m: by the inverse transpose of the upper 3x3, so
// non-uniform scales keep it perpendicular; normalised. Singular m: zero.
Vec3 TransformNormal(const Mat4& m, Vec3 n);

// General inverse; false (out untouched) when m is singular.
bool Invert(const Mat4& m, Mat4& out);
// Inverse of a rotation plus translation (no scale): transpose the 3x3 and
// turn the translation back; exact and cheap where it applies.
Mat4 InvertRigid(const Mat4& m);

}  // namespace orv
