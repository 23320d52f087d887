// Lights on a real context: a cube drawn with plain GL triangles and
// normals, lit by each kind of light and read back as pixels; switching
// lights off; the camera light; the axis gizmo; the cartoon ramp texture.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx2d/gl_fixture.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx2d.h"
#include "orvane/gfx3d.h"
#include "orvane/runtime.h"

namespace {

constexpr double kWhite = 0xFFFFFF;

int Red(uint32_t c) { return static_cast<int>(c & 0xFF); }
int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
uint32_t Grey(int level) { return static_cast<uint32_t>(level) * 0x010101u; }

class Lights : public gltest::GlDevice {
 protected:
  void SetUp() override {
    GlDevice::SetUp();
    orvtest::StartRuntimeUpTo("scene");
    s = orv::Rt().scene.get();
    ASSERT_NE(s, nullptr);
  }

  // A white cube of half-size h at the origin, faces wound outwards, with
  // face normals, coloured through colour material as model drawing does.
  static void LitCube(float h) {
    orv::GlState().Set(orv::kCapColorMaterial, true);
    glColor3f(1, 1, 1);
    static const float kFaces[6][4][3] = {
        {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},     {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}},
        {{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}},     {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
        {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}};
    static const float kNormals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < 6; ++f)
      for (int k : {0, 1, 2, 0, 2, 3}) {
        glNormal3fv(kNormals[f]);
        glVertex3f(kFaces[f][k][0] * h, kFaces[f][k][1] * h, kFaces[f][k][2] * h);
      }
    glEnd();
  }

  // A large white square in the plane z = 0 facing +z, finely divided so
  // per-vertex lighting follows a point or spot light across it.
  static void LitFloor(float half, int cells) {
    orv::GlState().Set(orv::kCapColorMaterial, true);
    glColor3f(1, 1, 1);
    const float step = 2 * half / static_cast<float>(cells);
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    for (int i = 0; i < cells; ++i)
      for (int j = 0; j < cells; ++j) {
        const float x0 = -half + step * static_cast<float>(i), y0 = -half + step * static_cast<float>(j);
        const float x1 = x0 + step, y1 = y0 + step;
        glVertex3f(x0, y0, 0);
        glVertex3f(x1, y0, 0);
        glVertex3f(x1, y1, 0);
        glVertex3f(x0, y0, 0);
        glVertex3f(x1, y1, 0);
        glVertex3f(x0, y1, 0);
      }
    glEnd();
  }

  orv::Vexel3D* s = nullptr;
};

TEST_F(Lights, DirectionalLightBrightensTheFacesItShinesOnOnly) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  // Shining along -x: from the right. The cube turned 45 degrees shows one
  // face to the right (lit by cos 45) and one to the left (unlit); the
  // scene's ambient light (0.2 x 0.2) adds 10 to both.
  SetLight(0, kWhite, 0, 0, 0, -1, 0, 0, 180, 0);
  PushTransform();
  Rotate(45, 0, 1, 0);
  ApplyTransform();
  LitCube(1);
  EXPECT_TRUE(orvtest::SamePicture(Region(35, 21, 6, 7), orvtest::Picture::Filled(6, 7, Grey(190)),
                                   orvtest::kVertexLighting, "lit face"));
  EXPECT_LT(Red(Pixel(28, 24)), 20);
  EXPECT_GT(Red(Pixel(28, 24)), 0);  // the scene's ambient still shows it
  PopTransform();
  End3D();

  // Position and direction all zero: a light from +z in camera space, so a
  // face turned to the camera is fully lit in whatever colour is given.
  NextFrame();
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  SetLight(3, 0x00FF00, 0, 0, 0, 0, 0, 0, 90, 0);
  LitCube(1);
  EXPECT_GE(Green(Pixel(32, 24)), 250);
  EXPECT_LT(Red(Pixel(32, 24)), 20);
  End3D();
}

