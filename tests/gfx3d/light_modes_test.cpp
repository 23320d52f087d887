// The special light's bump and cartoon modes on plain GL triangles drawn
// from client arrays the way model drawing feeds them: the per-record light
// data, the combining texture units and the outline, read back as pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "gfx2d/gl_fixture.h"
#include "gfx3d/light_modes.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx3d.h"

namespace {

constexpr uint32_t kBlue = 0xFF0000;

// Records of a sphere of radius r, triangles wound outwards, normals out.
std::vector<orv::MeshVertex> Sphere(float r, int rings, int segments) {
  std::vector<orv::MeshVertex> out;
  auto corner = [&](int i, int j) {
    const float theta = 3.14159265f * static_cast<float>(i) / static_cast<float>(rings);
    const float phi = 2 * 3.14159265f * static_cast<float>(j) / static_cast<float>(segments);
    orv::MeshVertex v;
    v.SetNormal({std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi)});
    v.SetPosition(v.Normal() * r);
    return v;
  };
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      const orv::MeshVertex a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
      for (const orv::MeshVertex& v : {a, b, c, a, c, d}) out.push_back(v);
    }
  return out;
}

class LightModes : public gltest::GlDevice {
 protected:
  void SetUp() override {
    GlDevice::SetUp();
    orvtest::StartRuntimeUpTo("scene");
    s = orv::Rt().scene.get();
    ASSERT_NE(s, nullptr);
    if (!orv::HasMultitexture()) GTEST_SKIP() << "no multitexture on this driver";
  }

  // Vertex and normal arrays from the records, as model drawing sets them.
  static void PointArrays(const std::vector<orv::MeshVertex>& records) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(orv::MeshVertex), &records[0].x);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, sizeof(orv::MeshVertex), &records[0].nx);
  }
  static void DropArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
  }

  orv::Vexel3D* s = nullptr;
};

TEST_F(LightModes, CartoonModeDrawsRampBandsAndABlackOutline) {
  d->SetClearColor(kBlue);
  NextFrame();
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  SetCullMode(-1);
  SetLight(-2, 0xFFFFFF, 4, 3, 10, 0, 0, 0, 1, 0);
  ASSERT_EQ(s->Lights().SpecialMode(), 2);

  // Four bands (the default's levels), whatever an earlier test left.
  s->Ramp().Replace(std::vector<double>{100 / 255.0, 160 / 255.0, 207 / 255.0, 1.0});
  orv::MeshObjectX mesh;
  mesh.palette = {0xFFFFFF};
  mesh.currentTriangles = Sphere(1, 24, 32);
  ASSERT_TRUE(s->Ramp().EnsureTexture(mesh, false));
  const orv::Vec3 light = s->Lights().SpecialPositionIn(s->CurrentTransform());
  for (orv::MeshVertex& v : mesh.currentTriangles) orv::WriteCartoonCoordinates(v, light, mesh.cartoonRowStep);
  EXPECT_EQ(mesh.currentTriangles[0].by, 0.5f);  // the one palette row's middle

  glPushMatrix();
  s->ApplyTransform();
  orv::GlState().Set(orv::kCapColorMaterial, true);
  glColor3f(1, 1, 1);
  PointArrays(mesh.currentTriangles);
  ASSERT_TRUE(orv::BeginCartoonUnits(mesh.texture, 0, mesh.currentTriangles.data()));
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(mesh.currentTriangles.size()));
  orv::EndLightModeUnits();
  DropArrays();

  // The sphere shows a few flat grey bands, the ramp's levels, and hardly
  // anything between them (only where the filter blends two texels).
  const int radius = 9;  // 1 / (6 tan 22.5) x 24 pixels, a little less
  std::set<int> bands;
  int total = 0, onBand = 0;
  for (int y = 24 - radius; y < 24 + radius; ++y)
    for (int x = 32 - radius; x < 32 + radius; ++x) {
      if ((x - 31.5) * (x - 31.5) + (y - 23.5) * (y - 23.5) > (radius - 1) * (radius - 1)) continue;
      const uint32_t c = Pixel(x, y);
      ++total;
      for (int level : {100, 160, 207, 255})
        if (std::abs(static_cast<int>(c & 0xFF) - level) <= 3 && (c >> 16) == (c & 0xFF)) {
          ++onBand;
          bands.insert(level);
        }
    }
  EXPECT_GE(bands.size(), 3u);
  EXPECT_GT(onBand, total * 8 / 10);
  // The lit side faces the light (up and to the right).
  EXPECT_EQ(Pixel(35, 21), 0xFFFFFFu);
  EXPECT_LT(Pixel(25, 29) & 0xFF, 170u);

  // The outline: a black ring around the sphere, the sphere itself kept.
  const uint32_t inside = Pixel(32, 24);
  EXPECT_EQ(Pixel(32 + 11, 24), kBlue);
  orv::DrawCartoonOutline(*s, mesh, 0.3f);
  glPopMatrix();
  EXPECT_EQ(Pixel(32 + 11, 24), 0u);
  EXPECT_EQ(Pixel(32 - 12, 24), 0u);
  EXPECT_EQ(Pixel(32, 24 - 12), 0u);
  EXPECT_EQ(Pixel(32 + 15, 24), kBlue);
  EXPECT_EQ(Pixel(32, 24), inside);
  // Culling, depth function and lighting are as they were.
  EXPECT_EQ(s->Pass().CullMode(), -1);
  GLint func = 0, front = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &func);
  glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_EQ(func, GL_LESS);
  EXPECT_EQ(front, GL_CCW);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  End3D();
}

