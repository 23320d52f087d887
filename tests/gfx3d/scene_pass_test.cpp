// The 3D pass on a real context: what the projection, camera, fog, depth
// test and culling put on screen, read back as pixels, and the 2D state the
// pass hands back.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx2d/gl_fixture.h"
#include "gfx3d/vexel3d.h"
#include "gfx2d/sprite_lookup.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx2d.h"
#include "orvane/gfx3d.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;
const float kTan22 = std::tan(22.5f * 3.14159265f / 180);

class Scene3D : public gltest::GlDevice {
 protected:
  void SetUp() override {
    GlDevice::SetUp();
    orvtest::StartRuntimeUpTo("scene");
    s = orv::Rt().scene.get();
    ASSERT_NE(s, nullptr);
  }

  static void Color(uint32_t c) { glColor3ub(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

  // An axis-aligned square in the plane z, counter-clockwise as seen from +z
  // (or clockwise when `clockwise`).
  static void Square(float cx, float cy, float z, float half, uint32_t c, bool clockwise = false) {
    Color(c);
    glBegin(GL_QUADS);
    const float xs[4] = {-1, 1, 1, -1}, ys[4] = {-1, -1, 1, 1};
    for (int i = 0; i < 4; ++i) {
      const int k = clockwise ? 3 - i : i;
      glTexCoord2f(xs[k] > 0 ? 1.0f : 0.0f, ys[k] > 0 ? 1.0f : 0.0f);
      glVertex3f(cx + xs[k] * half, cy + ys[k] * half, z);
    }
    glEnd();
  }

  // The unit cube at the origin, every face wound outwards.
  static void UnitCube(uint32_t c) {
    Color(c);
    static const float kFaces[6][4][3] = {
        {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},     {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}},
        {{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}},     {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
        {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}};
    glBegin(GL_QUADS);
    for (const auto& face : kFaces)
      for (const auto& v : face) glVertex3f(v[0] * 0.5f, v[1] * 0.5f, v[2] * 0.5f);
    glEnd();
  }

  // Mean position of the pixels of `color`; false when there are none.
  bool Centroid(uint32_t color, float& x, float& y) {
    const auto box = Box(color);
    if (box[2] < 0) return false;
    double sx = 0, sy = 0;
    int n = 0;
    for (int py = box[1]; py <= box[3]; ++py)
      for (int px = box[0]; px <= box[2]; ++px)
        if (Pixel(px, py) == color) {
          sx += px;
          sy += py;
          ++n;
        }
    x = static_cast<float>(sx / n);
    y = static_cast<float>(sy / n);
    return true;
  }

  orv::Vexel3D* s = nullptr;
};

TEST_F(Scene3D, PassStartsLookingDownMinusZWithDepthTestAndNoCulling) {
  SetCullMode(1);
  SetTextureOffset(0.5, 0.25);
  SetSphereMapping(1);
  SetLight(0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  SetLight(1, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  SetLight(-2, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 1, 0);
  ASSERT_EQ(s->Lights().Mask(), 3);
  ASSERT_TRUE(s->Lights().SpecialOn());
  Begin3D(1, 1000, 45);
  EXPECT_EQ(s->Pass().CullMode(), 0);
  EXPECT_EQ(s->Pass().LastCullMode(), 0);
  EXPECT_EQ(s->Pass().OffsetU(), 0);
  EXPECT_EQ(s->Pass().OffsetV(), 0);
  EXPECT_EQ(s->Pass().SphereMapping(), 0);
  EXPECT_EQ(s->Lights().Mask(), 0);
  EXPECT_EQ(s->Lights().SpecialOn(), 0);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint func = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &func);
  EXPECT_EQ(func, GL_LESS);
  // Symmetric frustum: top = tan(22.5) * near, right = top * 64/48.
  const orv::Mat4& p = s->ProjectionMatrix();
  EXPECT_NEAR(p.at(1, 1), 1 / kTan22, 1e-4);
  EXPECT_NEAR(p.at(0, 0), 1 / (kTan22 * 64.0f / 48.0f), 1e-4);
  EXPECT_EQ(p.at(0, 2), 0);
  EXPECT_EQ(p.at(3, 2), -1);
  EXPECT_NEAR(s->Camera().ConeTangent(), std::tan(50 * orv::kDegToRad), 1e-5);
  // The view is the identity: the camera sits at the origin looking down -z.
  RtArray<double> view;
  view.Dim(4, 4);
  ViewMatrix(view);
  ASSERT_EQ(view.Dims(), 1);
  ASSERT_EQ(view.Size(0), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(view.At(i), i % 5 == 0 ? 1 : 0) << i;

  // SetTextureOffset and SetSphereMapping store what drawing reads; the
  // flags ClearPassFlags forgets go too.
  SetTextureOffset(0.125, -0.5);
  EXPECT_EQ(s->Pass().OffsetV(), -0.5f);
  SetLight(0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  SetLight(7, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  ASSERT_EQ(s->Lights().Mask(), 0x81);
  ClearPassFlags();
  EXPECT_EQ(s->Lights().Mask(), 0);
  End3D();
}

TEST_F(Scene3D, UnitCubeFromFiveUnitsCoversTheCentreAndNoCorner) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 5, 0, 0, 0);
  UnitCube(kRed);
  // The front face (z = 0.5) is 4.5 units away: half its side over
  // 4.5 * tan(22.5) of the half-height of 24 pixels.
  const float half = 0.5f / (4.5f * kTan22) * 24;
  const auto box = Box(kRed);
  EXPECT_NEAR(box[0], 32 - half, 1.0);
  EXPECT_NEAR(box[2] + 1, 32 + half, 1.0);
  EXPECT_NEAR(box[1], 24 - half, 1.0);
  EXPECT_NEAR(box[3] + 1, 24 + half, 1.0);
  EXPECT_EQ(Count(kRed, 30, 22, 34, 26), 16);
  EXPECT_EQ(Pixel(0, 0), 0u);
  EXPECT_EQ(Pixel(63, 0), 0u);
  EXPECT_EQ(Pixel(0, 47), 0u);
  EXPECT_EQ(Pixel(63, 47), 0u);
  End3D();
}

TEST_F(Scene3D, TheFourOrientationsTurnThePictureLikeTheTwoDScreen) {
  for (int turns = 0; turns < 4; ++turns) {
    SCOPED_TRACE(turns);
    SetOrientation(turns);
    NextFrame();
    // A marker up and to the right of the view's centre...
    Begin3D(1, 100, 45);
    SetCamera(0, 0, 5, 0, 0, 0);
    Square(1, 0.8f, 0, 0.15f, kRed);
    End3D();
    float rx = 0, ry = 0;
    ASSERT_TRUE(Centroid(kRed, rx, ry));
    // ...lands where 2D drawing puts the same logical point.
    const double lw = d->LogicalWidth(), lh = d->LogicalHeight();
    const double ndcX = 1 / (5 * kTan22 * (lw / lh)), ndcY = 0.8 / (5 * kTan22);
    NextFrame();
    DrawRect(std::floor(lw / 2 * (1 + ndcX)) - 1, std::floor(lh / 2 * (1 - ndcY)) - 1, 3, 3, kGreen);
    float gx = 0, gy = 0;
    ASSERT_TRUE(Centroid(kGreen, gx, gy));
    EXPECT_NEAR(rx, gx, 1.5);
    EXPECT_NEAR(ry, gy, 1.5);
  }
}

TEST_F(Scene3D, OrthographicSizesDoNotShrinkWithDistance) {
  // Height of a square of half-side 1 at distance z, in pixels.
  auto heightAt = [&](float fov, float z) {
    NextFrame();
    Begin3D(1, 100, fov);
    Square(0, 0, -z, fov > 0 ? 1.0f : 10.0f, kRed);
    End3D();
    const auto box = Box(kRed);
    return box[3] - box[1] + 1;
  };
  // Perspective: half the size at twice the distance.
  EXPECT_NEAR(heightAt(45, 5), 2 / (5 * kTan22) * 24, 1.0);
  EXPECT_NEAR(heightAt(45, 10), 2 / (10 * kTan22) * 24, 1.0);
  // Orthographic: the half-height is near * tan(22.5) * 100 at any depth.
  const float orthoHalf = kTan22 * 100;
  EXPECT_NEAR(heightAt(-45, 5), 10 / orthoHalf * 48, 1.0);
  EXPECT_NEAR(heightAt(-45, 50), 10 / orthoHalf * 48, 1.0);
  EXPECT_NEAR(s->Camera().ConeTangent(), 57.29f, 0.01f);
  // A wide perspective clamps only the cone tangent.
  Begin3D(1, 100, 88);
  EXPECT_NEAR(s->Camera().ConeTangent(), 57.29f, 0.01f);
  EXPECT_NEAR(s->ProjectionMatrix().at(1, 1), 1 / std::tan(44 * orv::kDegToRad), 1e-4);
  End3D();
}

TEST_F(Scene3D, FogColourAtAKnownDepth) {
  // The middle of a white square five units away, all at one depth.
  auto centreWithFog = [&](double color, double exponential, double a, double b, float nearZ, float farZ) {
    NextFrame();
    Begin3D(nearZ, farZ, 45);
    SetFog(color, exponential, a, b);
    Square(0, 0, -5, 1, kWhite);
    End3D();
    return Region(28, 20, 9, 9);
  };
  auto fogged = [](uint32_t colour) { return orvtest::Picture::Filled(9, 9, colour); };
  // Linear from 0 to 10: half fog at 5. Blue fog is 0xFF0000.
  EXPECT_TRUE(orvtest::SamePicture(centreWithFog(0xFF0000, 0, 0, 10, 1, 100), fogged(0xFF8080), orvtest::kFogBlend,
                                   "linear"));
  // Exponential with density 0.1: exp(-0.5) of the surface remains.
  const uint32_t kept = static_cast<uint32_t>(std::lround(std::exp(-0.5) * 255));
  EXPECT_TRUE(orvtest::SamePicture(centreWithFog(0xFF0000, 1, 0.1, 0, 1, 100), fogged(0xFF0000u | kept | kept << 8),
                                   orvtest::kFogBlend, "exponential"));
  // Linear 0, 0 runs from the pass's near (1) to its far plane (9): half at 5.
  EXPECT_TRUE(orvtest::SamePicture(centreWithFog(0x0000FF, 0, 0, 0, 1, 9), fogged(0x8080FF), orvtest::kFogBlend,
                                   "the pass's planes"));
  // Colour -1: no fog.
  EXPECT_TRUE(orvtest::SamePicture(centreWithFog(-1, 0, 0, 10, 1, 100), fogged(kWhite), orvtest::kExact, "none"));
}

TEST_F(Scene3D, DepthTestKeepsTheNearerQuadWhateverTheOrder) {
  Begin3D(1, 100, 45);
  Square(0, 0, -3, 0.5f, kGreen);  // near, drawn first
  Square(0, 0, -6, 3, kRed);       // far and larger
  EXPECT_EQ(Pixel(32, 24), kGreen);
  EXPECT_EQ(Pixel(4, 4), kRed);
  SetDepthTest(0);
  Square(0, 0, -6, 3, kRed);
  EXPECT_EQ(Pixel(32, 24), kRed);
  // ClearDepth lets anything draw over again.
  SetDepthTest(1);
  ClearDepth();
  Square(0, 0, -50, 3, kWhite);
  EXPECT_EQ(Pixel(32, 24), kWhite);
  End3D();
}

TEST_F(Scene3D, CullModesHideOppositeFaces) {
  auto draw = [&](double mode) {
    NextFrame();
    Begin3D(1, 100, 45);
    SetCullMode(mode);
    Square(-1, 0, -5, 0.5f, kRed, false);  // counter-clockwise on screen
    Square(1, 0, -5, 0.5f, kGreen, true);  // clockwise on screen
    End3D();
  };
  draw(0);
  EXPECT_GT(Count(kRed), 0);
  EXPECT_GT(Count(kGreen), 0);
  draw(1);  // clockwise faces are front: the counter-clockwise one goes
  EXPECT_EQ(Count(kRed), 0);
  EXPECT_GT(Count(kGreen), 0);
  draw(-7);  // any negative: counter-clockwise faces are front
  EXPECT_GT(Count(kRed), 0);
  EXPECT_EQ(Count(kGreen), 0);
  EXPECT_EQ(s->Pass().LastCullMode(), -1);
}

TEST_F(Scene3D, SphereInFrustumJustInsideAndOutsideEachPlane) {
  Begin3D(1, 100, 45);
  const float r = 0.5f, eps = 0.01f, z = -10;
  const float ky = kTan22, kx = kTan22 * 64.0f / 48.0f;
  // A side plane through the eye leans by k: a centre is inside while it is
  // closer than r * sqrt(1 + k^2) beyond the edge at its depth.
  const float reachX = -z * kx + r * std::sqrt(1 + kx * kx), reachY = -z * ky + r * std::sqrt(1 + ky * ky);
  struct Case {
    const char* plane;
    float x, y, z;
  } cases[] = {{"right", reachX, 0, z}, {"left", -reachX, 0, z}, {"bottom", 0, -reachY, z},
               {"top", 0, reachY, z},   {"far", 0, 0, -100 - r},  {"near", 0, 0, -1 + r}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plane);
    // Step from the boundary toward or away from the view's inside.
    const float dx = c.x > 0 ? -eps : (c.x < 0 ? eps : 0), dy = c.y > 0 ? -eps : (c.y < 0 ? eps : 0);
    const float dz = c.z < -50 ? eps : (c.z > -5 ? -eps : 0);
    EXPECT_EQ(SphereInFrustum(c.x + dx, c.y + dy, c.z + dz, r), 1);
    EXPECT_EQ(SphereInFrustum(c.x - dx, c.y - dy, c.z - dz, r), 0);
  }
  // Only the camera moves the planes.
  SetCamera(0, 0, 0, 0, 0, 1);
  EXPECT_FALSE(s->SphereInFrustum(0, 0, -10, 1));
  EXPECT_TRUE(s->SphereInFrustum(0, 0, 10, 1));
  End3D();
}

TEST_F(Scene3D, CameraUpTurnsTheView) {
  Begin3D(1, 100, 45);
  SetCameraUp(1, 0, 0);
  SetCamera(0, 0, 5, 0, 0, 0);
  RtArray<double> view;
  ViewMatrix(view);
  EXPECT_EQ(view.At(4), -1);   // world y is the camera's -x
  EXPECT_EQ(view.At(14), -5);  // five units back
  Square(1.5f, 0, 0, 0.3f, kRed);  // world +x is now up on screen
  float x = 0, y = 0;
  ASSERT_TRUE(Centroid(kRed, x, y));
  EXPECT_NEAR(x, 31.5, 1.0);
  EXPECT_LT(y, 16);
  End3D();
}

TEST_F(Scene3D, TransformsMoveWhatIsDrawn) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 5, 0, 0, 0);
  PushTransform();
  Translate(1.5, 0, 0);
  Rotate(45, 0, 0, 1);
  ApplyTransform();
  Square(0, 0, 0, 0.3f, kRed);
  float x = 0, y = 0;
  ASSERT_TRUE(Centroid(kRed, x, y));
  EXPECT_NEAR(x, 31.5 + 1.5 / (5 * kTan22) * 24, 1.0);
  EXPECT_NEAR(y, 23.5, 1.0);
  EXPECT_EQ(PopTransform(), 1);
  End3D();
}

TEST_F(Scene3D, SpriteTexturesBindBySlot) {
  MakeSprite(5, 8, 8, [](int, int) { return 0xFF00FF00u; });
  Begin3D(1, 100, 45);
  SetTexture3D(5, -1);
  EXPECT_EQ(s->Pass().Texture(0), 5);
  // The middle of the sprite's image: its texture may be larger than the image.
  const orv::SpriteSlot* sprite = orv::LookUpSprite(*d, 5);
  ASSERT_NE(sprite, nullptr);
  glColor3f(1, 1, 1);
  glBegin(GL_TRIANGLES);
  glTexCoord2f(sprite->uMax / 2, sprite->vMax / 2);
  glVertex3f(-1, -1, -5);
  glVertex3f(1, -1, -5);
  glVertex3f(0, 1, -5);
  glEnd();
  EXPECT_EQ(Pixel(32, 24), kGreen);
  SetTexture3D(-1, -1);
  Square(0, 0, -4, 1, kWhite);
  EXPECT_EQ(Pixel(32, 24), kWhite);
  End3D();
}

TEST_F(Scene3D, APassIntoASurfaceFillsTheSurfaceUpright) {
  CreateSurface(0, 20, 32, 16);
  UseSurface(0);
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 5, 0, 0, 0);
  // Aspect 2: a square of half-side tan(22.5) * 5 at the origin fills the
  // height and the middle half of the width; a marker sits above it.
  Square(0, 0, 0, kTan22 * 5, kRed);
  Square(0, kTan22 * 5 * 0.75f, 0.1f, 0.2f, kGreen);
  End3D();
  EndSurface();
  orv::PixelImage image;
  ASSERT_TRUE(d->SpriteToImage(20, image));
  ASSERT_EQ(image.width, 32);
  EXPECT_EQ(image.Pixel(16, 8) & 0xFFFFFF, kRed);
  EXPECT_EQ(image.Pixel(9, 8) & 0xFFFFFF, kRed);
  EXPECT_NE(image.Pixel(6, 8) & 0xFFFFFF, kRed);
  EXPECT_EQ(image.Pixel(16, 2) & 0xFFFFFF, kGreen);
}

