// Game-facing picking and collision commands: convert and forward to the
// queries of collision.h with the scene's slot, transform and matrices.
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/collision.h"
#include "gfx3d/query_scene.h"
#include "orvane/gfx3d.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace orv {

QueryScene& SceneForQueries() {
  static QueryScene scene;
  return scene;
}

namespace {

float F(double v) { return static_cast<float>(v); }
Vec3 V(double x, double y, double z) { return {F(x), F(y), F(z)}; }

Mat4 ObjectTransform() {
  const QueryScene& s = SceneForQueries();
  return s.objectTransform ? s.objectTransform() : Mat4::Identity();
}

const ModelSlot* Slot(double slot) {
  const QueryScene& s = SceneForQueries();
  return s.modelSlot ? s.modelSlot(ToInt32(slot)) : nullptr;
}

// The camera's matrices and the viewport; false while there is no scene.
bool Camera(Mat4& projection, Mat4& view, ScreenRect& viewport) {
  const QueryScene& s = SceneForQueries();
  if (!s.projection || !s.view) return false;
  projection = s.projection();
  view = s.view();
  if (s.viewport) {
    viewport = s.viewport();
    return true;
  }
  if (!Rt().device) return false;
  int x = 0, y = 0, w = 0, h = 0;
  Rt().device->GetViewport(x, y, w, h);
  viewport = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h)};
  return true;
}

}  // namespace
}  // namespace orv

using orv::SceneForQueries;

double ProjectToScreen(double x, double y, double z, double& sx, double& sy, double& sz) {
  orv::Mat4 projection, view;
  orv::ScreenRect viewport;
  orv::Vec3 out;
  if (!orv::Camera(projection, view, viewport) || !orv::ProjectPoint(projection, view, viewport, orv::V(x, y, z), out))
    return 0;
  sx = out.x, sy = out.y, sz = out.z;
  return 1;
}

double ScreenToWorld(double sx, double sy, double depth, double& x, double& y, double& z) {
  orv::Mat4 projection, view;
  orv::ScreenRect viewport;
  orv::Vec3 out;
  if (!orv::Camera(projection, view, viewport) ||
      !orv::UnprojectPoint(projection, view, viewport, orv::V(sx, sy, depth), out))
    return 0;
  x = out.x, y = out.y, z = out.z;
  return 1;
}

double CollideSphere(double slot, double frame, double radius, double x, double y, double z) {
  int& last = SceneForQueries().lastHitRecord;
  last = -1;
  const orv::ModelSlot* s = orv::Slot(slot);
  if (!s) return 0;
  return orv::SlotSphereQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z), orv::F(radius), last);
}

double CollideBox(double slot, double frame, double x, double y, double z, double sizeX, double sizeY, double sizeZ) {
  int& last = SceneForQueries().lastHitRecord;
  last = -1;
  const orv::ModelSlot* s = orv::Slot(slot);
  if (!s) return 0;
  return orv::SlotBoxQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z),
                           orv::V(sizeX, sizeY, sizeZ), last);
}

double CollideRay(double slot, double frame, double x, double y, double z, double dx, double dy, double dz) {
  int& last = SceneForQueries().lastHitRecord;
  last = -1;
  const orv::ModelSlot* s = orv::Slot(slot);
  if (!s) return 0;
  return orv::SlotRayQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z), orv::V(dx, dy, dz),
                           last);
}

double SphereTouchesBox(double x, double y, double z, double radius, double sizeX, double sizeY, double sizeZ) {
  return orv::SphereReachesBox(orv::ObjectTransform(), orv::V(x, y, z), orv::F(radius), orv::V(sizeX, sizeY, sizeZ));
}

double LastHitTriangle() { return SceneForQueries().lastHitRecord / 3; }
