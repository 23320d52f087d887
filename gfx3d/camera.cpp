// The camera: the projection, the view matrix and the six frustum planes.
#include "gfx3d/camera.h"

#include <cmath>

namespace orv {

namespace {

constexpr float kPi = 3.14159265358979f;

}  // namespace

void SceneCamera::SetProjection(float nearZ, float farZ, float fov, float aspect) {
  const float cone = fov + 5;
  coneTangent_ = std::tan((cone > 89 ? 89 : cone) * kDegToRad);
  nearPlane_ = nearZ;
  farPlane_ = farZ;
  up_ = {0, 1, 0};
  if (fov > 0) {
    const float top = std::tan(fov * kPi / 360) * nearZ;
    const float right = top * aspect;
    projection_ = Frustum(-right, right, -top, top, nearZ, farZ);
  } else {
    const float top = nearZ * std::tan(-fov * kPi / 360) * 100;
    const float right = top * aspect;
    projection_ = Orthographic(-right, right, -top, top, nearZ, farZ);
    coneTangent_ = std::tan(89 * kDegToRad);
  }
}

void SceneCamera::LookAt(Vec3 eye, Vec3 target) {
  eye_ = eye;
  target_ = target;
  view_ = LookAtView(eye_, target_, up_);
  ClipPlanes(projection_ * view_, planes_);
}

bool SceneCamera::SphereInFrustum(float x, float y, float z, float radius) const {
  for (const Plane& p : planes_)
    if (p[0] * x + p[1] * y + p[2] * z + p[3] < -radius) return false;
  return true;
}

}  // namespace orv