TEST_F(Scene3D, TwoDDrawingAfterEnd3DIsUnchanged) {
  MakeSprite(9, 6, 6, [](int x, int y) { return (x + y) % 2 ? 0xFF3060C0u : 0x80FFFFFFu; });
  SetViewport(4, 3, 40, 30);
  auto draw2D = [&] {
    DrawRect(1, 1, 10, 6, 0x123456);
    DrawLine(0, 20, 30, 25, 0x00FFFF);
    DrawSprite(9, 20, 4);
  };
  draw2D();
  const orvtest::Picture before = Region(0, 0, 44, 33);

  NextFrame();
  SetViewport(4, 3, 40, 30);
  Begin3D(1, 100, 60);
  SetFog(0x00FF00, 0, 1, 2);
  SetCullMode(-1);
  SetSphereMapping(1);
  MakeSprite(10, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  SetTexture3D(10, 10);
  glEnable(GL_TEXTURE_GEN_S);  // what sphere-mapped drawing leaves behind
  orv::GlState().Set(orv::kCapTextureGenS, true);
  PushTransform();
  Scale(2, 2, 2);
  ApplyTransform();
  End3D();
  draw2D();
  EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, 44, 33), before, orvtest::kExact));
}

GLint Bits(GLenum which) {
  GLint n = -1;
  glGetIntegerv(which, &n);
  return n;
}

