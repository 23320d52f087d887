// Game-facing picking and collision commands: convert and forward to the
// queries of collision.h with the scene's slot, transform and matrices.
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/collision.h"
#include "gfx3d/debug_draw.h"
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

// The device to draw the tested shape on, when the game runs in debug mode.
OpenGLVexel* DebugDevice() { return Rt().settings.debugMode ? Rt().device.get() : nullptr; }

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF;

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
  const bool hit = s && orv::SlotSphereQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z),
                                             orv::F(radius), last);
  if (orv::OpenGLVexel* d = orv::DebugDevice())
    orv::DrawDebugSphere(*d, orv::V(x, y, z), orv::F(radius), hit ? 5 : 1, hit ? orv::kRed : orv::kGreen);
  return hit;
}

double CollideBox(double slot, double frame, double x, double y, double z, double sizeX, double sizeY, double sizeZ) {
  int& last = SceneForQueries().lastHitRecord;
  last = -1;
  const orv::ModelSlot* s = orv::Slot(slot);
  const bool hit = s && orv::SlotBoxQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z),
                                          orv::V(sizeX, sizeY, sizeZ), last);
  if (orv::OpenGLVexel* d = orv::DebugDevice()) {
    const orv::OrientedBox box{orv::V(x, y, z), {orv::V(sizeX / 2, 0, 0), orv::V(0, sizeY / 2, 0), orv::V(0, 0, sizeZ / 2)}};
    orv::DrawDebugBox(*d, box, hit ? 5 : 1, hit ? orv::kRed : orv::kGreen);
  }
  return hit;
}

double CollideRay(double slot, double frame, double x, double y, double z, double dx, double dy, double dz) {
  int& last = SceneForQueries().lastHitRecord;
  last = -1;
  const orv::ModelSlot* s = orv::Slot(slot);
  const float distance =
      s ? orv::SlotRayQuery(*s, orv::ToInt32(frame), orv::ObjectTransform(), orv::V(x, y, z), orv::V(dx, dy, dz), last)
        : 0.0f;
  if (orv::OpenGLVexel* d = orv::DebugDevice()) {
    // Drawn up to the hit (backwards for one behind the origin), or 1000
    // units ahead when nothing was hit.
    const orv::Vec3 origin = orv::V(x, y, z);
    const orv::Vec3 end = origin + orv::Normalized(orv::V(dx, dy, dz)) * (distance != 0 ? distance : 1000.0f);
    const uint32_t colour = distance > 0 ? orv::kGreen : (distance < 0 ? orv::kYellow : orv::kRed);
    orv::DrawDebugLine(*d, origin, end, distance != 0 ? 5 : 1, colour);
  }
  return distance;
}

double SphereTouchesBox(double x, double y, double z, double radius, double sizeX, double sizeY, double sizeZ) {
  return orv::SphereReachesBox(orv::ObjectTransform(), orv::V(x, y, z), orv::F(radius), orv::V(sizeX, sizeY, sizeZ));
}

double LastHitTriangle() { return SceneForQueries().lastHitRecord / 3; }

void DebugDot(double x, double y, double z, double size, double colour) {
  if (orv::OpenGLVexel* d = orv::Rt().device.get())
    orv::DrawDebugDot(*d, orv::V(x, y, z), orv::F(size), static_cast<uint32_t>(orv::ToInt32(colour)));
}

void DebugLine(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour) {
  if (orv::OpenGLVexel* d = orv::Rt().device.get())
    orv::DrawDebugLine(*d, orv::V(x1, y1, z1), orv::V(x2, y2, z2), orv::F(width), static_cast<uint32_t>(orv::ToInt32(colour)));
}
