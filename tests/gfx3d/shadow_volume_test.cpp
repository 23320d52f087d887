// Stencil shadows on a real GL context: a white floor behind boxes lit by a
// point light. Which pixels must be shadowed is worked out independently,
// by casting rays from each pixel's floor point to the light.
#include "gfx3d/shadow_volume.h"

#include <cmath>
#include <string>
#include <vector>

#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "scene_fixture.h"
#include "shadow_mesh.h"

namespace {

using orv::Vec3;

constexpr uint32_t kShadowColour = 0x2040C0;
constexpr uint32_t kDarkened = 0x90A0DF;  // half of it over white
const Vec3 kLight{-2, 0.5f, -2};
struct Box {
  Vec3 lo, hi;
};
const Box kNear{{-0.5f, -0.5f, -5.5f}, {0.5f, 0.5f, -4.5f}};
const Box kFar{{0.6f, -0.2f, -6.9f}, {1.4f, 0.8f, -6.1f}};  // behind kNear as seen from the light

// The segment a-b passes through the box (slab test).
bool Hits(Vec3 a, Vec3 b, const Box& box) {
  float t0 = 0, t1 = 1;
  for (int i = 0; i < 3; ++i) {
    const float o = (&a.x)[i], d = (&b.x)[i] - o, lo = (&box.lo.x)[i], hi = (&box.hi.x)[i];
    if (std::fabs(d) < 1e-9f) {
      if (o < lo || o > hi) return false;
      continue;
    }
    const float p = (lo - o) / d, q = (hi - o) / d;
    t0 = std::max(t0, std::min(p, q));
    t1 = std::min(t1, std::max(p, q));
  }
  return t0 <= t1;
}

struct Shadows : scenetest::SceneTest {
  orv::ShadowPass pass;

  // Drawing goes where a 3D pass draws: a target with depth and stencil.
  void SetUp() override {
    scenetest::SceneTest::SetUp();
    orv::Rt().device->EnterSceneTarget();
  }

  // Camera at the origin looking down -z at a white floor (z = -10), the
  // boxes drawn solid, then their volumes counted inside the pass.
  void Cast(const std::vector<Box>& boxes) {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (orv::GlCap cap : {orv::kCapCullFace, orv::kCapBlend, orv::kCapAlphaTest}) orv::GlState().Set(cap, false);
    orv::GlState().Set(orv::kCapDepthTest, true);
    glDisable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1, 1, 1);
    std::vector<orv::MeshVertex> floor;
    shadowtest::AddQuad(floor, {-20, -20, -10}, {20, -20, -10}, {20, 20, -10}, {-20, 20, -10}, {0, 0, 1});
    std::vector<std::unique_ptr<orv::MeshObjectX>> meshes;
    for (const Box& b : boxes) meshes.push_back(shadowtest::MeshOf(shadowtest::BoxTriangles(b.lo, b.hi)));
    glBegin(GL_TRIANGLES);
    for (const orv::MeshVertex& v : floor) glVertex3f(v.x, v.y, v.z);
    for (auto& m : meshes)
      for (const orv::MeshVertex& v : m->frames[0].triangles) glVertex3f(v.x, v.y, v.z);
    glEnd();
    pass.Begin();
    for (auto& m : meshes) pass.DrawVolume(*m, m->frames[0].triangles, kLight);
  }

  // 1 when every sample of the pixel sees the floor in shadow, 0 when every
  // sample sees it lit, -1 for borders and pixels where a box is seen.
  int Expected(int x, int y, const std::vector<Box>& boxes) {
    int shadowed = 0;
    for (auto [fx, fy] : {std::pair{0.02f, 0.02f}, {0.98f, 0.02f}, {0.02f, 0.98f}, {0.98f, 0.98f}, {0.5f, 0.5f}}) {
      const Vec3 dir{-0.5f + (x + fx) / kWidth, 0.375f - (y + fy) * 0.75f / kHeight, -1};
      bool blocked = false;
      for (const Box& b : boxes) {
        if (Hits({0, 0, 0}, dir * 20, b)) return -1;
        blocked = blocked || Hits(dir * 10, kLight, b);
      }
      shadowed += blocked;
    }
    return shadowed == 0 ? 0 : shadowed == 5 ? 1 : -1;
  }

  std::vector<uint8_t> Stencil() {
    std::vector<uint8_t> s(kWidth * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, s.data());
    return s;
  }

