// The sprite store on a real GL context: texture layout, loading from files,
// error codes, grabbing, reading back, saving, arrays and backgrounds.
#include "files/asset_locator.h"
#include "files/files_test_support.h"
#include "files/mem_name.h"
#include "gl/texture.h"
#include "gl_fixture.h"
#include "orvane/gfx2d.h"
#include "orvane/runtime.h"

namespace {

using gltest::GlDevice;
using Sprites = GlDevice;
using orv::PixelImage;

std::string Path(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }

GLint TextureParameter(GLuint texture, GLenum what, bool level = false) {
  GLint v = 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  if (level) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v);
  } else {
    glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
  }
  return v;
}

// The texture's texels as 0xAABBGGRR, bottom row first.
std::vector<uint32_t> Texels(GLuint texture, int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.data());
  return t;
}

TEST_F(Sprites, TexturesArePowersOfTwoFromSixteenStoredBottomUp) {
  MakeSprite(1, 1, 1, [](int, int) { return 0xFF0000FFu; });
  const orv::SpriteSlot& one = d->Sprite(1);
  EXPECT_EQ(one.textureWidth, 16);
  EXPECT_EQ(one.textureHeight, 16);
  EXPECT_FLOAT_EQ(one.uMax, 1.0f / 16);
  EXPECT_FLOAT_EQ(one.vMax, 1.0f / 16);
  EXPECT_EQ(TextureParameter(one.texture, GL_TEXTURE_WIDTH, true), 16);
  EXPECT_NE(one.mipTexture, 0u);

  MakeSprite(2, 17, 3, [](int x, int y) { return 0xFF000000u | uint32_t(x) | uint32_t(y) << 8; });
  const orv::SpriteSlot& s = d->Sprite(2);
  EXPECT_EQ(s.textureWidth, 32);
  EXPECT_EQ(s.textureHeight, 16);
  EXPECT_EQ(s.imageWidth, 17);
  EXPECT_EQ(TextureParameter(s.texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TextureParameter(s.texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
  auto texels = Texels(s.texture, 32, 16);
  EXPECT_EQ(texels[2 * 32 + 5], 0xFF000005u);   // image row 0 is texture row 2
  EXPECT_EQ(texels[0 * 32 + 16], 0xFF000210u);  // image row 2 is texture row 0
  EXPECT_EQ(texels[0 * 32 + 17], 0u);           // padding: transparent black
  EXPECT_EQ(texels[3 * 32 + 0], 0u);
  // The mip copy is square (16 x 16 after halving the width) with levels down to 1 x 1.
  glBindTexture(GL_TEXTURE_2D, s.mipTexture);
  GLint w = 0, last = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &last);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(last, 1);
  EXPECT_EQ(TextureParameter(s.mipTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);

  // Font slots: no mip copy, nearest filtering.
  MakeSprite(orv::kFirstFontSprite, 8, 8, [](int, int) { return 0xFFFFFFFFu; });
  EXPECT_EQ(d->Sprite(orv::kFirstFontSprite).mipTexture, 0u);
  EXPECT_EQ(TextureParameter(d->Sprite(orv::kFirstFontSprite).texture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
}

TEST_F(Sprites, ImagesBeyondTheTextureLimitAreCut) {
  const int m = orv::MaxTextureSize();
  MakeSprite(1, m + 5, 2, [](int x, int) { return x < 16 ? 0xFF0000FFu : 0xFF00FF00u; });
  EXPECT_EQ(d->Sprite(1).imageWidth, m);
  EXPECT_EQ(d->Sprite(1).textureWidth, m);
  EXPECT_FLOAT_EQ(d->Sprite(1).uMax, 1.0f);
}

TEST_F(Sprites, FreeingAndFindingSlots) {
  EXPECT_EQ(FindFreeSprite(), 65503);
  MakeSprite(65503, 2, 2, [](int, int) { return 0xFFFFFFFFu; });
  EXPECT_EQ(FindFreeSprite(), 65502);
  ASSERT_NE(d->SpriteMask(65503), nullptr);  // a collision mask, dropped with the texture
  FreeSprite(65503);
  EXPECT_EQ(FindFreeSprite(), 65503);
  EXPECT_EQ(d->Sprite(65503).texture, 0u);
  EXPECT_EQ(d->Sprite(65503).textureWidth, -1);
  EXPECT_EQ(d->CachedMask(65503), nullptr);
  FreeSprite(-5);
  FreeSprite(1e12);
  MakeSprite(3, 2, 2, [](int, int) { return 0xFFFFFFFFu; });
  FreeAllSprites();
  EXPECT_EQ(SpriteWidth(3), 0);
}

TEST_F(Sprites, LoadingFromFilesKeysEdgesAndReportsFailures) {
  // 3 x 1 BMP: blue, key, green.
  auto bmp = imgtest::MakeBmp(3, 1, 24, {{255, 0, 0, 128, 0, 255, 0, 255, 0, 0, 0, 0}});
  orvtest::WriteFile(Path("k.bmp"), std::string(bmp.begin(), bmp.end()));
  ASSERT_EQ(LoadSprite(4, Path("k.bmp").c_str()), 1);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(SpriteWidth(4), 3);
  EXPECT_EQ(SpriteHeight(4), 1);
  RtArray<int32_t> pixels;
  ASSERT_EQ(SpriteToArray(4, pixels), 1);
  ASSERT_EQ(pixels.Count(), 3);
  EXPECT_EQ(static_cast<uint32_t>(pixels[0]), 0xFFFF0000u);
  // The keyed pixel is transparent; the edge treatment gave it nothing (no
  // neighbour qualifies in a one-row image), so it is black.
  EXPECT_EQ(static_cast<uint32_t>(pixels[1]), 0u);

  double w = 0, h = 0;
  ASSERT_EQ(ImageToArray(Path("k.bmp").c_str(), pixels, w, h), 1);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(static_cast<uint32_t>(pixels[2]), 0xFF00FF00u);

  // A missing file: error 3, the slot stays free. An empty name only frees.
  EXPECT_EQ(LoadSprite(4, Path("none.png").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(SpriteWidth(4), 0);
  ASSERT_EQ(LoadSprite(4, Path("k.bmp").c_str()), 1);
  EXPECT_EQ(LoadSprite(4, ""), 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(SpriteWidth(4), 0);
  orvtest::WriteFile(Path("junk.png"), "\x89PNG\r\n\x1a\n garbage");
  EXPECT_EQ(LoadSprite(4, Path("junk.png").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(LoadSprite(70000, Path("k.bmp").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 9);

  // The animation loader sets the cell size.
  ASSERT_EQ(LoadAnimSprite(5, Path("k.bmp").c_str(), 1, 1), 1);
  EXPECT_EQ(d->Sprite(5).frameWidth, 1);

  // The colour key setter changes both keys.
  SetTransparentColor(0xFF0000);
  EXPECT_EQ(d->Fonts().KeyColor(), 0xFF0000u);
  ASSERT_EQ(LoadSprite(4, Path("k.bmp").c_str()), 1);
  ASSERT_EQ(SpriteToArray(4, pixels), 1);
  EXPECT_EQ(static_cast<uint32_t>(pixels[0]) >> 24, 0u);
  EXPECT_EQ(static_cast<uint32_t>(pixels[1]), 0xFF8000FFu);
}

TEST_F(Sprites, ImagesLoadFromTheArchiveAndFromMemoryNames) {
  PixelImage pic;
  imgtest::Fill(pic, 6, 4, [](int x, int y) { return 0xFF000000u | uint32_t(30 * x) | uint32_t(50 * y) << 8; });
  std::vector<uint8_t> png, jpg, bmp;
  ASSERT_TRUE(orv::EncodePng(pic, png));
  ASSERT_TRUE(orv::EncodeJpeg(pic, jpg));
  ASSERT_TRUE(orv::EncodeBmp(pic, bmp));
  auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
  orvtest::WriteFile(Path("carrier"), filestest::Carrier("program bytes", {{"pic.png", text(png)}, {"PIC.JPG", text(jpg)},
                                                                            {"pic.bmp", text(bmp)}}, false));
  orv::Rt().fileLocator = std::make_unique<orv::AssetLocator>();
  orv::Rt().fileLocator->Reset(Path("carrier").c_str());
  for (const char* name : {"Media/pic.png", "Media/pic.jpg", "pic.bmp"}) {
    ASSERT_EQ(LoadSprite(1, name), 1) << name;
    EXPECT_EQ(SpriteWidth(1), 6) << name;
  }
  ASSERT_EQ(LoadBackground("pic.png"), 1);
  EXPECT_EQ(Pixel(5, 3), 0x0096u | 150u << 8);
  orv::Rt().fileLocator.reset();
  EXPECT_EQ(LoadSprite(1, "Media/pic.png"), 0);

  auto block = std::make_shared<const orv::MemBlock>(png);
  RtString memName = orv::MemName(block);
  ASSERT_EQ(LoadSprite(2, memName), 1);
  EXPECT_EQ(SpriteHeight(2), 4);
  EXPECT_EQ(SaveSprite(2, memName), 0);  // memory names cannot be written
}

TEST_F(Sprites, SavedSpritesReloadInAllThreeFormats) {
  MakeSprite(1, 5, 3, [](int x, int y) { return x == 2 && y == 1 ? 0x80FFFFFFu : 0xFF000000u | uint32_t(40 * x) << 8 | uint32_t(60 * y); });
  ASSERT_EQ(SaveSprite(1, Path("s.png").c_str()), 1);
  ASSERT_EQ(SaveSprite(1, Path("s.BMP").c_str()), 1);
  ASSERT_EQ(SaveSprite(1, Path("s.jpg").c_str()), 1);
  EXPECT_EQ(SaveSprite(2, Path("free.png").c_str()), 0);

  RtArray<int32_t> original, png, bmp, jpg;
  ASSERT_EQ(SpriteToArray(1, original), 1);
  ASSERT_EQ(LoadSprite(2, Path("s.png").c_str()), 1);
  ASSERT_EQ(SpriteToArray(2, png), 1);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(png.Data()[i], original.Data()[i]) << i;

  // BMP: the half-transparent pixel was written as the key colour, so it
  // loads transparent again.
  ASSERT_EQ(LoadSprite(3, Path("s.BMP").c_str()), 1);
  ASSERT_EQ(SpriteToArray(3, bmp), 1);
  EXPECT_EQ(static_cast<uint32_t>(bmp.At(2, 1)) >> 24, 0u);
  EXPECT_EQ(bmp[0], original[0]);
  EXPECT_EQ(bmp.At(4, 2), original.At(4, 2));

  ASSERT_EQ(LoadSprite(4, Path("s.jpg").c_str()), 1);
  ASSERT_EQ(SpriteToArray(4, jpg), 1);
  for (int i : {0, 4, 10, 14})
    for (int c = 0; c < 24; c += 8)
      EXPECT_NEAR((jpg.Data()[i] >> c) & 255, (original.Data()[i] >> c) & 255, 40) << i << "/" << c;
}

TEST_F(Sprites, ArraysBecomeSpritesAndBack) {
  RtArray<int32_t> pixels;
  pixels.Dim(6);
  for (int i = 0; i < 6; ++i) pixels[i] = static_cast<int32_t>(0xFF000000u | uint32_t(i * 20));
  EXPECT_EQ(SpriteFromArray(7, pixels, 4, 2), 0);  // wrong length: nothing happens
  EXPECT_EQ(SpriteWidth(7), 0);
  ASSERT_EQ(SpriteFromArray(7, pixels, 3, 2), 1);
  EXPECT_EQ(SpriteWidth(7), 3);
  DrawSprite(7, 0, 0);
  EXPECT_EQ(Pixel(2, 1), 100u);
  RtArray<int32_t> back;
  ASSERT_EQ(SpriteToArray(7, back), 1);
  EXPECT_EQ(back.Size(0), 3);
  EXPECT_EQ(back.Size(1), 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(back.At(i % 3, i / 3), pixels[i]);
}

TEST_F(Sprites, GrabbingTheScreenTakesTheLogicalPicture) {
  DrawRect(10, 5, 4, 3, 0x0000FF);
  SetPixel(10, 5, 0x00FF00);
  ASSERT_EQ(GrabSprite(1, 10, 5, 6, 4), 1);
  EXPECT_EQ(SpriteWidth(1), 6);
  EXPECT_EQ(d->Sprite(1).mipTexture, 0u);
  PixelImage straight;
  ASSERT_TRUE(d->SpriteToImage(1, straight));
  EXPECT_EQ(straight.Pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(straight.Pixel(3, 2) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(straight.Pixel(4, 2) & 0xFFFFFF, 0u);

  // The same drawing on turned screens grabs the same picture.
  for (int o = 1; o < 4; ++o) {
    SetOrientation(o);
    SetClearColor(0);
    DrawRect(10, 5, 4, 3, 0x0000FF);
    SetPixel(10, 5, 0x00FF00);
    ASSERT_EQ(GrabSprite(2, 10, 5, 6, 4), 1);
    PixelImage turned;
    ASSERT_TRUE(d->SpriteToImage(2, turned));
    auto picture = [](const PixelImage& image) {
      return orvtest::Picture::Make(image.width, image.height, [&](int x, int y) { return image.Pixel(x, y); });
    };
    EXPECT_TRUE(orvtest::SamePicture(picture(turned), picture(straight), orvtest::kExact,
                                     "orientation " + std::to_string(o)));
  }
  SetOrientation(0);

  // Without destination alpha the key colour marks transparency.
  SetClearColor(0);
  DrawRect(0, 0, 8, 8, 0x202020);
  FlushDrawing();  // GL of the test's own follows
  glDisable(GL_ALPHA_TEST);
  glColor3ub(0xFF, 0x00, 0x80);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_POINTS);
  glVertex2f(1.5f, 1.5f);
  glEnd();
  SetPixel(4, 4, 0x00FF00);
  ASSERT_TRUE(d->GrabSprite(3, 0, 0, 8, 8));
  ASSERT_TRUE(d->GrabByReadBack(3, 0, 0, 8, 8, true));
  PixelImage keyed;
  ASSERT_TRUE(d->SpriteToImage(3, keyed));
  EXPECT_EQ(keyed.Pixel(1, 1) >> 24, 0u);
  EXPECT_EQ(keyed.Pixel(0, 0), 0xFF202020u);
  EXPECT_EQ(Pixel(4, 4), 0x00FF00u);  // the probe pixel was put back

  EXPECT_EQ(GrabSprite(1, 0, 0, 0, 5), 1);  // nothing to grab: freed
  EXPECT_EQ(SpriteWidth(1), 0);
}

TEST_F(Sprites, SaveScreenWritesTheWholeScreen) {
  DrawRect(0, 0, 10, 10, 0x00FF00);
  ASSERT_EQ(SaveScreen(Path("screen.png").c_str()), 1);
  PixelImage img;
  ASSERT_TRUE(orv::ReadImage(Path("screen.png").c_str(), orv::kNoColorKey, img));
  EXPECT_EQ(img.width, kWidth);
  EXPECT_EQ(img.height, kHeight);
  EXPECT_EQ(img.Pixel(9, 9) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(img.Pixel(10, 10) & 0xFFFFFF, 0u);
  EXPECT_EQ(FindFreeSprite(), 65503);  // the scratch slot is free again
}

TEST_F(Sprites, NormalMapsFromTheBlueChannel) {
  PixelImage flat;
  imgtest::Fill(flat, 4, 4, [](int, int) { return 0xFF400000u; });
  ASSERT_TRUE(orv::SaveImage(Path("h.png").c_str(), flat));
  ASSERT_EQ(LoadNormalMap(1, Path("h.png").c_str()), 1);
  PixelImage img;
  ASSERT_TRUE(d->SpriteToImage(1, img));
  EXPECT_EQ(img.Pixel(1, 1), 0xFFFF7F7Fu);
}

TEST_F(Sprites, BackgroundsReplaceTheClearAndCrossFade) {
  PixelImage pic;
  imgtest::Fill(pic, 40, 30, [](int x, int) { return x < 20 ? 0xFF0000FFu : 0xFF00FF00u; });
  ASSERT_TRUE(orv::SaveImage(Path("bg.png").c_str(), pic));
  ASSERT_EQ(LoadBackground(Path("bg.png").c_str()), 1);
  EXPECT_EQ(d->Backgrounds().Image(0).columns, 1);
  EXPECT_EQ(Pixel(5, 5), 0x0000FFu);  // drawn at once
  DrawRect(0, 0, 64, 48, 0xFFFFFF);
  NextFrame();
  EXPECT_EQ(Pixel(5, 5), 0x0000FFu);  // and after every flip instead of the clear
  EXPECT_EQ(Pixel(25, 29), 0x00FF00u);
  EXPECT_EQ(Pixel(45, 5), 0u);  // beyond the picture: the tile's transparent black
  EXPECT_EQ(LoadBackground(Path("missing.png").c_str()), 0);
  EXPECT_EQ(ErrorCode(), 3);

  // The current screen as background.
  SetClearColor(0x303030);
  DrawRect(0, 0, 8, 8, 0xFF0000);
  GrabBackground();
  EXPECT_EQ(d->Backgrounds().Image(0).tileWidth[0], kWidth);
  NextFrame();
  EXPECT_EQ(Pixel(2, 2), 0xFF0000u);
  EXPECT_EQ(Pixel(30, 30), 0x303030u);

  // A cross-fade ends on the new picture, kept as background 0.
  ASSERT_EQ(FadeToBackground(Path("bg.png").c_str(), 30), 1);
  EXPECT_EQ(d->Backgrounds().Image(1).columns, 0);
  EXPECT_EQ(d->Backgrounds().Image(2).columns, 0);
  NextFrame();
  EXPECT_EQ(Pixel(5, 5), 0x0000FFu);
  EXPECT_EQ(Pixel(25, 5), 0x00FF00u);

  SetClearColor(0);  // frees background 0
  EXPECT_EQ(d->Backgrounds().Image(0).columns, 0);
  NextFrame();
  EXPECT_EQ(Pixel(5, 5), 0u);
}

}  // namespace