// The window goes without depth and stencil (2D draws faster without).
// The first pass replaces it with one that has both, and everything made
// before goes on working: textures, surfaces, the clear colour, a shader in
// use, the frame drawn so far.
TEST_F(Scene3D, TheFirstPassMovesTheGameToAWindowWithDepthAndKeepsEverything) {
  EXPECT_EQ(Bits(GL_DEPTH_BITS), 0);
  const uint32_t before = orv::Rt().mainWindow->Id();
  MakeSprite(9, 4, 4, [](int, int) { return 0xFF00FFFFu; });
  CreateSurface(0, 20, 8, 8);
  UseSurface(0);
  DrawRect(0, 0, 8, 8, 0xFF0000);
  EndSurface();
  SetClearColor(0x203040);
  const std::string frag = orvtest::PrivateDir() + "/blue.frag";
  orvtest::WriteFile(frag, "void main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }");
  ASSERT_EQ(LoadShader(1, "", frag.c_str()), 1);
  UseShader(1);
  UseShader(-1);
  DrawRect(0, 0, 10, 48, 0x0000FF);
  Begin3D(1, 100, 45);
  EXPECT_NE(orv::Rt().mainWindow->Id(), before);
  EXPECT_EQ(Bits(GL_DEPTH_BITS), 24);
  EXPECT_EQ(Bits(GL_STENCIL_BITS), 8);
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), 0);
  EXPECT_FALSE(d->SceneTargetActive());
  EXPECT_EQ(Pixel(5, 24), kRed);  // the frame so far came along
  SetCamera(0, 0, 5, 0, 0, 0);
  Square(0, 0, 0, 0.5f, kWhite);
  Square(0, 0, -1, 2, kGreen);
  EXPECT_EQ(Pixel(32, 24), kWhite);
  End3D();
  DrawSprite(20, 50, 0);
  DrawSprite(9, 50, 20);
  EXPECT_EQ(Pixel(52, 2), kBlue) << "a surface made before the move";
  EXPECT_EQ(Pixel(51, 21), 0x00FFFFu) << "a texture made before the move";
  UseSurface(0);
  DrawRect(0, 0, 4, 8, 0x00FF00);
  EndSurface();
  DrawSprite(20, 50, 0);
  EXPECT_EQ(Pixel(51, 2), kGreen) << "the surface draws in the new context";
  EXPECT_EQ(Pixel(55, 2), kBlue);
  NextFrame();
  EXPECT_EQ(Pixel(32, 24), 0x203040u) << "the clear colour";
  const uint32_t after = orv::Rt().mainWindow->Id();
  Begin3D(1, 100, 45);
  EXPECT_FALSE(d->SceneTargetActive());
  EXPECT_EQ(orv::Rt().mainWindow->Id(), after) << "moved once only";
  // A program made before the move is shared by the new context.
  UseShader(1);
  SetCamera(0, 0, 5, 0, 0, 0);
  Square(0, 0, 0, 0.5f, kWhite);
  UseShader(-1);
  EXPECT_EQ(Pixel(32, 24), kBlue);
  End3D();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// With the window kept (or when the system cannot replace it), a frame
