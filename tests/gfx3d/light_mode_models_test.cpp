// The bump, cartoon and shadow light modes as the game reaches them: models drawn with
// DrawObject after SetLight with a negative index, read back as pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "gfx3d/light_modes.h"
#include "gfx3d/sample_models.h"
#include "gfx3d/shadow_volume.h"
#include "orvane/gfx3d.h"
#include "scene_fixture.h"

namespace {

constexpr uint32_t kBlue = 0xFF0000;

struct LightModeModels : scenetest::SceneTest {
  orv::ModelSlot& Slot(int i) { return *Scene().Models().Slot(i); }

  // A fresh frame: a blue background, the camera on +z looking at the origin.
  void Start(double z) {
    orv::Rt().device->SetClearColor(kBlue);
    orv::Rt().device->Flip(nullptr);
    Begin3D(1, 100, 45);
    SetCamera(0, 0, z, 0, 0, 0);
  }
};

TEST_F(LightModeModels, CartoonModeShadesASphereInBandsWithAnOutline) {
  if (!orv::HasMultitexture()) GTEST_SKIP() << "no multitexture on this driver";
  // Built four times larger and drawn at a quarter: the outline keeps its
  // width on screen by growing in object space, wide enough to see here.
  ASSERT_TRUE(orv::BuildSampleSphere(Slot(0), 4, 24, 32));
  Scene().Ramp().Replace(std::vector<double>{100 / 255.0, 160 / 255.0, 207 / 255.0, 1.0});
  Start(6);
  SetCullMode(1);
  SetLight(-2, 0xFFFFFF, 4, 3, 10, 0, 0, 0, 1, 0);
  Scale(0.25, 0.25, 0.25);
  ASSERT_EQ(DrawObject(0, 0, 0, 0, 0), 1);

  // A few flat grey bands (the ramp's levels) across the sphere.
  const int radius = 9;
  std::set<int> bands;
  for (int y = 24 - radius; y < 24 + radius; ++y)
    for (int x = 32 - radius; x < 32 + radius; ++x) {
      if ((x - 31.5) * (x - 31.5) + (y - 23.5) * (y - 23.5) > (radius - 1) * (radius - 1)) continue;
      const uint32_t c = Pixel(x, y);
      for (int level : {100, 160, 207, 255})
        if (std::abs(static_cast<int>(c & 0xFF) - level) <= 3 && (c >> 16) == (c & 0xFF)) bands.insert(level);
    }
  EXPECT_GE(bands.size(), 3u);
  // The lit side faces the light (up and to the right), the far side is dim.
  EXPECT_GT(Pixel(35, 21) & 0xFF, Pixel(26, 28) & 0xFF);
  // A black rim just outside the sphere, the background further out.
  int rim = 0;
  for (int x = 32 + 9; x <= 32 + 12; ++x) rim += Pixel(x, 24) == 0;
  EXPECT_GE(rim, 1);
  EXPECT_EQ(Pixel(62, 24), kBlue);
  End3D();
}

TEST_F(LightModeModels, BumpModeShadingFollowsTheLight) {
  if (!orv::HasMultitexture()) GTEST_SKIP() << "no multitexture on this driver";
  ASSERT_TRUE(orv::BuildSampleSphere(Slot(0), 1, 24, 32));
  auto drawLitFrom = [&](double x) {
    Start(6);
    SetLight(-1, 0xFFFFFF, x, 0, 5, 0, 0, 0, 1, 0);
    EXPECT_EQ(DrawObject(0, 0, 0, 0, 0), 1);
    std::vector<uint32_t> row;
    for (int px = 26; px <= 38; px += 4) row.push_back(Pixel(px, 24));
    End3D();
    return row;
  };
  const std::vector<uint32_t> right = drawLitFrom(8), left = drawLitFrom(-8);
  // The light vector arrives as the colour: the sphere is no longer plain white.
  EXPECT_NE(right.back(), 0xFFFFFFu);
  EXPECT_NE(right, left);
  // The side facing the light gets the larger normal component (blue).
  EXPECT_GT(right.back() >> 16, right.front() >> 16);
  EXPECT_GT(left.front() >> 16, left.back() >> 16);
}

TEST_F(LightModeModels, ShadowModeDarkensTheFloorUnderACubeOnly) {
  // The pass has a stencil buffer (the window itself need not).
  Start(10);
  const bool stencil = orv::StencilAvailable();
  End3D();
  if (!stencil) GTEST_SKIP() << "no stencil buffer";
  ASSERT_TRUE(orv::BuildSampleCube(Slot(0), 1));  // the caster
  ASSERT_TRUE(orv::BuildSampleCube(Slot(1), 1));  // the floor, flattened
  auto scene = [&](bool shadows) {
    Start(10);
    PushTransform();
    Translate(0, 0, -3);
    Scale(30, 30, 0.2);
    EXPECT_EQ(DrawObject(1, 0, 0, 0, 0), 1);
    PopTransform();
    EXPECT_EQ(DrawObject(0, 0, 0, 0, 0), 1);
    if (shadows) {
      SetLight(-3, 0, 10, 0, 10, 0, 0, 0, 1, 0);
      EXPECT_EQ(Scene().Shadows().Open(), 1);
      EXPECT_EQ(DrawObject(0, 0, 0, 0, 0), 1);
      SetLight(-3, 0, 10, 0, 10, 0, 0, 0, 0, 0);
    }
    // Floor samples: left of the cube in its shadow, right of it and in a
    // far corner lit.
    std::vector<uint32_t> samples{Pixel(22, 24), Pixel(44, 24), Pixel(4, 4), Pixel(32, 24)};
    End3D();
    return samples;
  };
  const std::vector<uint32_t> plain = scene(false), shadowed = scene(true);
  ASSERT_NE(plain[0], kBlue) << "the floor fills the view";
  for (int shift = 0; shift < 24; shift += 8)
    EXPECT_LT((shadowed[0] >> shift) & 0xFF, ((plain[0] >> shift) & 0xFF) * 3 / 4 + 1);
  EXPECT_NE(shadowed[0], plain[0]);
  EXPECT_EQ(shadowed[1], plain[1]);
  EXPECT_EQ(shadowed[2], plain[2]);
  EXPECT_EQ(shadowed[3], plain[3]) << "the caster itself stays as drawn";
}

}  // namespace
