// Vexel3D: the 3D renderer. It draws into the 2D device's GL context and
// switches that context between 2D and 3D state: a pass starts by clearing
// depth and setting up projection, camera and GL state, and ends by handing
// the context back to the device's 2D set-up.
//
// The renderer is its parts, each owning its state:
//   SceneCamera     camera.h          projection, eye, view matrix, frustum
//   TransformStack  transform_stack.h the 16-level object transform stack
//   ScenePass       scene_pass.h      culling, depth, fog, texture offset,
//                                     sphere mapping, the 3D textures
//   SceneLights     lights.h          GL lights and the special light
//   ShadowPass      shadow_volume.h   the stencil shadow pass
//   CartoonRamp     cartoon_ramp.h    cartoon bands and ramp textures
//   Shaders         shaders.h         the 255 shader slots
//   ModelStore      model_store.h     the 4096 model slots, building, normals
// and it does what takes several of them: passes, lights, drawing models
// (model_draw.h) and the picking and collision queries (scene_queries.cpp).
//
// Depends on: gfx3d/ (its parts), gl/ (entry points, the shared
// GlStateCache), gfx2d/sprite_lookup.h (the only view of the 2D device).
// The runtime's scene stage creates the one instance after the device and
// closes an open shadow pass before every present and viewport change.
#pragma once

#include <cstdint>
#include <span>

#include "gfx3d/camera.h"
#include "gfx3d/cartoon_ramp.h"
#include "gfx3d/collision.h"
#include "gfx3d/lights.h"
#include "gfx3d/matrix.h"
#include "gfx3d/model_store.h"
#include "gfx3d/scene_pass.h"
#include "gfx3d/shaders.h"
#include "gfx3d/shadow_volume.h"
#include "gfx3d/transform_stack.h"
#include "orvane/rt_string.h"

namespace orv {

class OpenGLVexel;

class Vexel3D {
 public:
  // Draws into the device's context; null: no device (nothing is bound or
  // drawn through one, the queries have no viewport).
  explicit Vexel3D(OpenGLVexel* device);
  Vexel3D(const Vexel3D&) = delete;
  Vexel3D& operator=(const Vexel3D&) = delete;

  // ---- The pass (scene_pass.cpp) -------------------------------------------------
  // Starts a pass: clears depth, sets up projection, camera and GL state,
  // turns culling off, forgets lights and the 3D textures.
  void Begin3D(float nearPlane, float farPlane, float fov);
  // The projection and viewport part of Begin3D. fov > 0: perspective with
  // that vertical angle; fov <= 0: orthographic.
  void SetProjection(float nearPlane, float farPlane, float fov);
  // Leaves the shadow pass and gives the context back to the 2D device.
  void End3D();
  void ClearDepth();
  void SetDepthTest(bool on) { pass_.SetDepthTest(on); }
  // 0: no culling; 1: clockwise polygons face front; -1: counter-clockwise
  // ones do. Other values are only stored.
  void SetCullMode(int8_t mode) { pass_.SetCullMode(mode); }
  // The command's cull mode: the sign of `mode`, remembered as the last one.
  void SetCullModeCommand(int mode) { pass_.SetCullModeCommand(mode); }
  // colour -1 turns fog off. Linear fog with start and end both 0 runs from
  // the pass's near to its far plane.
  void SetFog(int32_t colour, bool exponential, float startOrDensity, float end) {
    pass_.SetFog(colour, exponential, startOrDensity, end, camera_.NearPlane(), camera_.FarPlane());
  }
  void SetTextureOffset(float du, float dv) { pass_.SetTextureOffset(du, dv); }
  void SetSphereMapping(bool on) { pass_.SetSphereMapping(on); }
  // How finished built models get normals: n mod 3 (the remainder keeps n's
  // sign), returned.
  int SetNormalMode(int n) { return models_.SetNormalMode(n); }
  void ClearPassFlags() { lights_.ClearPassFlags(); }
  // The sprites drawn on texture units 0 and 1 (-1: none); binds them now
  // and points an active program's samplers at the two units.
  void SetTexture3D(int first, int second);
  // Opens the shadow pass: casters drawn now count their volumes instead of
  // drawing themselves, until EndShadowPass.
  void BeginShadowPass();
  // Closes a shadow pass still open: darkens the counted pixels and puts
  // the pass's own cull mode back. Does nothing when none is open.
  void EndShadowPass();
  // Per-frame reset after the present.
  void ResetFrameState() { pass_.ResetFrame(); }

  // ---- Camera (scene_pass.cpp) ----------------------------------------------------
  // Loads the view matrix, resets the transform stack, rebuilds the frustum planes.
  void SetCamera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ);
  // Used by the next SetCamera.
  void SetCameraUp(float x, float y, float z) { camera_.SetUp({x, y, z}); }
  // False when the sphere lies wholly outside one of the camera's planes.
  bool SphereInFrustum(float x, float y, float z, float radius) const {
    return camera_.SphereInFrustum(x, y, z, radius);
  }
  const Mat4& ProjectionMatrix() const { return camera_.Projection(); }
  const Mat4& ViewMatrix() const { return camera_.View(); }

