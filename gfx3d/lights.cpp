// The light command, the camera light, the axis gizmo and the cartoon ramp.
#include "gfx3d/lights.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "gfx2d/sprite_lookup.h"
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

void ResetColour(const Vexel3D& scene) { glColor4f(1, 1, 1, scene.device ? DeviceAlpha(*scene.device) : 1.0f); }

// The markers of a shown light, drawn in the current modelview space with
// lighting out of the way while they draw.
void ShowMark(Vexel3D& scene, Vec3 p, const Vec3* lineEnd) {
  GlStateCache& gl = GlState();
  gl.Set(kCapColorMaterial, true);
  UnbindSceneTextures(scene);
  if (scene.lightingMask != 0) gl.Set(kCapLighting, false);
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
  if (scene.lightingMask != 0) gl.Set(kCapLighting, true);
  ResetColour(scene);
}

void SetSpecialLight(Vexel3D& scene, int index, uint32_t colour, Vec3 position, float cutoff) {
  scene.specialLight = std::fabs(cutoff) >= 0.00001f ? 1 : 0;
  if (scene.specialLight) {
    scene.specialLightPosition = position;
    scene.shadowColor = colour;
  }
  scene.specialLightMode = index == -3 ? 3 : (index == -1 ? 1 : 2);
  // Shadow volumes are a pass of their own: switching the light in mode 3
  // opens or closes it at once.
  if (index == -3) {
    if (scene.specialLight)
      scene.BeginShadowPass();
    else
      scene.EndShadowPass();
  }
}

}  // namespace

void UnbindSceneTextures(Vexel3D& scene) {
  if (scene.device)
    BindTextures3D(*scene.device, -1, -1, false);
  else
    glDisable(GL_TEXTURE_2D);
}

void RebindSceneTextures(Vexel3D& scene) {
  if (scene.device) BindTextures3D(*scene.device, scene.texture3D[0], scene.texture3D[1], scene.textureOption != 0);
}

void SetLight(Vexel3D& scene, int index, uint32_t colour, Vec3 p, Vec3 q, float cutoff, bool show) {
  if (index < 0) {
    SetSpecialLight(scene, index, colour, p, cutoff);
    return;
  }
  const int n = index % 8;
  const GLenum light = GL_LIGHT0 + static_cast<GLenum>(n);
  GlStateCache& gl = GlState();
  if (cutoff == 0) {
    glDisable(light);
    scene.lightingMask = static_cast<uint8_t>(scene.lightingMask & ~(1u << n));
    if (scene.lightingMask == 0) gl.Set(kCapLighting, false);
    return;
  }
  gl.Set(kCapLighting, true);
  glEnable(light);
  scene.lightingMask = static_cast<uint8_t>(scene.lightingMask | (1u << n));
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);

  const GLfloat rgba[4] = {static_cast<float>(colour & 0xFF) / 255, static_cast<float>((colour >> 8) & 0xFF) / 255,
                           static_cast<float>((colour >> 16) & 0xFF) / 255, 1};
  const GLfloat noSpecular[4] = {0, 0, 0, 1};
  const bool isSpot = cutoff <= 90;
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
    if (isSpot) {
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

  if (show) {
    const Vec3 end = p + Normalized(q) * 500.0f;
    ShowMark(scene, p, isSpot && !atOrigin ? &end : nullptr);
  }
}

void SetCameraLight(Vexel3D& scene, int index, uint32_t colour) {
  SetLight(scene, index, colour, scene.cameraEye, scene.cameraEye * -1.0f, 180, false);
}

void DrawAxes(Vexel3D& scene, float x, float y, float z) {
  GlStateCache& gl = GlState();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(scene.view.data());
  gl.Set(kCapLineSmooth, true);
  UnbindSceneTextures(scene);
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
  if (scene.lightingMask != 0) gl.Set(kCapLighting, true);
  gl.Set(kCapLineSmooth, false);
  gl.Set(kCapColorMaterial, false);
  RebindSceneTextures(scene);
  ResetColour(scene);
}

