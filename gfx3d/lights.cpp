// The lights: GL lights and the special light, the renderer's light
// command with its shown marks, the camera light and the axis gizmo.
#include "gfx3d/lights.h"

#include <algorithm>
#include <cmath>

#include "gfx3d/vexel3d.h"
#include "gl/gl.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

constexpr uint32_t kShowDotColour = 0x80C8FF;
constexpr uint32_t kShowLineColour = 0x6CAAE1;

void SetColour(uint32_t c) {
  glColor3ub(static_cast<GLubyte>(c & 0xFF), static_cast<GLubyte>((c >> 8) & 0xFF),
             static_cast<GLubyte>((c >> 16) & 0xFF));
}

// White at the device's alpha: what 3D drawing leaves the colour at.
void ResetColour(const Vexel3D& scene) { glColor4f(1, 1, 1, scene.DeviceAlpha()); }

}  // namespace

// ---- The lights ----------------------------------------------------------------------------

bool SceneLights::SetGlLight(int index, uint32_t colour, Vec3 p, Vec3 q, float cutoff) {
  const int n = index % 8;
  const GLenum light = GL_LIGHT0 + static_cast<GLenum>(n);
  GlStateCache& gl = GlState();
  if (cutoff == 0) {
    glDisable(light);
    mask_ = static_cast<uint8_t>(mask_ & ~(1u << n));
    if (mask_ == 0) gl.Set(kCapLighting, false);
    return false;
  }
  gl.Set(kCapLighting, true);
  glEnable(light);
  mask_ = static_cast<uint8_t>(mask_ | (1u << n));
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);

  const GLfloat rgba[4] = {static_cast<float>(colour & 0xFF) / 255, static_cast<float>((colour >> 8) & 0xFF) / 255,
                           static_cast<float>((colour >> 16) & 0xFF) / 255, 1};
  const GLfloat noSpecular[4] = {0, 0, 0, 1};
  bool spot = false;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLightfv(light, GL_DIFFUSE, rgba);
  const bool atOrigin = p.x == 0 && p.y == 0 && p.z == 0 && q.x == 0 && q.y == 0 && q.z == 0;
  if (atOrigin || cutoff == 180) {
    const Vec3 from = atOrigin ? Vec3{0, 0, 1} : Normalized(q * -1.0f);
    const GLfloat position[4] = {from.x, from.y, from.z, 0};
    glLightfv(light, GL_POSITION, position);
    glLightf(light, GL_SPOT_CUTOFF, 180);
    glLightfv(light, GL_SPECULAR, noSpecular);
  } else {
    const GLfloat position[4] = {p.x, p.y, p.z, 1};
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_SPECULAR, rgba);
    spot = cutoff <= 90;
    if (spot) {
      const Vec3 d = Normalized(q);
      const GLfloat direction[3] = {d.x, d.y, d.z};
      glLightfv(light, GL_SPOT_DIRECTION, direction);
      // GL refuses a negative cone and would keep the previous one; a
      // negative cutoff is taken as the narrowest cone instead.
      glLightf(light, GL_SPOT_CUTOFF, std::max(cutoff, 0.0f));
    } else {
      glLightf(light, GL_SPOT_CUTOFF, 180);
    }
  }
  glPopMatrix();
  return spot;
}

void SceneLights::SetSpecialLight(int index, uint32_t colour, Vec3 position, float cutoff) {
  special_ = std::fabs(cutoff) >= 0.00001f;
  if (special_) {
    position_ = position;
    shadowColour_ = colour;
  }
  mode_ = index == -3 ? 3 : (index == -1 ? 1 : 2);
}

Vec3 SceneLights::SpecialPositionIn(const Mat4& objectTransform) const {
  Mat4 inverse;
  if (!Invert(objectTransform, inverse)) return position_;
  return TransformPoint(inverse, position_);
}

// ---- The renderer's light commands -----------------------------------------------------------

void Vexel3D::SetLight(int index, uint32_t colour, Vec3 p, Vec3 q, float cutoff, bool show) {
  if (index < 0) {
    lights_.SetSpecialLight(index, colour, p, cutoff);
    // Shadow volumes are a pass of their own: switching the light in mode 3
    // opens or closes it at once.
    if (index == -3) {
      if (lights_.SpecialOn())
        BeginShadowPass();
      else
        EndShadowPass();
    }
    return;
  }
  const bool spot = lights_.SetGlLight(index, colour, p, q, cutoff);
  if (show && cutoff != 0) {
    const Vec3 end = p + Normalized(q) * 500.0f;
    ShowLight(p, spot ? &end : nullptr);
  }
}

void Vexel3D::ShowLight(Vec3 p, const Vec3* lineEnd) {
  // Drawn in the current modelview space, with lighting out of the way.
  GlStateCache& gl = GlState();
  gl.Set(kCapColorMaterial, true);
  pass_.UnbindTextures();
  if (lights_.AnyOn()) gl.Set(kCapLighting, false);
  gl.Set(kCapPointSmooth, true);
  glPointSize(40);
  SetColour(kShowDotColour);
  glBegin(GL_POINTS);
  glVertex3f(p.x, p.y, p.z);
  glEnd();
  glPointSize(1);
  if (lineEnd) {
    gl.Set(kCapLineSmooth, true);
    glLineWidth(3);
    SetColour(kShowLineColour);
    glBegin(GL_LINES);
    glVertex3f(p.x, p.y, p.z);
    glVertex3f(lineEnd->x, lineEnd->y, lineEnd->z);
    glEnd();
    glLineWidth(1);
  }
  if (lights_.AnyOn()) gl.Set(kCapLighting, true);
  ResetColour(*this);
}

void Vexel3D::SetCameraLight(int index, uint32_t colour) {
  const Vec3 eye = camera_.Eye();
  SetLight(index, colour, eye, eye * -1.0f, 180, false);
}

void Vexel3D::DrawAxes(float x, float y, float z) {
  GlStateCache& gl = GlState();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(camera_.View().data());
  gl.Set(kCapLineSmooth, true);
  pass_.UnbindTextures();
  gl.Set(kCapLighting, false);
  glTranslatef(x, y, z);
  glScalef(20, 20, 20);
  // One arrow along axis a: shaft, then two barbs in each of the other planes.
  static const float kArrow[8][3] = {{0, 0, 0},        {1, 0, 0},     {0.75f, 0.25f, 0}, {0.75f, -0.25f, 0},
                                     {1, 0, 0},        {0.75f, 0, 0.25f}, {0.75f, 0, -0.25f}, {1, 0, 0}};
  static const uint32_t kColours[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  for (int axis = 0; axis < 3; ++axis) {
    SetColour(kColours[axis]);
    glBegin(GL_LINE_STRIP);
    for (const auto& v : kArrow) {
      // Rotate the x arrow's coordinates onto the axis: (a, b, c) -> axis
      // component a, the next axis b, the one after c.
      float out[3];
      out[axis] = v[0];
      out[(axis + 1) % 3] = v[1];
      out[(axis + 2) % 3] = v[2];
      glVertex3fv(out);
    }
    glEnd();
  }
  glPopMatrix();
  if (lights_.AnyOn()) gl.Set(kCapLighting, true);
  gl.Set(kCapLineSmooth, false);
  gl.Set(kCapColorMaterial, false);
  pass_.RebindTextures();
  ResetColour(*this);
}

}  // namespace orv
