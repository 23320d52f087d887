// The game's model commands against the renderer's model table: building,
// the slot queries, saving and loading from disk, the archive and "mem://"
// names, and the neutral results for damaged files and wrong numbers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/asset_locator.h"
#include "files/files_test_support.h"
#include "files/mem_name.h"
#include "gfx3d/model_draw.h"
#include "gfx3d/sample_models.h"
#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "orvane/runtime.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "support/test_support.h"

namespace {

class ModelCommands : public testing::Test {
 protected:
  void SetUp() override {
    orv::Rt().scene = std::make_unique<orv::Vexel3D>(nullptr);
    dir = orvtest::PrivateDir();
  }
  void TearDown() override {
    orv::Rt().fileLocator.reset();
    orv::Rt().scene.reset();
  }
  orv::ModelStore& Models() { return orv::Rt().scene->Models(); }
  std::string Path(const char* name) { return dir + "/" + name; }

  // A two-triangle square in slot, built through the commands.
  void BuildSquare(int slot, double size) {
    StartObject(slot, 0);
    const double s = size;
    const double c[6][2] = {{0, 0}, {s, 0}, {s, s}, {0, 0}, {s, s}, {0, s}};
    // A colour a float cannot hold exactly: GetFace must give it back whole.
    for (const auto& p : c) ASSERT_EQ(AddVertex(p[0], p[1], 0, p[0] / s, p[1] / s, 0x7F123457), 1);
    EndObject();
  }

  std::string dir;
};

TEST_F(ModelCommands, BuildQueryScaleAndFindFree) {
  EXPECT_EQ(FindFreeObject(), 0);
  EXPECT_EQ(AddVertex(1, 2, 3, 0, 0, 0), 0);  // nothing being built
  BuildSquare(0, 2);
  EXPECT_EQ(Models().Slot(0)->inUse, 1);
  EXPECT_EQ(FindFreeObject(), 1);
  EXPECT_EQ(CountTriangles(0), 2);
  EXPECT_EQ(AddVertex(1, 2, 3, 0, 0, 0), 0);  // the build ended

  RtArray<double> face;
  GetFace(0, 0, 1, face);
  ASSERT_EQ(face.Size(0), 3);
  ASSERT_EQ(face.Size(1), 9);
  EXPECT_EQ(face.At(1, 0), 2);     // second corner x
  EXPECT_EQ(face.At(1, 1), 2);     // y
  EXPECT_EQ(face.At(1, 4), -1);    // v as stored: the game's v turned over
  EXPECT_EQ(face.At(2, 5), 0x7F123457);
  ScaleObject(0, 3, 1, 1);
  GetFace(0, 0, 1, face);
  EXPECT_EQ(face.At(1, 0), 6);
  EXPECT_EQ(face.At(1, 1), 2);

  // Frames that disagree in length refuse the model, and its memory goes
  // with it; fewer than three records discard it. A frame number no model
  // could fill is refused with error 7 before anything is taken, and the
  // build goes on in its frame.
  StartObject(1, 1);
  for (int i = 0; i < 3; ++i) AddVertex(i, i * i, 0, 0, 0, 0xFF);
  SetBuildFrame(5e6);
  EXPECT_EQ(ErrorCode(), 7);
  EXPECT_EQ(Models().Slot(1)->meshes[0]->FrameCount(), 1);
  EXPECT_EQ(AddVertex(0, 0, 0, 0, 0, 0xFF), 1);
  SetBuildFrame(1);
  AddVertex(0, 0, 0, 0, 0, 0xFF);
  EndObject();
  EXPECT_EQ(Models().Slot(1)->inUse, 0);
  EXPECT_TRUE(Models().Slot(1)->meshes[0]->frames.empty());
  StartObject(2, 2);
  NewGroup(0);
  EndObject();
  EXPECT_EQ(Models().Slot(2)->inUse, 0);

  // Wrong slot numbers give neutral results and touch nothing.
  for (double bad : {-1.0, 4096.0, 1e12}) {
    EXPECT_EQ(CountTriangles(bad), 0);
    GetFace(bad, 0, 0, face);
    EXPECT_EQ(face.At(0, 0), 0);
    ScaleObject(bad, 2, 2, 2);
    StartObject(bad, 0);
    EXPECT_EQ(AddVertex(0, 0, 0, 0, 0, 0), 0);
    LoadObject(Path("x.ddd").c_str(), bad);
    EXPECT_EQ(SaveObject(Path("x.ddd").c_str(), bad), 0);
  }
  for (int i = 3; i < orv::kModelSlots; ++i) Models().Slot(i)->inUse = 1;
  EXPECT_EQ(FindFreeObject(), 1);
  Models().Slot(1)->inUse = Models().Slot(2)->inUse = 1;
  EXPECT_EQ(FindFreeObject(), -1);
}

TEST_F(ModelCommands, SavedModelsLoadFromDiskArchiveAndMemory) {
  ASSERT_TRUE(orv::BuildSampleAnimated(*Models().Slot(5)));
  EXPECT_EQ(SaveObject(Path("anim.ddd").c_str(), 5), 1);
  EXPECT_EQ(ErrorCode(), 0);
  const std::string bytes = orvtest::ReadFile(Path("anim.ddd"));
  ASSERT_FALSE(bytes.empty());
  // A save that writes nothing says so: a missing folder, an empty slot.
  orv::StartLog();
  EXPECT_EQ(SaveObject(Path("none/anim.ddd").c_str(), 5), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(SaveObject(Path("empty.ddd").c_str(), 9), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(orvtest::ReadFile(Path("empty.ddd")), "");
  EXPECT_EQ(orvtest::ErrorLogText(), "Start new log...\ncannot save " + Path("none/anim.ddd") + "\ncannot save " +
                                         Path("empty.ddd") + "\n");

  auto same = [&](int slot) {
    const orv::ModelSlot* s = Models().Slot(slot);
    ASSERT_EQ(s->inUse, 1);
    ASSERT_EQ(s->meshes.size(), 1u);
    const orv::MeshObjectX& a = *Models().Slot(5)->meshes[0];
    const orv::MeshObjectX& b = *s->meshes[0];
    ASSERT_EQ(b.FrameCount(), 2);
    for (int f = 0; f < 2; ++f) {
      ASSERT_EQ(b.frames[f].stream.size(), a.frames[f].stream.size());
      for (size_t i = 0; i < a.frames[f].stream.size(); ++i) {
        EXPECT_EQ(b.frames[f].stream[i].y, a.frames[f].stream[i].y);
        EXPECT_EQ(b.frames[f].stream[i].colour, a.frames[f].stream[i].colour);
      }
    }
    EXPECT_EQ(CountTriangles(slot), CountTriangles(5));
  };
  // Loading over the slot being built ends that build: its vertices cannot
  // land in the loaded model's frames.
  StartObject(6, 0);
  SetBuildFrame(4);
  LoadObject(Path("anim.ddd").c_str(), 6);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(AddVertex(1, 1, 1, 0, 0, 0), 0);
  EndObject();
  same(6);

  orvtest::WriteFile(Path("carrier"), filestest::Carrier("program", {{"anim.ddd", bytes}}, false));
  orv::Rt().fileLocator = std::make_unique<orv::AssetLocator>();
  orv::Rt().fileLocator->Reset(Path("carrier").c_str());
  LoadObject("Media/anim.ddd", 7);
  same(7);

  auto block = std::make_shared<const orv::MemBlock>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  LoadObject(orv::MemName(block), 8);
  same(8);
}

TEST_F(ModelCommands, MissingAndDamagedFilesLeaveTheSlotEmptyWithError3) {
  BuildSquare(3, 1);
  LoadObject(Path("none.ddd").c_str(), 3);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Models().Slot(3)->inUse, 0);

  ASSERT_TRUE(orv::BuildSampleCube(*Models().Slot(0), 1));
  std::vector<uint8_t> good = orv::SampleFile(*Models().Slot(0));
  std::string cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  orvtest::WriteFile(Path("cut.ddd"), cut);
  orv::StartLog();
  BuildSquare(3, 1);
  LoadObject(Path("cut.ddd").c_str(), 3);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Models().Slot(3)->inUse, 0);
  EXPECT_TRUE(Models().Slot(3)->meshes.empty());
  EXPECT_EQ(orvtest::ErrorLogText(), "Start new log...\n# read error\n" + Path("cut.ddd") + "\n");

  // A name the file layer cannot map loads nothing and keeps the slot.
  BuildSquare(3, 1);
  LoadObject(RtString(std::string(1100, 'a').c_str()), 3);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Models().Slot(3)->inUse, 1);
}