TEST_F(Lights, PointAndSpotLightsFallOffAcrossAFloor) {
  // Screen x for world x on the plane z = 0 seen from z = 6.
  const float k = 24 / (6 * std::tan(22.5f * orv::kDegToRad));
  auto column = [&](float worldX) { return static_cast<int>(std::lround(31.5f + worldX * k)); };
  auto light = [&](double cutoff) {
    NextFrame();
    Begin3D(1, 100, 45);
    SetCamera(0, 0, 6, 0, 0, 0);
    // Half a unit above the floor at x = 1.5, pointing straight down at it
    // (given in world space: the view is the current modelview).
    SetLight(0, kWhite, 1.5, 0, 0.5, 0, 0, -1, cutoff, 0);
    LitFloor(4, 32);
    const int under = Red(Pixel(column(1.5f), 24)), across = Red(Pixel(column(-1.5f), 24));
    End3D();
    return std::pair{under, across};
  };
  // A point light: full under it, dimmer (but lit beyond the ambient 10)
  // three units away.
  const auto [pointUnder, pointAcross] = light(120);
  EXPECT_GT(pointUnder, 240);
  EXPECT_GT(pointAcross, 20);
  EXPECT_LT(pointAcross, pointUnder / 3);
  // A narrow spot light: full under it, nothing outside its cone.
  const auto [spotUnder, spotAcross] = light(45);
  EXPECT_GT(spotUnder, 240);
  EXPECT_LE(spotAcross, 11);
  GLfloat cutoff = 0;
  glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
  EXPECT_EQ(cutoff, 45);
  // A negative cone is the narrowest one, not the previous cone left standing.
  SetLight(0, kWhite, 1.5, 0, 0.5, 0, 0, -1, -30, 0);
  glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
  EXPECT_EQ(cutoff, 0);
}