// with a pass draws from the pass on into a copy of the window that has
// depth and stencil, and the flip shows that copy; the next frame starts
// in the window.
TEST_F(Scene3D, PassesGetADepthBufferTheWindowDoesNotHave) {
  orv::Rt().switches.keepWindow = true;
  auto bits = Bits;
  EXPECT_EQ(bits(GL_DEPTH_BITS), 0);
  EXPECT_EQ(bits(GL_STENCIL_BITS), 0);
  DrawRect(0, 0, 10, 48, 0x0000FF);
  Begin3D(1, 100, 45);
  EXPECT_NE(orv::OpenGLVexel::CurrentFramebufferBinding(), 0);
  EXPECT_EQ(bits(GL_DEPTH_BITS), 24);
  EXPECT_EQ(bits(GL_STENCIL_BITS), 8);
  EXPECT_EQ(Pixel(5, 24), kRed);  // the 2D picture came along
  EXPECT_EQ(GetPixel(5, 24), kRed);
  SetCamera(0, 0, 5, 0, 0, 0);
  Square(0, 0, 0, 0.5f, kWhite);
  Square(0, 0, -1, 2, kGreen);  // behind, drawn later: hidden where the white is
  EXPECT_EQ(Pixel(32, 24), kWhite);
  // A surface begun inside the pass draws into itself and ends on the
  // pass's target, where the rest of the frame is drawn.
  const int target = orv::OpenGLVexel::CurrentFramebufferBinding();
  CreateSurface(0, 20, 8, 8);
  UseSurface(0);
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), static_cast<int>(d->Surface(0).framebuffer));
  End3D();
  EndSurface();
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), target);
  EXPECT_TRUE(d->SceneTargetActive());
  EXPECT_EQ(Pixel(32, 24), kWhite);
  EXPECT_EQ(Pixel(5, 24), kRed);
  EXPECT_EQ(Pixel(40, 24), kGreen);
  EXPECT_EQ(GetPixel(32, 24), kWhite);

  // A frame shown in the middle of a pass leaves the pass too.
  Begin3D(1, 100, 45);
  d->Flip(nullptr);
  EXPECT_FALSE(d->SceneTargetActive());
  EXPECT_EQ(orv::OpenGLVexel::CurrentFramebufferBinding(), 0);
  EXPECT_EQ(bits(GL_DEPTH_BITS), 0);
  DrawRect(0, 0, 10, 48, 0x0000FF);
  Begin3D(1, 100, 45);
  EXPECT_EQ(Pixel(5, 24), kRed);  // copied in again
  End3D();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  orv::Rt().switches.keepWindow = false;
}

