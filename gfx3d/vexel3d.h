// Vexel3D: the 3D renderer. It draws into the 2D device's GL context and
// switches that context between 2D and 3D state: a pass starts by clearing
// depth and setting up projection, camera and GL state, and ends by handing
// the context back to the device's 2D set-up. It owns the camera, the view
// frustum, fog, culling and depth settings and a 16-level stack of object
// transforms; the model and shader stores hang off it too.
//
// Depends on: gfx3d/matrix (all matrix and vector math), gl/ (entry points,
// the shared GlStateCache), gfx2d/sprite_lookup.h (the only view of the 2D
// device). Start-up creates the one instance after the device; the frame
// flip asks it to close any open shadow pass and to forget per-frame choices.
#pragma once

#include <array>
#include <cstdint>

#include "gfx3d/matrix.h"
#include "gfx3d/shaders.h"

namespace orv {

class OpenGLVexel;

// One level of the object transform stack. The listed parts are folded into
// `current` on demand: for a vertex, scale first, then the rotations in the
// order they were issued, then the translation, then the appended matrices.
struct TransformEntry {
  static constexpr int kMaxParts = 16;

  int matrixCount = 0;
  int rotationCount = 0;
  std::array<std::array<float, 4>, kMaxParts> rotations{};  // angle (degrees), axis x, y, z
  Vec3 scale{1, 1, 1};
  Vec3 translation{};
  std::array<Mat4, kMaxParts> matrices{};
  Mat4 current = Mat4::Identity();
  int valid = 1;  // `current` already holds everything above

  // Back to no parts, unit scale, no translation, current = base, valid.
  void Reset(const Mat4& base);
};

class Vexel3D {
 public:
  static constexpr int kStackLevels = 16;

  explicit Vexel3D(OpenGLVexel* device);
  ~Vexel3D();
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
  void SetDepthTest(bool on);
  // 0: no culling; 1: clockwise polygons face front; -1: counter-clockwise
  // ones do. Other values are only stored.
  void SetCullMode(int8_t mode);
  // The command's cull mode: the sign of `mode`, remembered as the last one.
  void SetCullModeCommand(int mode);
  // colour -1 turns fog off. Linear fog with start and end both 0 runs from
  // the pass's near to its far plane.
  void SetFog(int32_t color, bool exponential, float startOrDensity, float end);
  void SetTextureOffset(float du, float dv) {
    textureOffset[0] = du;
    textureOffset[1] = dv;
  }
  void SetSphereMapping(bool on) { sphereMapping = on ? 1 : 0; }
  // Stores n mod 3 (the remainder keeps n's sign) and returns it.
  int SetNormalMode(int n);
  void ClearPassFlags() {
    lightingMask = 0;
    specialLight = 0;
  }
  // The sprites drawn on texture units 0 and 1 (-1: none); binds them now.
  void SetTexture3D(int first, int second);
  // Closes a shadow-volume pass still open: darkens the counted pixels and
  // puts the pass's own cull mode back. Does nothing when none is open.
  void EndShadowPass();
  // Opens the shadow pass: casters drawn now count their volumes instead of
  // drawing themselves, until EndShadowPass.
  void BeginShadowPass();
  // Per-frame reset: the extra texture option back to 0.
  void ResetFrameState() { textureOption = 0; }

  // ---- Camera (camera.cpp) ---------------------------------------------------------
  // Loads the view matrix, resets the transform stack, rebuilds the frustum planes.
  void SetCamera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ);
  // Used by the next SetCamera.
  void SetCameraUp(float x, float y, float z) { cameraUp = {x, y, z}; }
  // False when the sphere lies wholly outside one of the camera's planes.
  bool SphereInFrustum(float x, float y, float z, float radius) const;
  const Mat4& ProjectionMatrix() const { return projection; }
  const Mat4& ViewMatrix() const { return view; }

  // ---- Object transform stack (transform_stack.cpp) --------------------------------
  void PushTransform();
  // True when a level was popped; at depth 0 resets entry 0 and returns false.
  bool PopTransform();
  void Translate(float x, float y, float z);
  void Scale(float x, float y, float z);
  void Rotate(float angle, float x, float y, float z);
  // m is column-major and is applied to a vertex after the entry's own parts.
  void MultiplyMatrix(const float m[16]);
  const Mat4& CurrentTransform();
  // Multiplies the GL modelview matrix by the current transform.
  void ApplyTransform();
  // The lengths of the transform's first three columns; false (and 1, 1, 1)
  // when its upper 3x3 is exactly the identity.
  bool TransformScale(float& sx, float& sy, float& sz);
  int TransformDepth() const { return stackDepth; }

  // ---- Fields ----------------------------------------------------------------------
  std::array<Plane, 6> frustumPlanes{};  // right, left, bottom, top, far, near
  int8_t cullMode = 0;
  std::array<TransformEntry, kStackLevels> stack{};
  int stackDepth = 0;
  Mat4 projection = Mat4::Identity();
  Mat4 view = Mat4::Identity();
  float textureOffset[2] = {0, 0};  // added to drawn u, v while non-zero
  uint8_t lightingMask = 0;         // bit i: GL light i on
  uint8_t sphereMapping = 0;
  OpenGLVexel* device;
  uint8_t specialLight = 0;
  uint8_t specialLightMode = 1;  // 1, 2 or 3
  Vec3 specialLightPosition{};
  uint32_t shadowColor = 0;  // 0x00BBGGRR
  uint8_t shadowPass = 0;    // 1 while casters count shadow volumes
  Vec3 cameraUp{0, 1, 0};
  Vec3 cameraEye{};
  Vec3 cameraTarget{};
  float coneTangent = 0;  // for the drawing code's own culling
  float nearPlane = 0, farPlane = 0;
  int normalMode = 2;  // 0, 1 or 2: how a finished built mesh gets its normals

  // The command layer's own state: the 3D textures and the last cull mode.
  int texture3D[2] = {-1, -1};
  int8_t lastCullMode = 0;
  int textureOption = 0;  // the sprite-binding option passed along with 3D textures
  Shaders shaders;        // shader slots and the active program

 private:
  // Folds the top entry's parts into its current matrix when not valid.
  TransformEntry& ComputeTop();
  // The matrix an entry starts from: its parent's, or the identity at depth 0.
  Mat4 BaseOf(int depth) const;
};

// Where the shader store sets the texture units' sampler uniforms of the
// active program after SetTexture3D binds new textures. Does nothing while
// no program is active.
void SetTextureSamplerUniforms(Vexel3D& scene);

}  // namespace orv
