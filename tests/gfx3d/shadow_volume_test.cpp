// Stencil shadows on a real GL context: a white floor behind boxes lit by a
// point light. Where the stencil and the darkening must be is worked out
// independently, by casting a ray from each pixel's floor point to the light.
#include "gfx3d/shadow_volume.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "scene_fixture.h"
#include "shadow_mesh.h"

namespace {

using orv::Vec3;
using scenetest::Near;

constexpr float kFloorZ = -10;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kShadowColour = 0x2040C0;  // 0x00BBGGRR
const Vec3 kLight{-2, 0.5f, -2};

struct Box {
  Vec3 lo, hi;
};

// The segment a-b passes through the box (slab test).
bool SegmentHits(Vec3 a, Vec3 b, const Box& box) {
  const Vec3 d = b - a;
  float t0 = 0, t1 = 1;
  const float o[3] = {a.x, a.y, a.z}, v[3] = {d.x, d.y, d.z};
  const float lo[3] = {box.lo.x, box.lo.y, box.lo.z}, hi[3] = {box.hi.x, box.hi.y, box.hi.z};
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(v[i]) < 1e-9f) {
      if (o[i] < lo[i] || o[i] > hi[i]) return false;
      continue;
    }
    float p = (lo[i] - o[i]) / v[i], q = (hi[i] - o[i]) / v[i];
    if (p > q) std::swap(p, q);
    t0 = std::max(t0, p);
    t1 = std::min(t1, q);
  }
  return t0 <= t1;
}

struct Shadows : scenetest::SceneTest {
  uint8_t pass = 0;

  // Camera at the origin looking down -z; the viewport is the whole window.
  void Begin() {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    orv::GlStateCache& gl = orv::GlState();
    gl.Set(orv::kCapDepthTest, true);
    gl.Set(orv::kCapCullFace, false);
    gl.Set(orv::kCapBlend, false);
    gl.Set(orv::kCapAlphaTest, false);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (auto [x, y] : {std::pair{-20.f, -20.f}, {20.f, -20.f}, {20.f, 20.f}, {-20.f, 20.f}}) glVertex3f(x, y, kFloorZ);
    glEnd();
  }

  // Draws the boxes as solid white, then their volumes inside the pass.
  void Cast(const std::vector<Box>& boxes) {
    std::vector<std::unique_ptr<orv::MeshObjectX>> meshes;
    glColor3f(1, 1, 1);
    for (const Box& b : boxes) {
      meshes.push_back(shadowtest::MeshOf(shadowtest::BoxTriangles(b.lo, b.hi)));
      glBegin(GL_TRIANGLES);
      for (const orv::MeshVertex& v : meshes.back()->frames[0].triangles) glVertex3f(v.x, v.y, v.z);
      glEnd();
    }
    orv::EnterShadowPass(pass);
    EXPECT_EQ(pass, 1);
    for (auto& m : meshes) orv::DrawShadowVolume(pass, *m, m->frames[0].triangles, kLight);
  }

  // Where pixel (x, y) from the top-left sees the floor; nothing when a box
  // covers any part of the pixel. Pixels on a shadow border are "unsure".
  enum class Seen { kBox, kUnsure, kLit, kShadow };
  Seen Classify(int x, int y, const std::vector<Box>& boxes) {
    int shadowed = 0;
    for (auto [fx, fy] : {std::pair{0.02f, 0.02f}, {0.98f, 0.02f}, {0.02f, 0.98f}, {0.98f, 0.98f}, {0.5f, 0.5f}}) {
      // Eye ray through the pixel point, onto the near plane (z = -1).
      const float nx = -0.5f + (x + fx) / kWidth, ny = 0.375f - (y + fy) * 0.75f / kHeight;
      const Vec3 dir{nx, ny, -1};
      for (const Box& b : boxes) {
        // The eye ray meets the box: the box hides the floor here.
        if (SegmentHits({0, 0, 0}, dir * 20, b)) return Seen::kBox;
      }
      const Vec3 floor = dir * -kFloorZ;
      bool blocked = false;
      for (const Box& b : boxes) blocked = blocked || SegmentHits(floor, kLight, b);
      shadowed += blocked;
    }
    return shadowed == 0 ? Seen::kLit : shadowed == 5 ? Seen::kShadow : Seen::kUnsure;
  }
  std::vector<uint8_t> Stencil() {
    std::vector<uint8_t> s(kWidth * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, s.data());
    return s;
  }
  uint8_t StencilAt(const std::vector<uint8_t>& s, int x, int y) { return s[static_cast<size_t>((kHeight - 1 - y) * kWidth + x)]; }

