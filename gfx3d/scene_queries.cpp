// The renderer's picking and collision queries: the camera's matrices and
// the device's viewport for screen positions, model slots under the
// current object transform for collisions.
#include "gfx2d/sprite_lookup.h"
#include "gfx3d/vexel3d.h"

namespace orv {

const ModelSlot* Vexel3D::ModelInUse(int slot) const {
  const ModelSlot* s = models_.Slot(slot);
  return s && s->inUse ? s : nullptr;
}

bool Vexel3D::Viewport(ScreenRect& out) const {
  if (!device_) return false;
  int x = 0, y = 0, w = 0, h = 0;
  DeviceViewport(*device_, x, y, w, h);
  out = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h)};
  return true;
}

// The camera's projection has no quarter turn of the screen in it, so the
// results are in the game's own coordinates, the ones its 2D drawing and
// the mouse use.
bool Vexel3D::ProjectToScreen(Vec3 point, Vec3& out) const {
  ScreenRect viewport;
  return Viewport(viewport) && ProjectPoint(camera_.Projection(), camera_.View(), viewport, point, out);
}

bool Vexel3D::ScreenToWorld(Vec3 screen, Vec3& out) const {
  ScreenRect viewport;
  return Viewport(viewport) && UnprojectPoint(camera_.Projection(), camera_.View(), viewport, screen, out);
}

bool Vexel3D::CollideSphere(int slot, int frame, Vec3 centre, float radius) {
  lastHitRecord_ = -1;
  const ModelSlot* s = ModelInUse(slot);
  return s && SlotSphereQuery(*s, frame, transforms_.Current(), centre, radius, lastHitRecord_);
}

bool Vexel3D::CollideBox(int slot, int frame, Vec3 centre, Vec3 size) {
  lastHitRecord_ = -1;
  const ModelSlot* s = ModelInUse(slot);
  return s && SlotBoxQuery(*s, frame, transforms_.Current(), centre, size, lastHitRecord_);
}

float Vexel3D::CollideRay(int slot, int frame, Vec3 origin, Vec3 direction) {
  lastHitRecord_ = -1;
  const ModelSlot* s = ModelInUse(slot);
  return s ? SlotRayQuery(*s, frame, transforms_.Current(), origin, direction, lastHitRecord_) : 0.0f;
}

}  // namespace orv
