// The camera: the view matrix and the six frustum planes culling tests use.
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"

namespace orv {

void Vexel3D::SetCamera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ) {
  cameraEye = {eyeX, eyeY, eyeZ};
  cameraTarget = {targetX, targetY, targetZ};
  view = LookAtView(cameraEye, cameraTarget, cameraUp);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(view.data());
  while (PopTransform()) {
  }
  // Only the camera moves the planes: objects drawn under a pushed transform
  // are tested with their centres already transformed into world space.
  ClipPlanes(projection * view, frustumPlanes);
}

bool Vexel3D::SphereInFrustum(float x, float y, float z, float radius) const {
  for (const Plane& p : frustumPlanes)
    if (p[0] * x + p[1] * y + p[2] * z + p[3] < -radius) return false;
  return true;
}

}  // namespace orv
