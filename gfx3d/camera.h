// The camera of the 3D renderer: the projection of the pass, the eye, the
// target and the up vector, the view matrix built from them, and the six
// frustum planes culling tests use. CPU only: the renderer loads the
// matrices into GL.
// Depends on: gfx3d/matrix.h.
#pragma once

#include <array>

#include "gfx3d/matrix.h"

namespace orv {

class SceneCamera {
 public:
  // fov > 0: a perspective with that vertical angle (degrees); fov <= 0: an
  // orthographic view of half-height near x tan(-fov / 2) x 100. Remembers
  // the planes, sets the cone tangent (tan(fov + 5), at most tan(89); tan(89)
  // for an orthographic view) and puts the up vector back to +y.
  void SetProjection(float nearPlane, float farPlane, float fov, float aspect);
  // Used by the next LookAt.
  void SetUp(Vec3 up) { up_ = up; }
  // Stores eye and target, builds the view matrix, rebuilds the frustum
  // planes. Only the camera moves the planes: objects drawn under a pushed
  // transform are tested with their centres brought into world space.
  void LookAt(Vec3 eye, Vec3 target);
  // False when the sphere lies wholly outside one of the camera's planes.
  bool SphereInFrustum(float x, float y, float z, float radius) const;

  const Mat4& Projection() const { return projection_; }
  const Mat4& View() const { return view_; }
  Vec3 Eye() const { return eye_; }
  Vec3 Target() const { return target_; }
  // tan of the view cone's half angle plus a margin; the drawing code's
  // outline width scales with it.
  float ConeTangent() const { return coneTangent_; }
  float NearPlane() const { return nearPlane_; }
  float FarPlane() const { return farPlane_; }

 private:
  Mat4 projection_ = Mat4::Identity();
  Mat4 view_ = Mat4::Identity();
  std::array<Plane, 6> planes_{};  // right, left, bottom, top, far, near
  Vec3 up_{0, 1, 0};
  Vec3 eye_{};
  Vec3 target_{};
  float coneTangent_ = 0;
  float nearPlane_ = 0, farPlane_ = 0;
};

}  // namespace orv