TEST_F(Scene3D, APassDrawsTheSamePixelsAsWithTheDepthBufferInTheWindow) {
  auto frame = [&] {
    NextFrame();
    MakeSprite(9, 6, 6, [](int x, int y) { return (x + y) % 2 ? 0xFF3060C0u : 0x80FFFFFFu; });
    DrawRect(2, 2, 30, 20, 0x123456);
    DrawSprite(9, 40, 30);
    Begin3D(1, 100, 45);
    SetFog(0x808080, 0, 3, 12);
    SetCamera(0, 0, 5, 0, 0, 0);
    PushTransform();
    Rotate(30, 1, 1, 0);
    ApplyTransform();
    UnitCube(kRed);
    PopTransform();
    ApplyTransform();
    Square(0.4f, 0.3f, 0, 0.6f, kGreen);
    ClearDepth();
    Square(-0.8f, -0.5f, -3, 0.7f, kWhite);
    End3D();
    DrawLine(0, 47, 63, 0, 0xFF00FF);
    return Region(0, 0, kWidth, kHeight);
  };
  // The first frame moves to a window with depth, the second draws there.
  const orvtest::Picture moved = frame();
  EXPECT_TRUE(orvtest::SamePicture(frame(), moved, orvtest::kExact, "after the move"));

  TearDown();
  orv::Rt().switches.keepWindow = true;
  SetUp();
  const orvtest::Picture ownBuffer = frame();
  EXPECT_TRUE(d->SceneTargetActive());
  orv::Rt().switches.keepWindow = false;
  EXPECT_TRUE(orvtest::SamePicture(ownBuffer, moved, orvtest::kExact, "through the target"));

  TearDown();
  orv::Rt().switches.windowDepth = true;
  SetUp();
  orv::Rt().switches.windowDepth = false;
  EXPECT_EQ(Bits(GL_DEPTH_BITS), 24);
  EXPECT_TRUE(orvtest::SamePicture(frame(), moved, orvtest::kExact, "depth from the start"));
}

}  // namespace