// ---- Cartoon ramp -------------------------------------------------------------------------

namespace {

std::vector<uint8_t>& RampStore() {
  static std::vector<uint8_t> ramp;
  return ramp;
}

// Bumped by every replacement; a ramp texture made under an older one is refilled.
uint32_t rampGeneration = 1;

// The generation each ramp texture was filled under, by GL texture name.
std::unordered_map<uint32_t, uint32_t>& RampTextureGenerations() {
  static std::unordered_map<uint32_t, uint32_t> generations;
  return generations;
}

}  // namespace

const std::vector<uint8_t>& CartoonRamp() {
  std::vector<uint8_t>& ramp = RampStore();
  if (ramp.empty()) {
    ramp = {100};
    ramp.insert(ramp.end(), 6, 160);
    ramp.push_back(207);
    ramp.insert(ramp.end(), 8, 255);
  }
  return ramp;
}

void ReplaceCartoonRamp(std::span<const double> values) {
  std::vector<uint8_t>& ramp = RampStore();
  ramp.clear();
  for (double v : values) {
    // Out-of-range numbers saturate rather than wrap round to a dark band.
    const double scaled = v * 255;
    ramp.push_back(scaled >= 255 ? 255 : (scaled > 0 ? static_cast<uint8_t>(scaled) : 0));
  }
  if (ramp.empty()) ramp.push_back(255);
  ++rampGeneration;
}

void ResetCartoonRamp() {
  RampStore().clear();  // CartoonRamp() fills in the default on first use
  ++rampGeneration;
}

std::vector<uint8_t> CartoonRampTexels(const std::vector<uint32_t>& palette, int& width, int& rows) {
  const std::vector<uint8_t>& ramp = CartoonRamp();
  rows = 1;
  while (rows < static_cast<int>(palette.size()) && rows < 32768) rows *= 2;
  const size_t length = ramp.size();
  width = 512;
  for (int w : {64, 128, 256, 512})
    if (static_cast<size_t>(w) >= 4 * length) {
      width = w;
      break;
    }
  std::vector<uint8_t> texels(static_cast<size_t>(width) * static_cast<size_t>(rows) * 4);
  for (int i = 0; i < rows; ++i) {
    uint32_t c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)]
                                                      : (palette.empty() ? 0 : palette[0]);
    if (IsMarker(c)) c = 0xFFFFFF;
    for (int j = 0; j < width; ++j) {
      const uint32_t level = ramp[static_cast<size_t>(j) * length / static_cast<size_t>(width)];
      uint8_t* t = &texels[(static_cast<size_t>(i) * static_cast<size_t>(width) + static_cast<size_t>(j)) * 4];
      t[0] = static_cast<uint8_t>((c & 0xFF) * level / 255);
      t[1] = static_cast<uint8_t>(((c >> 8) & 0xFF) * level / 255);
      t[2] = static_cast<uint8_t>(((c >> 16) & 0xFF) * level / 255);
      t[3] = 255;
    }
  }
  return texels;
}

bool EnsureCartoonRampTexture(MeshObjectX& mesh, bool bgra) {
  auto& generations = RampTextureGenerations();
  if (mesh.texture != 0) {
    const auto known = generations.find(mesh.texture);
    if (known != generations.end() && known->second == rampGeneration) return true;
  }
  int width = 0, rows = 0;
  std::vector<uint8_t> texels = CartoonRampTexels(mesh.palette, width, rows);
  if (bgra)
    for (size_t k = 0; k + 3 < texels.size(); k += 4) std::swap(texels[k], texels[k + 2]);

  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  if (mesh.texture == 0) {
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return false;
    mesh.texture = name;
  }
  mesh.cartoonRowStep = 1.0f / static_cast<float>(rows);
  glBindTexture(GL_TEXTURE_2D, mesh.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, bgra ? GL_RGBA8 : GL_RGBA, width, rows, 0, bgra ? GL_BGRA : GL_RGBA,
               GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  generations[mesh.texture] = rampGeneration;
  return true;
}

}  // namespace orv
