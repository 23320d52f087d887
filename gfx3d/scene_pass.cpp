// The 3D pass: switching the shared context from 2D into 3D state and back,
// projection and viewport, and the pass's own settings (depth, culling,
// fog, texture offset, sphere mapping, the 3D textures).
#include "gfx3d/scene_pass.h"

#include "gfx2d/sprite_lookup.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"
#include "gl/gl_state_cache.h"

namespace orv {

// ---- The pass's settings ----------------------------------------------------------------

void ScenePass::SetUpGlState() {
  GlStateCache& gl = GlState();
  gl.Set(kCapCullFace, true);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  gl.Set(kCapFog, false);
  gl.Set(kCapLineSmooth, false);
  gl.Set(kCapPointSmooth, false);
  gl.Set(kCapPolygonSmooth, false);
  gl.Set(kCapPolygonOffsetPoint, false);
  gl.Set(kCapAutoNormal, false);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  gl.Set(kCapStencilTest, false);
  gl.Set(kCapNormalize, false);
  gl.Set(kCapLighting, false);
  glShadeModel(GL_SMOOTH);
  gl.Set(kCapDither, true);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  SetDepthTest(true);
}

void ScenePass::Reset() {
  sphereMapping_ = false;
  SetCullMode(0);
  SetTextureOffset(0, 0);
}

void ScenePass::SetDepthTest(bool on) {
  GlState().Set(kCapDepthTest, on);
  if (on) glDepthFunc(GL_LESS);
}

void ScenePass::SetCullMode(int8_t mode) {
  cullMode_ = mode;
  if (mode == 0) {
    GlState().Set(kCapCullFace, false);
  } else if (mode == 1 || mode == -1) {
    GlState().Set(kCapCullFace, true);
    glFrontFace(mode == 1 ? GL_CW : GL_CCW);
  }
}

void ScenePass::SetCullModeCommand(int mode) {
  lastCullMode_ = static_cast<int8_t>(mode > 0 ? 1 : (mode < 0 ? -1 : 0));
  SetCullMode(lastCullMode_);
}

void ScenePass::SetFog(int32_t colour, bool exponential, float a, float b, float nearPlane, float farPlane) {
  if (colour == -1) {
    GlState().Set(kCapFog, false);
    return;
  }
  GlState().Set(kCapFog, true);
  if (exponential) {
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, a);
  } else {
    if (a == 0 && b == 0) {
      a = nearPlane;
      b = farPlane;
    }
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, a);
    glFogf(GL_FOG_END, b);
  }
  const GLfloat rgba[4] = {static_cast<float>(colour & 0xFF) / 255, static_cast<float>((colour >> 8) & 0xFF) / 255,
                           static_cast<float>((colour >> 16) & 0xFF) / 255, 0};
  glFogfv(GL_FOG_COLOR, rgba);
}

void ScenePass::SetTextures(int first, int second) {
  textures_[0] = first;
  textures_[1] = second;
  if (device_) BindTextures3D(*device_, first, second, textureOption_ != 0);
}

void ScenePass::UnbindTextures() {
  if (device_)
    BindTextures3D(*device_, -1, -1, false);
  else
    glDisable(GL_TEXTURE_2D);
}

void ScenePass::RebindTextures() {
  if (device_) BindTextures3D(*device_, textures_[0], textures_[1], textureOption_ != 0);
}

// ---- The renderer's pass ------------------------------------------------------------------

void Vexel3D::Begin3D(float nearZ, float farZ, float fov) {
  // 2D drawing still held back belongs under the 3D picture, and the pass
  // draws where there is a depth buffer.
  if (device_) MarkDepthUsed(*device_);
  ClearDepth();
  SetProjection(nearZ, farZ, fov);
  pass_.SetCullModeCommand(0);
  lights_.ClearPassFlags();
  SetTexture3D(-1, -1);
}

void Vexel3D::SetProjection(float nearZ, float farZ, float fov) {
  if (device_) MarkDepthUsed(*device_);
  EndShadowPass();
  int width = 0, height = 0;
  if (device_) {
    LoadViewport3D(*device_, width, height);
  } else {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
  }
  const float aspect = height != 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
  camera_.SetProjection(nearZ, farZ, fov, aspect);
  glMultMatrixf(camera_.Projection().data());
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  pass_.SetUpGlState();
  pass_.Reset();
  lights_.SwitchSpecialOff();
  transforms_.Clear();
  if (device_) BindTextures3D(*device_, -1, -1, false);
  SetCamera(0, 0, 0, 0, 0, -1);
}

void Vexel3D::End3D() {
  EndShadowPass();
  if (device_) Restore2DState(*device_);
}

void Vexel3D::ClearDepth() {
  EndShadowPass();
  glClear(GL_DEPTH_BUFFER_BIT);
}

void Vexel3D::SetTexture3D(int first, int second) {
  pass_.SetTextures(first, second);
  // Shader programs take their texture units from "TextureID1" (unit 0) and
  // "TextureID2" (unit 1).
  ShaderSetSamplers(shaders_);
}

void Vexel3D::BeginShadowPass() { shadows_.Begin(); }

void Vexel3D::EndShadowPass() {
  if (!shadows_.Open()) return;
  shadows_.End(lights_.ShadowColour());
  pass_.SetCullMode(pass_.CullMode());
}

void Vexel3D::SetCamera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ) {
  camera_.LookAt({eyeX, eyeY, eyeZ}, {targetX, targetY, targetZ});
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(camera_.View().data());
  transforms_.Clear();
}

void Vexel3D::ApplyTransform() {
  glMatrixMode(GL_MODELVIEW);
  glMultMatrixf(transforms_.Current().data());
}

}  // namespace orv
