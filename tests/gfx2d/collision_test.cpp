// Pixel-exact collision on a real GL context: the masks come from the
// sprites' textures as GL holds them.
#include <random>

#include "gl_fixture.h"
#include "orvane/gfx2d.h"

namespace {

using Collision = gltest::GlDevice;

constexpr uint32_t kSolid = 0xFFFFFFFFu;

TEST_F(Collision, TouchingEdgesDoNotCollideOverlappingPixelsDo) {
  MakeSprite(1, 8, 8, [](int, int) { return kSolid; });
  MakeSprite(2, 8, 8, [](int, int) { return kSolid; });
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 8, 0), 0);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 0, 8), 0);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 7, 7), 1);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, -7, -7), 1);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 50, 0), 0);
  // Free or impossible slots never collide.
  EXPECT_EQ(SpritesCollide(1, 0, 0, 3, 0, 0), 0);
  EXPECT_EQ(SpritesCollide(-1, 0, 0, 2, 0, 0), 0);
  EXPECT_EQ(SpritesCollide(1, 2e9, 2e9, 2, 2e9, 2e9), 1);
}

TEST_F(Collision, OnlyPixelsInsideTheOverlapCount) {
  // A's one solid pixel is its top-left corner.
  MakeSprite(1, 32, 32, [](int x, int y) { return x == 0 && y == 0 ? kSolid : 0u; });
  MakeSprite(2, 32, 32, [](int, int) { return kSolid; });
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 1, 1), 0);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 0, 0), 1);
  EXPECT_EQ(SpritesCollide(1, 10, 10, 2, -21, -21), 1);
  EXPECT_EQ(SpritesCollide(1, 10, 10, 2, -22, 10), 0);
}

TEST_F(Collision, AReloadedSpriteUsesItsNewMask) {
  MakeSprite(1, 16, 16, [](int, int) { return kSolid; });
  MakeSprite(2, 4, 4, [](int, int) { return kSolid; });
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 6, 6), 1);
  MakeSprite(1, 16, 16, [](int x, int) { return x < 4 ? kSolid : 0u; });
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 6, 6), 0);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 3, 6), 1);

  // Drawing into a sprite through a surface changes its mask too.
  CreateSurface(0, 1, 16, 16);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 3, 6), 0);
  UseSurface(0);
  DrawRect(8, 8, 2, 2, 0xFFFFFF);
  EndSurface();
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 6, 6), 1);
  EXPECT_EQ(SpritesCollide(1, 0, 0, 2, 10, 10), 0);

  // So does grabbing the screen into it: a solid square, then a stretch of
  // the screen written fully transparent, into the same slot.
  MakeSprite(6, 16, 16, [](int, int) { return 0u; });
  DrawRect(40, 0, 16, 16, 0xFFFFFF);
  SetAlphaMode(0);
  SetAlphaTest(1);
  DrawSprite(6, 40, 24);
  ASSERT_EQ(GrabSprite(5, 40, 0, 16, 16), 1);
  EXPECT_EQ(SpritesCollide(5, 0, 0, 2, 6, 6), 1);
  ASSERT_EQ(GrabSprite(5, 40, 24, 16, 16), 1);
  EXPECT_EQ(SpritesCollide(5, 0, 0, 2, 6, 6), 0);
}

TEST_F(Collision, AnimationFramesUseTheirOwnCells) {
  // A sheet of 4 x 3 frames of 8 x 8; only frame 5 (row 1, column 1) has a
  // solid pixel, at (3, 4) inside the frame.
  MakeSprite(1, 32, 24, [](int x, int y) { return x == 8 + 3 && y == 8 + 4 ? kSolid : 0u; });
  SetSpriteAnimation(1, 8, 8);
  MakeSprite(2, 1, 1, [](int, int) { return kSolid; });
  EXPECT_EQ(AnimFramesCollide(1, 5, 100, 100, 2, 0, 103, 104), 1);
  EXPECT_EQ(AnimFramesCollide(2, 0, 103, 104, 1, 5, 100, 100), 1);
  EXPECT_EQ(AnimFramesCollide(1, 4, 100, 100, 2, 0, 103, 104), 0);
  EXPECT_EQ(AnimFramesCollide(1, 6, 100, 100, 2, 0, 103, 104), 0);
  EXPECT_EQ(AnimFramesCollide(1, 5, 100, 100, 2, 0, 104, 104), 0);
  // Frames beyond the sheet, or negative, hold nothing.
  EXPECT_EQ(AnimFramesCollide(1, 12, 100, 100, 2, 0, 103, 104), 0);
  EXPECT_EQ(AnimFramesCollide(1, -7, 100, 100, 2, 0, 103, 104), 0);
  EXPECT_EQ(AnimFramesCollide(1, 1 << 30, 0, 0, 2, 0, 3, 4), 0);
  // Without frames the whole image is one frame.
  EXPECT_EQ(AnimFramesCollide(2, 9, 0, 0, 2, 3, 0, 0), 1);
}

// Random masks wider than a 64-pixel word at random offsets against a
// plain pixel-by-pixel answer from the source images.
TEST_F(Collision, AgreesWithAPlainScanAtEveryOffset) {
  std::mt19937 rng(7);
  const int wa = 150, ha = 9, wb = 70, hb = 13;
  std::vector<bool> a(wa * ha), b(wb * hb);
  for (size_t i = 0; i < a.size(); ++i) a[i] = rng() % 23 == 0;
  for (size_t i = 0; i < b.size(); ++i) b[i] = rng() % 29 == 0;
  MakeSprite(1, wa, ha, [&](int x, int y) { return a[y * wa + x] ? kSolid : 0u; });
  MakeSprite(2, wb, hb, [&](int x, int y) { return b[y * wb + x] ? 0x80FFFFFFu : 0u; });
  int collisions = 0, checked = 0;
  for (int dy = -hb; dy <= ha; ++dy) {
    for (int dx = -wb; dx <= wa; dx += 3) {
      bool expected = false;
      for (int y = 0; y < hb && !expected; ++y)
        for (int x = 0; x < wb && !expected; ++x) {
          const int ax = dx + x, ay = dy + y;
          expected = b[y * wb + x] && ax >= 0 && ay >= 0 && ax < wa && ay < ha && a[ay * wa + ax];
        }
      ASSERT_EQ(SpritesCollide(1, 0, 0, 2, dx, dy), expected ? 1 : 0) << dx << "," << dy;
      collisions += expected;
      ++checked;
    }
  }
  EXPECT_GT(collisions, checked / 4);
  EXPECT_LT(collisions, checked);
}

}  // namespace