TEST_F(Lights, CutoffZeroSwitchesOffAndTheLastOffDisablesLighting) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  SetLight(0, 0x0000FF, 0, 0, 0, 0, 0, 0, 180, 0);
  // Index 9 drives GL light 1, in its own colour.
  SetLight(9, 0x00FF00, 0, 0, 0, 0, 0, 0, 180, 0);
  EXPECT_EQ(s->Lights().Mask(), 0x03);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  GLfloat diffuse[4] = {};
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  EXPECT_EQ(diffuse[0], 0);
  EXPECT_EQ(diffuse[1], 1);
  LitCube(1);
  EXPECT_GE(Red(Pixel(32, 24)), 250);
  EXPECT_GE(Green(Pixel(32, 24)), 250);

  SetLight(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(s->Lights().Mask(), 0x02);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  ClearDepth();
  LitCube(1);
  EXPECT_LT(Red(Pixel(32, 24)), 20);
  EXPECT_GE(Green(Pixel(32, 24)), 250);

  // Light 17 is light 1 again: switching it off leaves no light at all, and
  // the cube shows its plain colour.
  SetLight(17, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(s->Lights().Mask(), 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  glColor3ub(0x40, 0x80, 0xC0);
  SetDepthTest(0);
  orv::GlState().Set(orv::kCapColorMaterial, false);
  glBegin(GL_TRIANGLES);
  glVertex3f(-1, -1, 2);
  glVertex3f(1, -1, 2);
  glVertex3f(0, 1, 2);
  glEnd();
  EXPECT_EQ(Pixel(32, 24), 0xC08040u);
  End3D();
}

TEST_F(Lights, TheSpecialLightOnlySetsItsModeAndPosition) {
  Begin3D(1, 100, 45);
  SetLight(-1, 0x102030, 1, 2, 3, 0, 0, 0, 1, 0);
  EXPECT_EQ(s->Lights().SpecialOn(), 1);
  EXPECT_EQ(s->Lights().SpecialMode(), 1);
  EXPECT_EQ(s->Lights().SpecialPosition().y, 2);
  EXPECT_EQ(s->Lights().ShadowColour(), 0x102030u);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(s->Lights().Mask(), 0);
  // Off (below the threshold) keeps the old position; any other negative
  // index is cartoon mode.
  SetLight(-7, 0, 9, 9, 9, 0, 0, 0, 0.000001, 0);
  EXPECT_EQ(s->Lights().SpecialOn(), 0);
  EXPECT_EQ(s->Lights().SpecialMode(), 2);
  EXPECT_EQ(s->Lights().SpecialPosition().x, 1);
  // Shadow mode opens the shadow pass at once and closes it when switched off.
  SetLight(-3, 0x404040, 0, 5, 0, 0, 0, 0, -2, 0);
  EXPECT_EQ(s->Lights().SpecialOn(), 1);
  EXPECT_EQ(s->Lights().SpecialMode(), 3);
  EXPECT_EQ(s->Shadows().Open(), 1);
  SetLight(-3, 0x404040, 0, 5, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(s->Shadows().Open(), 0);
  SetLight(-3, 0x404040, 0, 5, 0, 0, 0, 0, 1, 0);
  Begin3D(1, 100, 45);
  EXPECT_EQ(s->Lights().SpecialOn(), 0);
  // Its darkening covers the viewport it was opened in: moving the viewport
  // or showing the frame closes it first (the scene stage's hooks).
  SetLight(-3, 0x404040, 0, 5, 0, 0, 0, 0, 1, 0);
  SetViewport(0, 0, 32, 24);
  EXPECT_FALSE(s->Shadows().Open());
  SetLight(-3, 0x404040, 0, 5, 0, 0, 0, 0, 1, 0);
  ShowScreen();
  EXPECT_FALSE(s->Shadows().Open());
  End3D();
}

TEST_F(Lights, TheCameraLightFollowsTheCamera) {
  // Seen from (3, 0, 4) the cube shows its +z face on the left and its +x
  // face on the right; a light from the eye lights them by 0.8 and 0.6
  // (plus the ambient 10). From (4, 0, 3) the other way round. The regions
  // lie inside those faces from both eyes.
  auto faces = [&](float ex, float ez, int left, int right) {
    NextFrame();
    Begin3D(1, 100, 45);
    SetCamera(ex, 0, ez, 0, 0, 0);
    SetCameraLight(2, kWhite);
    LitCube(1);
    EXPECT_TRUE(orvtest::SamePicture(Region(21, 22, 5, 5), orvtest::Picture::Filled(5, 5, Grey(left)),
                                     orvtest::kVertexLighting, "+z face"));
    EXPECT_TRUE(orvtest::SamePicture(Region(38, 22, 5, 5), orvtest::Picture::Filled(5, 5, Grey(right)),
                                     orvtest::kVertexLighting, "+x face"));
    End3D();
  };
  faces(3, 4, 214, 163);
  faces(4, 3, 163, 214);
  EXPECT_EQ(s->Lights().Mask(), 0x04);
}

TEST_F(Lights, ShownLightsAreMarked) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  // A spot light at the origin pointing right: a dot at the centre and a
  // line to the right edge.
  SetLight(1, kWhite, 0, 0, -6, 1, 0, 0, 45, 1);
  EXPECT_EQ(Pixel(32, 24), 0x80C8FFu);
  EXPECT_EQ(Pixel(60, 24), 0x6CAAE1u);
  EXPECT_NE(Pixel(4, 24), 0x6CAAE1u);
  // Drawing the marks leaves lighting as it was and the colour white.
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[1], 1);
  End3D();
}

TEST_F(Lights, AxesPointAlongTheWorldAxesAndRestoreTheState) {
  Begin3D(1, 1000, 45);
  SetCamera(10, 10, 60, 0, 0, 0);
  SetLight(0, kWhite, 0, 0, 0, 0, 0, 0, 180, 0);
  DrawAxes(0, 0, 0);
  // Where the origin and the arrow tips land on screen.
  auto onScreen = [&](float x, float y, float z, int& px, int& py) {
    const orv::Vec3 v = orv::TransformPoint(s->ViewMatrix(), {x, y, z});
    const float k = 24 / std::tan(22.5f * orv::kDegToRad);
    px = static_cast<int>(std::lround(31.5f + v.x / -v.z * k));
    py = static_cast<int>(std::lround(23.5f - v.y / -v.z * k));
  };
  auto strongest = [](uint32_t c) { return Red(c) > 150 ? 0 : Green(c) > 150 ? 1 : Blue(c) > 150 ? 2 : -1; };
  int counts[3] = {0, 0, 0};
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (const int a = strongest(Pixel(x, y)); a >= 0) ++counts[a];
  for (int axis = 0; axis < 3; ++axis) {
    SCOPED_TRACE(axis);
    EXPECT_GT(counts[axis], 5);
    // Three quarters along the shaft is the arrow's own colour.
    float p[3] = {0, 0, 0};
    p[axis] = 12;
    int px = 0, py = 0;
    onScreen(p[0], p[1], p[2], px, py);
    bool found = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) found = found || strongest(Pixel(px + dx, py + dy)) == axis;
    EXPECT_TRUE(found);
  }
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
  // The gizmo stands in the world whatever transform is applied.
  GLfloat modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  EXPECT_EQ(orv::Mat4::FromColumnMajor(modelview), s->ViewMatrix());
  End3D();
}

