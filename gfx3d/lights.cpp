#include "gfx3d/lights.h"

#include <cmath>

#include "gl/gl.h"
#include "gl/gl_state_cache.h"

namespace orv {
namespace {

constexpr uint32_t kShowDotColour = 0x80C8FF;
constexpr uint32_t kShowLineColour = 0x6CAAE1;

void SetSpecial(LightState& lights, int index, uint32_t colour, Vec3 position, float cutoff, const LightHooks& hooks) {
  lights.special = std::fabs(cutoff) >= 0.00001f;
  if (lights.special) {
    lights.specialPosition = position;
    lights.specialColour = colour;
  }
  lights.specialMode = index == -3 ? 3 : index == -1 ? 1 : 2;
  if (index == -3 && hooks.shadowPass) hooks.shadowPass(lights.special);
}

}  // namespace

void SetLight(LightState& lights, int index, uint32_t colour, Vec3 p, Vec3 q, float cutoff, bool show,
              const LightHooks& hooks) {
  if (index < 0) {
    SetSpecial(lights, index, colour, p, cutoff, hooks);
    return;
  }
  const int n = index % 8;
  const GLenum light = GL_LIGHT0 + static_cast<GLenum>(n);
  const uint8_t bit = static_cast<uint8_t>(1u << n);
  GlStateCache& gl = GlState();
  if (cutoff == 0) {
    glDisable(light);
    lights.mask = static_cast<uint8_t>(lights.mask & ~bit);
    if (!lights.mask) gl.Set(kCapLighting, false);
    return;
  }
  gl.Set(kCapLighting, true);
  glEnable(light);
  lights.mask |= bit;
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
  const float rgba[4] = {static_cast<float>(colour & 0xFF) / 255, static_cast<float>((colour >> 8) & 0xFF) / 255,
                         static_cast<float>((colour >> 16) & 0xFF) / 255, 1};
  const float noSpecular[4] = {0, 0, 0, 1};
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLightfv(light, GL_DIFFUSE, rgba);
  const bool overhead = p.x == 0 && p.y == 0 && p.z == 0 && q.x == 0 && q.y == 0 && q.z == 0;
  const bool spot = !overhead && cutoff <= 90;
  if (overhead) {
    const float fromViewer[4] = {0, 0, 1, 0};
    glLightfv(light, GL_POSITION, fromViewer);
    glLightfv(light, GL_SPECULAR, noSpecular);
    glLightf(light, GL_SPOT_CUTOFF, 180);
  } else if (cutoff == 180) {
    const Vec3 from = Normalized(q * -1.0f);
    const float position[4] = {from.x, from.y, from.z, 0};
    glLightfv(light, GL_POSITION, position);
    glLightf(light, GL_SPOT_CUTOFF, 180);
    glLightfv(light, GL_SPECULAR, noSpecular);
  } else {
    const float position[4] = {p.x, p.y, p.z, 1};
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_SPECULAR, rgba);
    if (spot) {
      const Vec3 d = Normalized(q);
      const float direction[3] = {d.x, d.y, d.z};
      glLightfv(light, GL_SPOT_DIRECTION, direction);
      // GL refuses a negative cone; its size is what the game means.
      glLightf(light, GL_SPOT_CUTOFF, std::fabs(cutoff));
    } else {
      glLightf(light, GL_SPOT_CUTOFF, 180);
    }
  }
  glPopMatrix();
  if (!show) return;
  if (hooks.dot) hooks.dot(p, 40, kShowDotColour);
  if (spot && hooks.line) hooks.line(p, p + Normalized(q) * 500.0f, 3, kShowLineColour);
}

void SetCameraLight(LightState& lights, int index, uint32_t colour, Vec3 eye) {
  SetLight(lights, index, colour, eye, eye * -1.0f, 180, false);
}

void DrawAxes(const Mat4& view, Vec3 at, const LightState& lights, float alpha) {
  GlStateCache& gl = GlState();
  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(view.data());
  gl.Set(kCapLineSmooth, true);
  glDisable(GL_TEXTURE_2D);
  gl.Set(kCapLighting, false);
  glTranslatef(at.x, at.y, at.z);
  glScalef(20, 20, 20);
  // One arrow: the shaft along the axis, then a head in each of the two
  // planes that hold the axis.
  static const float kArrow[8][3] = {{0, 0, 0},      {1, 0, 0},     {0.75f, 0.25f, 0}, {0.75f, -0.25f, 0},
                                     {1, 0, 0},      {0.75f, 0, 0.25f}, {0.75f, 0, -0.25f}, {1, 0, 0}};
  for (int axis = 0; axis < 3; ++axis) {
    glColor3f(axis == 0, axis == 1, axis == 2);
    glBegin(GL_LINE_STRIP);
    for (const auto& p : kArrow) {
      // The arrow's own axis goes to `axis`; its two side directions to the other two.
      float v[3];
      v[axis] = p[0];
      v[axis == 0 ? 1 : 0] = p[1];
      v[axis == 2 ? 1 : 2] = p[2];
      glVertex3fv(v);
    }
    glEnd();
  }
  glPopMatrix();
  if (lights.mask) gl.Set(kCapLighting, true);
  gl.Set(kCapLineSmooth, false);
  gl.Set(kCapColorMaterial, false);
  if (textured) glEnable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, alpha);
}

}  // namespace orv