  // Stencil counts, then the composite; returns the number of shadowed pixels.
  int CheckStencilAndComposite(const std::vector<Box>& boxes) {
    const std::vector<uint8_t> stencil = Stencil();
    pass.End(kShadowColour);
    EXPECT_FALSE(pass.Open());
    const orvtest::Picture actual = Frame();
    std::vector<int> expected(static_cast<size_t>(kWidth) * kHeight);
    int shadowed = 0, lit = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const int e = expected[static_cast<size_t>(y) * kWidth + x] = Expected(x, y, boxes);
        if (e < 0) continue;
        (e ? shadowed : lit) += 1;
        EXPECT_EQ(stencil[static_cast<size_t>((kHeight - 1 - y) * kWidth + x)] != 0, e == 1) << x << "," << y;
      }
    // Borders and the boxes themselves are whatever was drawn.
    const orvtest::Picture wanted = orvtest::Picture::Make(kWidth, kHeight, [&](int x, int y) {
      const int e = expected[static_cast<size_t>(y) * kWidth + x];
      return e < 0 ? actual.At(x, y) : (e ? kDarkened : 0xFFFFFFu);
    });
    EXPECT_TRUE(orvtest::SamePicture(actual, wanted, orvtest::kHalfAlpha, "composite"));
    EXPECT_GT(lit, 1000);
    return shadowed;
  }
};

TEST_F(Shadows, AFloorDarkensToHalfTheShadowColourExactlyWhereTheBoxHidesTheLight) {
  ASSERT_TRUE(orv::StencilAvailable());
  Cast({kNear});
  EXPECT_TRUE(pass.Open());
  EXPECT_GT(CheckStencilAndComposite({kNear}), 40);
  // 3D state is back and the stencil cleared; leaving again changes nothing.
  EXPECT_EQ(orv::GlState().Slot(orv::kCapStencilTest), 0);
  for (uint8_t s : Stencil()) ASSERT_EQ(s, 0);
  glDepthFunc(GL_GREATER);
  pass.End(0xFFFFFF);
  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_GREATER);
  EXPECT_EQ(Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shadows, OverlappingShadowsDarkenOnceWhateverFrontFaceOrProgramIsSet) {
  glFrontFace(GL_CCW);
  // An active program draws the scene, but not the composite (it would stay white).
  orv::Shaders& shaders = Scene().ShaderSlots();
  ASSERT_TRUE(shaders.LoadFromTexts(0, nullptr, "void main() { gl_FragColor = vec4(1.0); }", nullptr));
  shaders.Use(0);
  Cast({kNear, kFar});
  int twice = 0;
  for (uint8_t s : Stencil()) twice += s >= 2;
  EXPECT_GT(twice, 10);
  EXPECT_GT(CheckStencilAndComposite({kNear, kFar}), 60);
  GLint program = 0, frontFace = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(static_cast<GLuint>(program), shaders.At(0).program);
  EXPECT_EQ(frontFace, GL_CCW);
  shaders.Use(-1);
}

TEST_F(Shadows, WithoutAStencilBufferNothingIsDrawnAndTheLogSaysSoOnce) {
  // A framebuffer with colour and depth only stands for such a context.
  orv::GlEntryPoints& g = orv::Gl();
  GLuint fb = 0, rb[2] = {0, 0};
  g.glGenFramebuffersEXT(1, &fb);
  g.glGenRenderbuffersEXT(2, rb);
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fb);
  const std::pair<GLenum, GLenum> attachments[] = {{GL_RGBA8, GL_COLOR_ATTACHMENT0_EXT}, {GL_DEPTH_COMPONENT24, GL_DEPTH_ATTACHMENT_EXT}};
  for (int i = 0; i < 2; ++i) {
    g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, rb[i]);
    g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, attachments[i].first, kWidth, kHeight);
    g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, attachments[i].second, GL_RENDERBUFFER_EXT, rb[i]);
  }
  ASSERT_FALSE(orv::StencilAvailable());
  for (int round = 0; round < 2; ++round) {
    Cast({kNear});
    pass.End(0x000000);
    EXPECT_FALSE(pass.Open());
    EXPECT_EQ(Pixel(54, 24), 0xFFFFFFu);  // the floor in the box's shadow, untouched
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  g.glDeleteFramebuffersEXT(1, &fb);
  g.glDeleteRenderbuffersEXT(2, rb);
  const std::string log = orvtest::ErrorLogText(), line = "no stencil buffer: shadows are not drawn\n";
  EXPECT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line), log.rfind(line)) << log;
}

}  // namespace
