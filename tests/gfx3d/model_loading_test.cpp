// Loading slots by name: disk and "mem://" models, and scene files with
// their texture-index rules.
#include "gfx3d/model_loading.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/mem_name.h"
#include "gfx3d/model_file.h"
#include "gfx3d/sample_models.h"
#include "runtime/byte_reader.h"
#include "runtime/error_state.h"
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

#if !defined(__SANITIZE_ADDRESS__)
TEST(ModelLoading, MemoryRunningOutWhileLoadingIsARefusedLoad) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // 600,000 records of independent triangles: well within what an 8 MB file
  // may take, but the address space left in the child holds the file and
  // its records, not the triangles made of them.
  constexpr size_t kRecords = 600000;
  std::vector<uint8_t> file;
  for (uint32_t v : {uint32_t(kDddMagic), 0u, 0x40000000u, 1u, 1u, 0u, 0x00FF00u, uint32_t(kRecords)})
    AppendLe32(file, v);  // version 2.0 is the double 0x4000000000000000
  for (size_t i = 0; i < kRecords; ++i) {
    for (uint32_t c : {uint32_t(i % 1000), uint32_t(i / 1000), uint32_t(i % 7)}) {
      const float f = static_cast<float>(c);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      AppendLe32(file, bits);
    }
    file.push_back(0);
    file.push_back(0);
  }
  const std::string path = orvtest::PrivateDir() + "/many.ddd";
  orvtest::WriteFile(path, std::string(file.begin(), file.end()));
  file = {};
  auto loadWithoutMemory = [&] {
    StartLog();
    orvtest::LimitAddressSpace(kRecords * (14 + 92 + 46));
    ModelSlot slot;
    const bool loaded = LoadModelFile(path.c_str(), slot, 0, nullptr);
    const bool logged = orvtest::ErrorLogText().find("# malloc error\n" + path + "\n") != std::string::npos;
    _exit(!loaded && slot.inUse == 0 && slot.meshes.empty() && logged ? 0 : 1);
  };
  EXPECT_EXIT(loadWithoutMemory(), testing::ExitedWithCode(0), "");
  ModelSlot slot;
  ASSERT_TRUE(LoadModelFile(path.c_str(), slot, 0, nullptr));  // with memory it loads
  EXPECT_EQ(CountTriangles(slot), static_cast<int>(kRecords / 3));
}
#endif

}  // namespace
}  // namespace orv
