#include "gfx3d/debug_draw.h"

#include <algorithm>
#include <cmath>

#include "gfx2d/sprite_lookup.h"
#include "gl/gl.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

// Sets up the common state: colour material, no textures, no lighting while
// drawing; undoes the lighting and the colour when it goes out of scope.
class DebugPen {
 public:
  DebugPen(OpenGLVexel& device, uint32_t colour) : device_(device) {
    GlStateCache& gl = GlState();
    relight_ = gl.Slot(kCapLighting) == 1;
    gl.Set(kCapColorMaterial, true);
    BindTextures3D(device, -1, -1, false);
    glDisable(GL_TEXTURE_2D);
    if (relight_) gl.Set(kCapLighting, false);
    glColor4ub(static_cast<GLubyte>(colour & 0xFF), static_cast<GLubyte>(colour >> 8 & 0xFF),
               static_cast<GLubyte>(colour >> 16 & 0xFF), 255);
  }
  ~DebugPen() {
    if (relight_) GlState().Set(kCapLighting, true);
    glColor4f(1, 1, 1, DeviceAlpha(device_));
  }
  DebugPen(const DebugPen&) = delete;
  DebugPen& operator=(const DebugPen&) = delete;

 private:
  OpenGLVexel& device_;
  bool relight_ = false;
};

void Vertex(Vec3 p) { glVertex3f(p.x, p.y, p.z); }

}  // namespace

float ClampDebugSize(float size) {
  if (!(size >= 1)) return 1;  // NaN too
  return std::min(size, 512.0f);
}

void DrawDebugDot(OpenGLVexel& device, Vec3 p, float size, uint32_t colour) {
  DebugPen pen(device, colour);
  GlState().Set(kCapPointSmooth, true);
  glPointSize(ClampDebugSize(size));
  glBegin(GL_POINTS);
  Vertex(p);
  glEnd();
  glPointSize(1);
}

void DrawDebugLine(OpenGLVexel& device, Vec3 a, Vec3 b, float width, uint32_t colour) {
  DebugPen pen(device, colour);
  GlState().Set(kCapLineSmooth, true);
  glLineWidth(ClampDebugSize(width));
  glBegin(GL_LINES);
  Vertex(a);
  Vertex(b);
  glEnd();
  glLineWidth(1);
}

const std::vector<std::array<Vec3, 3>>& WireSphereTriangles() {
  static const std::vector<std::array<Vec3, 3>> triangles = [] {
    // The icosahedron's corners are the cyclic permutations of (0, +-1,
    // +-phi); its faces are the corner triples at mutual distance 2.
    const float phi = (1 + std::sqrt(5.0f)) / 2;
    std::vector<Vec3> corners;
    for (float a : {-1.0f, 1.0f})
      for (float b : {-phi, phi}) {
        corners.push_back({0, a, b});
        corners.push_back({a, b, 0});
        corners.push_back({b, 0, a});
      }
    auto edge = [&](size_t i, size_t j) { return std::fabs(Length(corners[i] - corners[j]) - 2) < 1e-3f; };
    std::vector<std::array<Vec3, 3>> out;
    for (size_t i = 0; i < corners.size(); ++i)
      for (size_t j = i + 1; j < corners.size(); ++j)
        for (size_t k = j + 1; k < corners.size(); ++k) {
          if (!edge(i, j) || !edge(j, k) || !edge(i, k)) continue;
          const Vec3 a = Normalized(corners[i]), b = Normalized(corners[j]), c = Normalized(corners[k]);
          const Vec3 ab = Normalized(a + b), bc = Normalized(b + c), ca = Normalized(c + a);
          out.push_back({a, ab, ca});
          out.push_back({ab, b, bc});
          out.push_back({ca, bc, c});
          out.push_back({ab, bc, ca});
        }
    return out;
  }();
  return triangles;
}

void DrawDebugSphere(OpenGLVexel& device, Vec3 centre, float radius, float width, uint32_t colour) {
  DebugPen pen(device, colour);
  GlState().Set(kCapBlend, false);
  glLineWidth(ClampDebugSize(width));
  for (const auto& t : WireSphereTriangles()) {
    glBegin(GL_LINE_LOOP);
    for (const Vec3& v : t) Vertex(centre + v * radius);
    glEnd();
  }
  glLineWidth(1);
}

void DrawDebugBox(OpenGLVexel& device, const OrientedBox& box, float width, uint32_t colour) {
  DebugPen pen(device, colour);
  GlState().Set(kCapBlend, false);
  glLineWidth(ClampDebugSize(width));
  auto corner = [&](int bits) {
    Vec3 p = box.centre;
    for (int i = 0; i < 3; ++i) p += box.axis[i] * ((bits >> i & 1) ? 1.0f : -1.0f);
    return p;
  };
  // The twelve edges join the corners that differ in one sign.
  glBegin(GL_LINES);
  for (int bits = 0; bits < 8; ++bits)
    for (int i = 0; i < 3; ++i)
      if (!(bits >> i & 1)) {
        Vertex(corner(bits));
        Vertex(corner(bits | 1 << i));
      }
  glEnd();
  glLineWidth(1);
}

}  // namespace orv
