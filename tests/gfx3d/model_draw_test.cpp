// Drawing model slots with real GL: frame blending, culling, the three ways
// records reach GL (static buffer, streamed buffer, client arrays), textures
// and the texture offset. Pixels are read back from the offscreen driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx2d/image_codec.h"
#include "gfx3d/model_draw.h"
#include "gfx2d/sprite_lookup.h"
#include "gfx3d/sample_models.h"
#include "model_gl_fixture.h"
#include "orvane/gfx3d.h"
#include "support/image_compare.h"

namespace {

using ModelDraw = gltest::ModelGl;

constexpr uint32_t kRed = 0x0000FF;

TEST_F(ModelDraw, BlendedFramesDrawTheFrameTheRulesPick) {
  // Frame k is a quad of half-width 0.2 + 0.2 k.
  BuildQuad(1, {0.2f, 0.4f, 0.6f, 0.8f, 1.0f}, 0.5f, kRed);
  BuildQuad(2, {0.5f}, 0.5f, kRed);  // what a 25/75 mix of frames 3 and 1 must look like

  auto boxOf = [&](auto draw) {
    Begin();
    draw();
    return Box(kRed);
  };
  const auto frame1 = boxOf([] { DrawObjectFrame(1, 1); });
  const auto frame2 = boxOf([] { DrawObjectFrame(1, 2); });
  EXPECT_LT(frame2[0], frame1[0]);
  EXPECT_EQ(boxOf([] { EXPECT_EQ(DrawObject(1, 0, 4, 0.5, 1), 1); }), frame2);
  EXPECT_EQ(boxOf([] { DrawObject(1, 0, 4, 1.25, 1); }), frame1);  // tween 0.25: frame 1
  EXPECT_EQ(boxOf([] { DrawObject(1, 1, 3, 0.25, 0); }), boxOf([] { DrawObjectFrame(2, 0); }));
  EXPECT_EQ(boxOf([] { DrawObjectFrame(1, 40); }), boxOf([] { DrawObjectFrame(1, 4); }));  // clamped

  // The blended records themselves: 25 % of frame 3 over 75 % of frame 1,
  // streamed with only the attributes drawn (x leads each record).
  const orv::MeshObjectX& mesh = *models->Slot(1)->meshes[0];
  auto blendedX = [&](size_t record) {
    const size_t floats = mesh.blendedStream.size() / mesh.frames[0].triangles.size();
    return mesh.blendedStream[record * floats];
  };
  Begin();
  DrawObject(1, 1, 3, 0.25, 0);
  EXPECT_FLOAT_EQ(blendedX(1), 0.25f * 0.8f + 0.75f * 0.4f);
  DrawObject(1, 0, 4, 0.5, 1);
  EXPECT_EQ(blendedX(1), mesh.frames[2].triangles[1].x);  // exactly frame 2
}

TEST_F(ModelDraw, ModelsOutsideTheFrustumAreNotDrawn) {
  ASSERT_TRUE(orv::BuildSampleCube(*models->Slot(0), 1));
  float seenRadius = 0;
  orv::Vec3 seenCentre;
  bool visible = true;
  orv::ModelDrawState s;
  s.device = d;
  s.transform = orv::Translation(3, 0, 0) * orv::Scaling(1, 4, 2);
  s.inFrustum = [&](orv::Vec3 c, float r) {
    seenCentre = c, seenRadius = r;
    return visible;
  };
  EXPECT_EQ(orv::DrawSlot(*models->Slot(0), 0, 0, 0, false, s), 1);
  const float radius = models->Slot(0)->meshes[0]->frames[0].radius;
  EXPECT_FLOAT_EQ(seenRadius, radius * 4);  // the longest axis of the transform
  EXPECT_NEAR(seenCentre.x, 3, 1e-6);
  const int drawn = kWidth * kHeight - Count(0);
  EXPECT_GT(drawn, 0);
  Begin();
  visible = false;
  EXPECT_EQ(orv::DrawSlot(*models->Slot(0), 0, 0, 0, false, s), 0);
  EXPECT_EQ(Count(0), kWidth * kHeight);
  EXPECT_EQ(DrawObject(1, 0, 0, 0, 0), 0);  // an empty slot
}

TEST_F(ModelDraw, StaticStreamedAndClientArrayRecordsGiveTheSamePixels) {
  ASSERT_TRUE(orv::VertexBuffersUsable());
  MakeSprite(3, 16, 16, [](int x, int y) { return ((x / 4 + y / 4) % 2) ? 0xFF20A0F0u : 0xFF602010u; });
  for (int slot : {0, 1}) ASSERT_TRUE(orv::BuildSampleCube(*models->Slot(slot), 2));
  Rotate(30, 1, 1, 0);
  SetTexture3D(3, -1);
  const orv::MeshObjectX& buffered = *models->Slot(0)->meshes[0];
  const orv::MeshObjectX& plain = *models->Slot(1)->meshes[0];

  DrawObjectFrame(0, 0);
  const orvtest::Picture reference = Region(0, 0, kWidth, kHeight);
  const int full = kWidth * kHeight - Count(0);
  EXPECT_NE(buffered.buffers[0], 0u);
  EXPECT_EQ(buffered.buffers[1], 0u);
  EXPECT_GT(kWidth * kHeight - Count(0), 200);
  Begin();
  DrawObjectFrame(0, 0);  // the static buffer again, not uploaded twice
  EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, kWidth, kHeight), reference, orvtest::kExact, "static again"));
  Begin();
  DrawObject(0, 0, 0, 0.5, 0);  // frame 0 over itself: streamed through the second buffer
  EXPECT_NE(buffered.buffers[1], 0u);
  EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, kWidth, kHeight), reference, orvtest::kExact, "streamed"));

  orv::Rt().switches.noVertexBuffer = true;
  EXPECT_FALSE(orv::VertexBuffersUsable());
  for (double tween : {0.0, 0.5}) {
    Begin();
    DrawObject(1, 0, 0, tween, 0);
    EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, kWidth, kHeight), reference, orvtest::kExact, "client arrays"));
  }
  orv::Rt().switches.noVertexBuffer = false;
  EXPECT_EQ(plain.buffers[0], 0u);
  EXPECT_EQ(plain.buffers[1], 0u);

  // Lit and coloured: normals and colours reach a mix as they reach frame 0.
  SetTexture3D(-1, -1);
  SetLight(0, 0xFFFFFF, 0, 0, 5, 0, 0, -1, 180, 0);
  for (int slot : {0, 1}) models->Slot(slot)->meshes[0]->coloured = 1;
  Begin();
  DrawObjectFrame(0, 0);
  const orvtest::Picture lit = Region(0, 0, kWidth, kHeight);
  Begin();
  DrawObject(0, 0, 0, 0.5, 0);
  EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, kWidth, kHeight), lit, orvtest::kExact, "lit, streamed"));
  setenv("ORVANE_NO_VERTEX_BUFFER", "1", 1);
  Begin();
  DrawObject(1, 0, 0, 0.5, 0);
  unsetenv("ORVANE_NO_VERTEX_BUFFER");
  EXPECT_TRUE(orvtest::SamePicture(Region(0, 0, kWidth, kHeight), lit, orvtest::kExact, "lit, client arrays"));
  SetLight(0, 0xFFFFFF, 0, 0, 5, 0, 0, -1, 0, 0);
  SetTexture3D(3, -1);

  // Scaling drops the static buffer, so the next draw shows the new size.
  ScaleObject(0, 0.5, 0.5, 0.5);
  Begin();
  DrawObjectFrame(0, 0);
  const int small = kWidth * kHeight - Count(0);
  EXPECT_LT(small, full / 2);
  ScaleObject(1, 0.5, 0.5, 0.5);
  Begin();
  orv::Rt().switches.noVertexBuffer = true;
  DrawObjectFrame(1, 0);
  orv::Rt().switches.noVertexBuffer = false;
  EXPECT_EQ(kWidth * kHeight - Count(0), small);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDraw, TexturesOffsetsAndTwoUnits) {
  constexpr uint32_t kBlue = 0xFF0000u;
  MakeSprite(3, 16, 16, [](int x, int) { return x < 8 ? 0xFF0000FFu : 0xFFFF0000u; });  // red | blue
  MakeSprite(4, 16, 16, [](int, int) { return 0xFF00FFFFu; });                         // yellow
  MakeSprite(5, 16, 16, [](int, int) { return 0xFFFFFF00u; });                         // cyan
  BuildQuad(0, {1.5f}, 1.5f, 0xFFFFFF);
  const int cy = kHeight / 2, left = kWidth / 2 - 6, right = kWidth / 2 + 6;

  SetTexture3D(3, -1);
  DrawObjectFrame(0, 0);
  EXPECT_EQ(Pixel(left, cy), kRed);
  EXPECT_EQ(Pixel(right, cy), kBlue);

  // Half a texture across: the halves swap, and stay swapped draw after draw.
  SetTextureOffset(0.5, 0);
  for (int draw = 0; draw < 3; ++draw) {
    Begin();
    DrawObjectFrame(0, 0);
    EXPECT_EQ(Pixel(left, cy), kBlue) << draw;
    EXPECT_EQ(Pixel(right, cy), kRed) << draw;
  }
  SetTextureOffset(0, 0);

  // Two textures modulate: yellow x cyan = green.
  SetTexture3D(4, 5);
  Begin();
  DrawObjectFrame(0, 0);
  EXPECT_EQ(Pixel(kWidth / 2, cy), 0x00FF00u);
  // An id naming no sprite draws untextured (white).
  SetTexture3D(999, -1);
  Begin();
  DrawObjectFrame(0, 0);
  EXPECT_EQ(Pixel(kWidth / 2, cy), 0xFFFFFFu);

  // A scene's meshes take their texture indices from the scene's own list;
  // an index past the list draws untextured.
  orv::ModelSlot& scene = *models->Slot(0);
  scene.scene = 1;
  scene.textures.push_back(orv::LookUpSprite(*d, 5)->texture);
  scene.meshes[0]->textureA = scene.meshes[0]->textureB = 0;
  Begin();
  EXPECT_EQ(DrawObject(0, 0, 0, 0, 0), 1);
  EXPECT_EQ(Pixel(kWidth / 2, cy), 0xFFFF00u);
  scene.meshes[0]->textureA = 7;
  Begin();
  DrawObjectFrame(0, 0);
  EXPECT_EQ(Pixel(kWidth / 2, cy), 0xFFFFFFu);
  scene.textures.clear();  // the sprite owns that name
}