TEST_F(Lights, RampTextureHoldsThePaletteScaledByTheDefaultRamp) {
  const std::vector<uint8_t> expected = {100, 160, 160, 160, 160, 160, 160, 207,
                                         255, 255, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(s->Ramp().Levels(), expected);
  orv::MeshObjectX mesh;
  mesh.palette = {0x0000FF, 0x00FF00, 0xFF0000};
  for (bool bgra : {false, true}) {
    SCOPED_TRACE(bgra);
    mesh.texture = 0;
    ASSERT_TRUE(s->Ramp().EnsureTexture(mesh, bgra));
    ASSERT_NE(mesh.texture, 0u);
    EXPECT_EQ(mesh.cartoonRowStep, 0.25f);  // three colours: four rows
    glBindTexture(GL_TEXTURE_2D, mesh.texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    ASSERT_EQ(width, 64);
    ASSERT_EQ(height, 4);
    std::vector<uint8_t> texels(64 * 4 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto at = [&](int row, int j, int channel) { return texels[static_cast<size_t>((row * 64 + j) * 4 + channel)]; };
    // Four texels per ramp entry: 100 first, 160 from texel 4, 207 at 28,
    // full from 32.
    EXPECT_EQ(at(0, 3, 0), 100);
    EXPECT_EQ(at(0, 4, 0), 160);
    EXPECT_EQ(at(0, 28, 0), 207);
    EXPECT_EQ(at(0, 63, 0), 255);
    EXPECT_EQ(at(0, 63, 1), 0);
    EXPECT_EQ(at(1, 0, 1), 100);
    EXPECT_EQ(at(2, 40, 2), 255);
    EXPECT_EQ(at(2, 40, 3), 255);
    glDeleteTextures(1, &mesh.texture);
  }
  mesh.texture = 0;
}

TEST_F(Lights, ANewRampRefillsExistingTexturesAndSizesTheirWidth) {
  orv::MeshObjectX mesh;
  mesh.palette = {0xFFFFFF, orv::kMarkerStrip};
  ASSERT_TRUE(s->Ramp().EnsureTexture(mesh, false));
  const uint32_t name = mesh.texture;
  auto texel = [&](int row, int j) {
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, mesh.texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    std::vector<uint8_t> texels(static_cast<size_t>(width) * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return std::pair{width, texels[static_cast<size_t>((row * width + j) * 4)]};
  };
  EXPECT_EQ(texel(1, 0).second, 100);  // a marker row is white

  RtArray<double> ramp;
  const double two[2] = {0.5, 1.0};
  ramp.Fill(two, 2);
  SetCartoonRamp(ramp);
  ASSERT_TRUE(s->Ramp().EnsureTexture(mesh, false));
  EXPECT_EQ(mesh.texture, name);  // refilled in place
  EXPECT_EQ(texel(0, 0), (std::pair<GLint, uint8_t>{64, 127}));
  EXPECT_EQ(texel(0, 63).second, 255);

  // Twenty entries need 80 texels: 128 wide. Out-of-range values saturate.
  std::vector<double> twenty(20, 0.25);
  twenty[0] = -3;
  twenty[19] = 7;
  ramp.Fill(twenty.data(), 20);
  SetCartoonRamp(ramp);
  ASSERT_TRUE(s->Ramp().EnsureTexture(mesh, false));
  EXPECT_EQ(texel(0, 0), (std::pair<GLint, uint8_t>{128, 0}));
  EXPECT_EQ(texel(0, 64).second, 63);
  EXPECT_EQ(texel(0, 127).second, 255);
  // An empty list is full colour everywhere.
  ramp.Dim(0);
  SetCartoonRamp(ramp);
  EXPECT_EQ(s->Ramp().Levels(), std::vector<uint8_t>{255});
  glDeleteTextures(1, &mesh.texture);
  mesh.texture = 0;
}

}  // namespace