TEST(FrameChoice, BlendRulesAndClamping) {
  auto f = orv::ChooseFrames(5, 0, 4, 0.5f, true);
  EXPECT_EQ(f.c, 2);
  EXPECT_EQ(f.w, 1);  // frame 2 exactly
  auto wrapped = orv::ChooseFrames(5, 0, 4, 1.25f, true), quarter = orv::ChooseFrames(5, 0, 4, 0.25f, true);
  EXPECT_EQ(wrapped.c, quarter.c);
  EXPECT_EQ(wrapped.d, quarter.d);
  EXPECT_EQ(wrapped.w, quarter.w);
  auto negative = orv::ChooseFrames(5, 0, 4, -0.75f, true);  // |fmod| = 0.75: p = 3
  EXPECT_EQ(negative.c, 3);
  EXPECT_EQ(negative.w, 1);
  auto down = orv::ChooseFrames(5, 4, 0, 0.3f, true);  // p = 2.8: 80 % frame 3, 20 % frame 2
  EXPECT_EQ(down.c, 3);
  EXPECT_EQ(down.d, 2);
  EXPECT_NEAR(down.w, 0.8f, 1e-6);
  auto plain = orv::ChooseFrames(5, 1, 3, 0.25f, false);
  EXPECT_EQ(plain.c, 3);
  EXPECT_EQ(plain.d, 1);
  EXPECT_EQ(plain.w, 0.25f);
  auto beyond = orv::ChooseFrames(2, 7, 9, 0, false);
  EXPECT_EQ(beyond.c, 1);
  EXPECT_EQ(beyond.d, 1);
  auto single = orv::ChooseFrames(1, -3, 2, 0.5f, true);
  EXPECT_EQ(single.c, 0);
  EXPECT_EQ(single.d, 0);
}

}  // namespace
