// The 3D pass: switching the shared context from 2D into 3D state and back,
// projection and viewport, depth, culling, fog and the 3D textures.
#include <cmath>

#include "gfx2d/sprite_lookup.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

constexpr float kPi = 3.14159265358979f;

}  // namespace

void Vexel3D::Begin3D(float nearZ, float farZ, float fov) {
  // 2D drawing still held back belongs under the 3D picture, and the pass
  // draws where there is a depth buffer.
  if (device) MarkDepthUsed(*device);
  ClearDepth();
  SetProjection(nearZ, farZ, fov);
  SetCullModeCommand(0);
  ClearPassFlags();
  SetTexture3D(-1, -1);
}

void Vexel3D::SetProjection(float nearZ, float farZ, float fov) {
  if (device) MarkDepthUsed(*device);
  EndShadowPass();
  const float cone = fov + 5;
  coneTangent = std::tan((cone > 89 ? 89 : cone) * kDegToRad);
  nearPlane = nearZ;
  farPlane = farZ;
  cameraUp = {0, 1, 0};

  int width = 0, height = 0;
  if (device) {
    LoadViewport3D(*device, width, height);
  } else {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
  }
  const float aspect = height != 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
  if (fov > 0) {
    const float top = std::tan(fov * kPi / 360) * nearZ;
    const float right = top * aspect;
    projection = Frustum(-right, right, -top, top, nearZ, farZ);
  } else {
    const float top = nearZ * std::tan(-fov * kPi / 360) * 100;
    const float right = top * aspect;
    projection = Orthographic(-right, right, -top, top, nearZ, farZ);
    coneTangent = std::tan(89 * kDegToRad);
  }
  glMultMatrixf(projection.data());
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

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

  sphereMapping = 0;
  specialLight = 0;
  while (PopTransform()) {
  }
  SetCullMode(0);
  SetTextureOffset(0, 0);
  if (device) BindTextures3D(*device, -1, -1, false);
  SetCamera(0, 0, 0, 0, 0, -1);
}

void Vexel3D::End3D() {
  EndShadowPass();
  if (device) Restore2DState(*device);
}

void Vexel3D::ClearDepth() {
  EndShadowPass();
  glClear(GL_DEPTH_BUFFER_BIT);
}

void Vexel3D::SetDepthTest(bool on) {
  GlState().Set(kCapDepthTest, on);
  if (on) glDepthFunc(GL_LESS);
}

void Vexel3D::SetCullMode(int8_t mode) {
  cullMode = mode;
  if (mode == 0) {
    GlState().Set(kCapCullFace, false);
  } else if (mode == 1 || mode == -1) {
    GlState().Set(kCapCullFace, true);
    glFrontFace(mode == 1 ? GL_CW : GL_CCW);
  }
}

void Vexel3D::SetCullModeCommand(int mode) {
  lastCullMode = static_cast<int8_t>(mode > 0 ? 1 : (mode < 0 ? -1 : 0));
  SetCullMode(lastCullMode);
}

void Vexel3D::SetFog(int32_t color, bool exponential, float a, float b) {
  if (color == -1) {
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
  const GLfloat rgba[4] = {static_cast<float>(color & 0xFF) / 255, static_cast<float>((color >> 8) & 0xFF) / 255,
                           static_cast<float>((color >> 16) & 0xFF) / 255, 0};
  glFogfv(GL_FOG_COLOR, rgba);
}

int Vexel3D::SetNormalMode(int n) {
  normalMode = n % 3;
  models.normalMode = normalMode;
  return normalMode;
}

void Vexel3D::SetTexture3D(int first, int second) {
  texture3D[0] = first;
  texture3D[1] = second;
  if (device) BindTextures3D(*device, first, second, textureOption != 0);
  SetTextureSamplerUniforms(*this);
}

}  // namespace orv