  // ---- Object transform stack ------------------------------------------------------
  void PushTransform() { transforms_.Push(); }
  // True when a level was popped; at depth 0 resets entry 0 and returns false.
  bool PopTransform() { return transforms_.Pop(); }
  void Translate(float x, float y, float z) { transforms_.Translate(x, y, z); }
  void Scale(float x, float y, float z) { transforms_.Scale(x, y, z); }
  void Rotate(float angle, float x, float y, float z) { transforms_.Rotate(angle, x, y, z); }
  // m is column-major and is applied to a vertex after the entry's own parts.
  void MultiplyMatrix(const float m[16]) { transforms_.MultiplyMatrix(m); }
  const Mat4& CurrentTransform() { return transforms_.Current(); }
  // Multiplies the GL modelview matrix by the current transform.
  void ApplyTransform();
  // The lengths of the transform's first three columns; false (and 1, 1, 1)
  // when its upper 3x3 is exactly the identity.
  bool TransformScale(float& sx, float& sy, float& sz) { return transforms_.AxisScale(sx, sy, sz); }

  // ---- Lights (lights.cpp) ----------------------------------------------------------
  // index >= 0: a GL light (SceneLights::SetGlLight), `show` marks its
  // position (and a spot light's direction) with debug drawing; index < 0:
  // the special light, and -3 opens or closes the shadow pass at once.
  void SetLight(int index, uint32_t colour, Vec3 position, Vec3 direction, float cutoff, bool show);
  // A directional light shining from the camera's eye toward the origin.
  void SetCameraLight(int index, uint32_t colour);
  // Red, green and blue arrows 20 units long along x, y, z at world (x, y, z).
  void DrawAxes(float x, float y, float z);
  void SetCartoonRamp(std::span<const double> values) { ramp_.Replace(values); }

  // ---- Models (vexel3d.cpp) ------------------------------------------------------
  // Loads a .ddd, DDDA or scene file into the slot; a scene's images become
  // textures keyed with the device's transparent colour (no device: none).
  bool LoadObject(const RtString& path, int slot);
  // Draws the slot under the pass's transform, frustum, textures and lights
  // (DrawSlot's result; 0 for a wrong or free slot).
  int DrawObject(int slot, int frameA, int frameB, float tween, bool interpolate);

  // ---- Picking and collision (scene_queries.cpp) ------------------------------------
  // A slot in use, or null.
  const ModelSlot* ModelInUse(int slot) const;
  // World point to screen x, y and depth 0..1 in the device's viewport, and
  // back. False (out untouched) without a device, in the eye's plane, or for
  // a singular view.
  bool ProjectToScreen(Vec3 point, Vec3& out) const;
  bool ScreenToWorld(Vec3 screen, Vec3& out) const;
  // The queries of collision.h against a slot under the current object
  // transform; each sets the last hit record (-1: none).
  bool CollideSphere(int slot, int frame, Vec3 centre, float radius);
  bool CollideBox(int slot, int frame, Vec3 centre, Vec3 size);
  float CollideRay(int slot, int frame, Vec3 origin, Vec3 direction);
  // The first record of the triangle the last query hit within its mesh, or -1.
  int LastHitRecord() const { return lastHitRecord_; }

  // ---- The parts ---------------------------------------------------------------------
  const SceneCamera& Camera() const { return camera_; }
  TransformStack& Transforms() { return transforms_; }
  ScenePass& Pass() { return pass_; }
  const ScenePass& Pass() const { return pass_; }
  const SceneLights& Lights() const { return lights_; }
  ShadowPass& Shadows() { return shadows_; }
  CartoonRamp& Ramp() { return ramp_; }
  Shaders& ShaderSlots() { return shaders_; }
  ModelStore& Models() { return models_; }
  const ModelStore& Models() const { return models_; }
  OpenGLVexel* Device() const { return device_; }
  // The device's global alpha (1 without a device): 3D drawing keeps it as
  // the alpha of its base colour.
  float DeviceAlpha() const;

 private:
  // The marks of a shown light, in the current modelview space.
  void ShowLight(Vec3 position, const Vec3* lineEnd);
  // The device's viewport as a rectangle; false without a device.
  bool Viewport(ScreenRect& out) const;

  OpenGLVexel* device_;
  SceneCamera camera_;
  TransformStack transforms_;
  ScenePass pass_;
  SceneLights lights_;
  ShadowPass shadows_;
  CartoonRamp ramp_;
  // Destroyed last first: every model slot (with its GL buffers and
  // textures), then the shader slots.
  Shaders shaders_;
  ModelStore models_;
  int lastHitRecord_ = -1;
};

}  // namespace orv