TEST_F(ModelDraw, SphereMappingTakesTextureCoordinatesFromTheNormals) {
  constexpr uint32_t kBlue = 0xFF0000u;
  MakeSprite(3, 16, 16, [](int x, int) { return x < 8 ? 0xFF0000FFu : 0xFFFF0000u; });  // red | blue
  ASSERT_TRUE(orv::BuildSampleSphere(*models->Slot(0), 1.5f, 12, 24));
  SetTexture3D(3, -1);
  SetSphereMapping(1);
  // Normals facing left pick the left of the texture, facing right the right.
  const int cy = kHeight / 2;
  orv::GlState().Set(orv::kCapDepthTest, true);
  glClear(GL_DEPTH_BUFFER_BIT);
  DrawObjectFrame(0, 0);
  const int red = Count(kRed);
  EXPECT_EQ(Pixel(kWidth / 2 - 10, cy), kRed);
  EXPECT_EQ(Pixel(kWidth / 2 + 10, cy), kBlue);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  // The sphere's own coordinates wrap the texture round it instead.
  SetSphereMapping(0);
  Begin();
  orv::GlState().Set(orv::kCapDepthTest, true);
  glClear(GL_DEPTH_BUFFER_BIT);
  DrawObjectFrame(0, 0);
  EXPECT_NE(Count(kRed), red);
}