  // Half of the shadow colour over white.
  static uint32_t Darkened() {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (kShadowColour >> shift) & 0xFF;
      out |= ((c * 128 + 255 * 127) / 255) << shift;
    }
    return out;
  }

  // Counts of floor pixels checked in shadow and in light.
  struct Checked {
    int shadow = 0, lit = 0;
  };
  Checked CheckStencilThenComposite(const std::vector<Box>& boxes) {
    Checked n;
    const std::vector<uint8_t> stencil = Stencil();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const Seen seen = Classify(x, y, boxes);
        if (seen == Seen::kLit) {
          EXPECT_EQ(StencilAt(stencil, x, y), 0) << x << "," << y;
        } else if (seen == Seen::kShadow) {
          EXPECT_NE(StencilAt(stencil, x, y), 0) << x << "," << y;
        }
      }
    orv::LeaveShadowPass(pass, kShadowColour);
    EXPECT_EQ(pass, 0);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const Seen seen = Classify(x, y, boxes);
        if (seen == Seen::kLit) {
          ++n.lit;
          EXPECT_EQ(Pixel(x, y), kWhite) << x << "," << y;
        } else if (seen == Seen::kShadow) {
          ++n.shadow;
          EXPECT_TRUE(Near(Pixel(x, y), Darkened())) << x << "," << y << " " << std::hex << Pixel(x, y);
        }
      }
    return n;
  }
};

TEST_F(Shadows, AFloorDarkensToHalfTheShadowColourExactlyWhereTheBoxHidesTheLight) {
  ASSERT_TRUE(orv::StencilAvailable());
  const std::vector<Box> boxes = {{{-0.5f, -0.5f, -5.5f}, {0.5f, 0.5f, -4.5f}}};
  Begin();
  Cast(boxes);
  const Checked n = CheckStencilThenComposite(boxes);
  EXPECT_GT(n.shadow, 40);
  EXPECT_GT(n.lit, 1000);

  // The 3D state is back, the stencil cleared, and leaving again changes nothing.
  EXPECT_EQ(orv::GlState().Slot(orv::kCapStencilTest), 0);
  EXPECT_EQ(orv::GlState().Slot(orv::kCapDepthTest), 1);
  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_LESS);
  for (uint8_t s : Stencil()) ASSERT_EQ(s, 0);
  const uint32_t before = Pixel(0, 0);
  glDepthFunc(GL_GREATER);
  orv::LeaveShadowPass(pass, 0xFFFFFF);
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_GREATER);
  EXPECT_EQ(Pixel(0, 0), before);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shadows, OverlappingShadowsDarkenOnceAndShadersDoNotColourThem) {
  // Two boxes one behind the other as seen from the light: their shadows
  // overlap on the floor, counted twice in the stencil.
  const std::vector<Box> boxes = {{{-0.5f, -0.5f, -5.5f}, {0.5f, 0.5f, -4.5f}},
                                  {{0.6f, -0.2f, -6.9f}, {1.4f, 0.8f, -6.1f}}};
  Begin();
  glFrontFace(GL_CCW);  // the caster's own winding does not matter to its volume
  // An active program colours the casters, but neither volumes nor the composite.
  orv::Shaders& shaders = Scene().shaders;
  ASSERT_TRUE(shaders.LoadFromTexts(0, nullptr, "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }", nullptr));
  shaders.Use(0);
  Cast(boxes);
  int twice = 0;
  for (uint8_t s : Stencil()) twice += s >= 2;
  EXPECT_GT(twice, 10);
  const Checked n = CheckStencilThenComposite(boxes);
  EXPECT_GT(n.shadow, 60);
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(static_cast<GLuint>(program), shaders.At(0).program);
  GLint frontFace = 0;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(frontFace, GL_CCW);
  shaders.Use(-1);
}

TEST_F(Shadows, WithoutAStencilBufferNothingIsDrawnAndTheLogSaysSoOnce) {
  // A framebuffer with colour and depth only stands for such a context.
  orv::GlEntryPoints& g = orv::Gl();
  ASSERT_TRUE(g.glGenFramebuffersEXT && g.glGenRenderbuffersEXT);
  GLuint fb = 0, rb[2] = {0, 0};
  g.glGenFramebuffersEXT(1, &fb);
  g.glGenRenderbuffersEXT(2, rb);
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fb);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, rb[0]);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, kWidth, kHeight);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, rb[0]);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, rb[1]);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, kWidth, kHeight);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, rb[1]);
  ASSERT_EQ(g.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
  ASSERT_FALSE(orv::StencilAvailable());

  const std::vector<Box> boxes = {{{-0.5f, -0.5f, -5.5f}, {0.5f, 0.5f, -4.5f}}};
  for (int round = 0; round < 2; ++round) {
    Begin();
    Cast(boxes);
    orv::LeaveShadowPass(pass, 0x000000);
    EXPECT_EQ(pass, 0);
    uint8_t p[4];
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);  // floor, in light or not: untouched white
    EXPECT_EQ(p[0], 255);
    glReadPixels(54, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0], 255);
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  g.glDeleteFramebuffersEXT(1, &fb);
  g.glDeleteRenderbuffersEXT(2, rb);
  const std::string log = orvtest::ErrorLogText();
  const std::string line = "no stencil buffer: shadows are not drawn\n";
  const size_t first = log.find(line);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(line, first + 1), std::string::npos) << log;
}

}  // namespace