TEST_F(LightModes, OutlineWidthFollowsDistanceViewAndScale) {
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  // No culling: no outline.
  EXPECT_EQ(orv::CartoonOutlineOffset(*s, {0, 0, 0}, 1), 0);
  SetCullMode(1);
  const float cone = std::tan(50 * orv::kDegToRad);
  EXPECT_NEAR(orv::CartoonOutlineOffset(*s, {0, 0, 0}, 1), 6 * cone * 0.003f, 1e-6);
  EXPECT_NEAR(orv::CartoonOutlineOffset(*s, {0, 0, 3}, 1), 3 * cone * 0.003f, 1e-6);
  // Too thick for a tiny model: none.
  EXPECT_EQ(orv::CartoonOutlineOffset(*s, {0, 0, 0}, 0.02f), 0);
  // Under a scale of 2 one level up, the eye is 3 object units away and the
  // offset is divided by 2 x 2 once per level (levels 0 and 1).
  PushTransform();
  Scale(2, 2, 2);
  EXPECT_NEAR(orv::CartoonOutlineOffset(*s, {0, 0, 0}, 1), 3 * cone * 0.003f / 16, 1e-7);
  PopTransform();
  End3D();
}

TEST_F(LightModes, BumpModeShadesByTheLightAgainstTheNormalMap) {
  // A quad facing the camera with tangent x and bitangent y.
  std::vector<orv::MeshVertex> quad;
  const float corners[6][2] = {{-2, -2}, {2, -2}, {2, 2}, {-2, -2}, {2, 2}, {-2, 2}};
  for (const auto& c : corners) {
    orv::MeshVertex v;
    v.SetPosition({c[0], c[1], 0});
    v.SetNormal({0, 0, 1});
    v.SetTangent({1, 0, 0});
    v.SetBitangent({0, 1, 0});
    v.u = c[0] > 0 ? 1.0f : 0.0f;
    v.v = c[1] > 0 ? 1.0f : 0.0f;
    quad.push_back(v);
  }
  // One-texel normal maps: straight out of the surface, and tilted to +x.
  auto normalMap = [](uint8_t r, uint8_t g, uint8_t b) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const uint8_t texel[4] = {r, g, b, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    return name;
  };
  const GLuint flat = normalMap(128, 128, 255), tilted = normalMap(255, 128, 128);

  auto centre = [&](double lx, double ly, double lz, GLuint map) {
    NextFrame();
    Begin3D(1, 100, 45);
    SetCamera(0, 0, 6, 0, 0, 0);
    SetLight(-1, 0xFFFFFF, lx, ly, lz, 0, 0, 0, 1, 0);
    const orv::Vec3 light = s->Lights().SpecialPositionIn(s->CurrentTransform());
    for (orv::MeshVertex& v : quad) orv::WriteBumpLightVector(v, v, light);
    PointArrays(quad);
    EXPECT_TRUE(orv::BeginBumpUnits(map, 0, quad.data()));
    glDrawArrays(GL_TRIANGLES, 0, 6);
    orv::EndLightModeUnits();
    DropArrays();
    const uint32_t c = Pixel(32, 24);
    End3D();
    return static_cast<int>(c & 0xFF);
  };
  // A flat surface: bright with the light overhead, dark from the side.
  EXPECT_GT(centre(0, 0, 10, flat), 240);
  EXPECT_LT(centre(100, 0, 0.5, flat), 30);
  // Tilted to +x, the same surface turns that round.
  EXPECT_GT(centre(100, 0, 0.5, tilted), 220);
  EXPECT_LT(centre(-100, 0, 0.5, tilted), 30);
  // Moving the light changes the shading across the surface too.
  EXPECT_NE(centre(0, 0, 10, tilted), centre(6, 0, 6, tilted));
  glDeleteTextures(1, &flat);
  glDeleteTextures(1, &tilted);
}

}  // namespace