TEST_F(ModelDraw, ReleasedMeshesGiveTheirBuffersBack) {
  ASSERT_TRUE(orv::BuildSampleAnimated(*models->Slot(2)));
  DrawObject(2, 0, 1, 0.5, 1);
  DrawObjectFrame(2, 0);
  const auto names = models->Slot(2)->meshes[0]->buffers;
  ASSERT_NE(names[0], 0u);
  ASSERT_NE(names[1], 0u);
  auto isBuffer = reinterpret_cast<PFNGLISBUFFERARBPROC>(SDL_GL_GetProcAddress("glIsBufferARB"));
  ASSERT_NE(isBuffer, nullptr);
  EXPECT_TRUE(isBuffer(names[0]));
  models->Free(2);
  EXPECT_FALSE(isBuffer(names[0]));
  EXPECT_FALSE(isBuffer(names[1]));
}

TEST_F(ModelDraw, ScenesLoadTheirTexturesAndDrawWithThem) {
  const std::string dir = orvtest::PrivateDir();
  orv::PixelImage cyan;
  imgtest::Fill(cyan, 16, 16, [](int, int) { return 0xFFFFFF00u; });
  std::vector<uint8_t> png;
  ASSERT_TRUE(orv::EncodePng(cyan, png));
  orvtest::WriteFile(dir + "/cyan.png", std::string(png.begin(), png.end()));
  BuildQuad(9, {1.5f}, 1.5f, 0xFFFFFF);
  const std::vector<uint8_t> quad = orv::SampleFile(*models->Slot(9));
  orvtest::WriteFile(dir + "/quad.ddd", std::string(quad.begin(), quad.end()));
  orvtest::WriteFile(dir + "/scene.ddw", ";DDW\n[textures]\ncount=1\n1=cyan.png\n[objects]\ncount=1\n1=quad.ddd\n");

  LoadObject((dir + "/scene.ddw").c_str(), 3);
  const orv::ModelSlot& scene = *models->Slot(3);
  ASSERT_EQ(scene.scene, 1);
  ASSERT_EQ(scene.textures.size(), 1u);
  const GLuint texture = scene.textures[0];
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_EQ(DrawObject(3, 0, 0, 0, 0), 1);
  EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2), 0xFFFF00u);
  models->Free(3);
  EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
