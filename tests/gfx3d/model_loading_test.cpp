// Loading slots by name: disk and "mem://" models, and scene files with
// their texture-index rules.
#include "gfx3d/model_loading.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "files/mem_name.h"
#include "gfx3d/model_file.h"
#include "gfx3d/sample_models.h"
#include "support/test_support.h"

namespace orv {
namespace {

std::vector<std::string> g_texturePaths;

uint32_t FakeTexture(const RtString& path) {
  g_texturePaths.push_back(path.CStr());
  return std::string(path.CStr()).find("missing") == std::string::npos ? 100 + static_cast<uint32_t>(g_texturePaths.size()) : 0;
}

std::string CubeBytes() {
  ModelSlot cube;
  EXPECT_TRUE(BuildSampleCube(cube, 1));
  const std::vector<uint8_t> bytes = SampleFile(cube);
  return std::string(bytes.begin(), bytes.end());
}

TEST(ModelLoading, ModelsFromDiskAndMemoryNames) {
  const std::string dir = orvtest::PrivateDir();
  orvtest::WriteFile(dir + "/cube.ddd", CubeBytes());
  ModelSlot slot;
  ASSERT_TRUE(LoadModelFile((dir + "/cube.ddd").c_str(), slot, 0, nullptr));
  EXPECT_EQ(slot.inUse, 1);
  EXPECT_EQ(CountTriangles(slot), 12);

  const std::string text = "DDDA 1.1 0 1 1 2 3 3 0 0 1 0 2 0 1 3 0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1";
  auto block = std::make_shared<const MemBlock>(std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(LoadModelFile(MemName(block), slot, 0, nullptr));
  EXPECT_EQ(CountTriangles(slot), 1);

  ASSERT_TRUE(LoadModelFile((dir + "/cube.ddd").c_str(), slot, 0, nullptr));
  slot.meshes[0]->frames[0].stream[1].x = 42;
  EXPECT_TRUE(SaveModelFile((dir + "/saved.ddd").c_str(), slot));
  ModelSlot again;
  ASSERT_TRUE(LoadModelFile((dir + "/saved.ddd").c_str(), again, 0, nullptr));
  EXPECT_EQ(again.meshes[0]->frames[0].stream[1].x, 42);
  EXPECT_FALSE(SaveModelFile((dir + "/no-such-folder/x.ddd").c_str(), slot));  // nothing written

  EXPECT_FALSE(LoadModelFile((dir + "/none.ddd").c_str(), slot, 0, nullptr));
  EXPECT_EQ(slot.inUse, 0);  // freed before the attempt
  EXPECT_TRUE(slot.meshes.empty());
}

TEST(ModelLoading, ScenesLoadEveryPartTheyCanWithTextureIndicesFromOne) {
  const std::string dir = orvtest::PrivateDir() + "/level";
  mkdir(dir.c_str(), 0700);
  orvtest::WriteFile(dir + "/cube.ddd", CubeBytes());
  orvtest::WriteFile(dir + "/tri.ddda", "DDDA 1.1 0 1 1 2 3 3 0 0 1 0 2 0 1 3 0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1");
  orvtest::WriteFile(dir + "/broken.ddd", std::string("\x17\xb3\xc6\x00garbage", 11));
  orvtest::WriteFile(dir + "/scene.ddw",
                     ";DDW\r\n[textures]\r\ncount=2\r\n1=wall.png\r\n2=missing.png\r\n"
                     "[objects]\r\ncount=4\r\n1=cube.ddd\r\n1ta=2\r\n1tb=0\r\n2=broken.ddd\r\n"
                     "3=tri.ddda\r\n3ta=1\r\n4=absent.ddd\r\n4tb=2\r\n");
  g_texturePaths.clear();
  ModelSlot slot;
  ASSERT_TRUE(LoadModelFile((dir + "/scene.ddw").c_str(), slot, 0, FakeTexture));
  EXPECT_EQ(slot.inUse, 1);
  EXPECT_EQ(slot.scene, 1);
  EXPECT_EQ(g_texturePaths, (std::vector<std::string>{dir + "/wall.png", dir + "/missing.png"}));
  EXPECT_EQ(slot.textures, (std::vector<uint32_t>{101, 0}));
  ASSERT_EQ(slot.meshes.size(), 4u);
  EXPECT_EQ(slot.meshes[0]->textureA, 1);
  EXPECT_EQ(slot.meshes[0]->textureB, 0);
  EXPECT_TRUE(slot.meshes[1]->frames.empty());  // failed, the scene went on
  EXPECT_EQ(slot.meshes[2]->textureA, 0);       // "1" and a missing key both select entry 0
  EXPECT_EQ(slot.meshes[2]->textureB, 0);
  EXPECT_EQ(slot.meshes[3]->textureB, 1);
  EXPECT_EQ(CountTriangles(slot), 13);
  EXPECT_EQ(FolderOf("a\\b/c\\d.ddw"), RtString("a\\b/c\\"));
  EXPECT_EQ(FolderOf("d.ddw"), RtString(""));
}

TEST(ModelLoading, DamagedCountsInScenesCreateOnlyWhatKeysCanFill) {
  const std::string dir = orvtest::PrivateDir();
  orvtest::WriteFile(dir + "/huge.ddw", ";DDW\n[textures]\ncount=2000000000\n[objects]\ncount=999999999\n1=x.ddd\n");
  ModelSlot slot;
  ASSERT_TRUE(LoadModelFile((dir + "/huge.ddw").c_str(), slot, 0, nullptr));
  EXPECT_LE(slot.textures.size(), 1u);
  EXPECT_LE(slot.meshes.size(), 2u);
}

}  // namespace
}  // namespace orv
