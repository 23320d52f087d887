// Game-facing picking and collision commands: convert and forward to the
// renderer's queries; in debug mode, draw the shape a collision tested.
#include "gfx3d/debug_draw.h"
#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::Vexel3D* Scene() { return orv::Rt().scene.get(); }

float F(double v) { return static_cast<float>(v); }
orv::Vec3 V(double x, double y, double z) { return {F(x), F(y), F(z)}; }

// The device to draw the tested shape on, when the game runs in debug mode.
orv::OpenGLVexel* DebugDevice() { return orv::Rt().settings.debugMode ? orv::Rt().device.get() : nullptr; }

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF;

}  // namespace

double ProjectToScreen(double x, double y, double z, double& sx, double& sy, double& sz) {
  orv::Vec3 out;
  if (!Scene() || !Scene()->ProjectToScreen(V(x, y, z), out)) return 0;
  sx = out.x, sy = out.y, sz = out.z;
  return 1;
}

double ScreenToWorld(double sx, double sy, double depth, double& x, double& y, double& z) {
  orv::Vec3 out;
  if (!Scene() || !Scene()->ScreenToWorld(V(sx, sy, depth), out)) return 0;
  x = out.x, y = out.y, z = out.z;
  return 1;
}

double CollideSphere(double slot, double frame, double radius, double x, double y, double z) {
  const bool hit = Scene() && Scene()->CollideSphere(orv::ToInt32(slot), orv::ToInt32(frame), V(x, y, z), F(radius));
  if (orv::OpenGLVexel* d = DebugDevice())
    orv::DrawDebugSphere(*d, V(x, y, z), F(radius), hit ? 5 : 1, hit ? kRed : kGreen);
  return hit;
}

double CollideBox(double slot, double frame, double x, double y, double z, double sizeX, double sizeY, double sizeZ) {
  const bool hit =
      Scene() && Scene()->CollideBox(orv::ToInt32(slot), orv::ToInt32(frame), V(x, y, z), V(sizeX, sizeY, sizeZ));
  if (orv::OpenGLVexel* d = DebugDevice()) {
    const orv::OrientedBox box{V(x, y, z), {V(sizeX / 2, 0, 0), V(0, sizeY / 2, 0), V(0, 0, sizeZ / 2)}};
    orv::DrawDebugBox(*d, box, hit ? 5 : 1, hit ? kRed : kGreen);
  }
  return hit;
}

double CollideRay(double slot, double frame, double x, double y, double z, double dx, double dy, double dz) {
  const float distance =
      Scene() ? Scene()->CollideRay(orv::ToInt32(slot), orv::ToInt32(frame), V(x, y, z), V(dx, dy, dz)) : 0.0f;
  if (orv::OpenGLVexel* d = DebugDevice()) {
    // Drawn up to the hit (backwards for one behind the origin), or 1000
    // units ahead when nothing was hit.
    const orv::Vec3 origin = V(x, y, z);
    const orv::Vec3 end = origin + orv::Normalized(V(dx, dy, dz)) * (distance != 0 ? distance : 1000.0f);
    const uint32_t colour = distance > 0 ? kGreen : (distance < 0 ? kYellow : kRed);
    orv::DrawDebugLine(*d, origin, end, distance != 0 ? 5 : 1, colour);
  }
  return distance;
}

double SphereTouchesBox(double x, double y, double z, double radius, double sizeX, double sizeY, double sizeZ) {
  const orv::Mat4 transform = Scene() ? Scene()->CurrentTransform() : orv::Mat4::Identity();
  return orv::SphereReachesBox(transform, V(x, y, z), F(radius), V(sizeX, sizeY, sizeZ));
}

double LastHitTriangle() { return Scene() ? Scene()->LastHitRecord() / 3 : 0; }

void DebugDot(double x, double y, double z, double size, double colour) {
  if (orv::OpenGLVexel* d = orv::Rt().device.get())
    orv::DrawDebugDot(*d, V(x, y, z), F(size), static_cast<uint32_t>(orv::ToInt32(colour)));
}

void DebugLine(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour) {
  if (orv::OpenGLVexel* d = orv::Rt().device.get())
    orv::DrawDebugLine(*d, V(x1, y1, z1), V(x2, y2, z2), F(width), static_cast<uint32_t>(orv::ToInt32(colour)));
}
