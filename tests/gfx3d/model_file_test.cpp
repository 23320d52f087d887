// Model files: version handling and its log lines, the compressed frame
// mapping, DDDA faces, save-then-load, and damaged files failing cleanly.
#include "gfx3d/model_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/byte_reader.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "support/test_support.h"

namespace orv {
namespace {

std::string Log() { return orvtest::ErrorLogText(); }

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

void AppendF32(std::vector<uint8_t>& out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  AppendLe32(out, bits);
}

// Header of a binary file up to and including the uv table.
std::vector<uint8_t> Header(double version, int32_t frames, const std::vector<uint32_t>& palette,
                            const std::vector<float>& uvs) {
  std::vector<uint8_t> out;
  AppendLe32(out, static_cast<uint32_t>(kDddMagic));
  uint64_t bits;
  std::memcpy(&bits, &version, 8);
  AppendLe32(out, static_cast<uint32_t>(bits));
  AppendLe32(out, static_cast<uint32_t>(bits >> 32));
  AppendLe32(out, static_cast<uint32_t>(frames));
  AppendLe32(out, static_cast<uint32_t>(palette.size()));
  AppendLe32(out, static_cast<uint32_t>(uvs.size() / 2));
  for (uint32_t c : palette) AppendLe32(out, c);
  for (float f : uvs) AppendF32(out, f);
  return out;
}

MeshVertex Corner(float x, float y, float z, float u, float v, uint32_t colour, Vec3 normal) {
  MeshVertex r;
  r.SetPosition({x, y, z});
  r.u = u;
  r.v = v;
  r.SetColour(colour);
  r.SetNormal(normal);
  return r;
}

TEST(ModelFile, VersionOutsideTheRangeIsLoggedAndRefused) {
  StartLog();
  ClearError();
  std::vector<uint8_t> file = Header(2.01, 0, {}, {});
  MeshObjectX mesh;
  EXPECT_FALSE(ReadModel(file, "models/new.ddd", mesh, 0));
  EXPECT_EQ(Log(), "Start new log...\nWrong .ddd version: 2.01. Can use 1.02-2.00\n# read error\nmodels/new.ddd\n");
  EXPECT_EQ(Rt().lastError, kErrNoSuchFile);
  file = Header(1.01, 0, {}, {});
  EXPECT_FALSE(ReadModel(file, "old.ddd", mesh, 0));
  EXPECT_NE(Log().find("Wrong .ddd version: 1.01. Can use 1.02-2.00\n# read error\nold.ddd\n"), std::string::npos);
}

TEST(ModelFile, CompressedFramesMapBytesThroughOffsetAndScale) {
  std::vector<uint8_t> file = Header(1.5, 1, {0x00112233, kMarkerFan}, {0.25f, 0.5f});
  AppendLe32(file, 4);
  for (float f : {128.0f, 128.0f, 128.0f, 0.5f, 0.5f, 0.5f}) AppendF32(file, f);
  const uint8_t records[] = {0, 0, 0, 0, 1,  // fan marker
                             130, 128, 126, 200, 0, 130, 130, 130, 7, 0, 128, 132, 128, 0, 0};
  file.insert(file.end(), std::begin(records), std::end(records));
  MeshObjectX mesh;
  ASSERT_TRUE(ReadModel(file, "c.ddd", mesh, 0));
  const auto& s = mesh.frames[0].stream;
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].colour, kMarkerFan);
  EXPECT_EQ(s[1].x, 1.0f);
  EXPECT_EQ(s[1].z, -1.0f);
  EXPECT_EQ(s[3].y, 2.0f);
  EXPECT_EQ(Length(s[1].Normal()), 0);  // index 200 is past the table
  EXPECT_EQ(s[2].Normal().x, NormalTable()[7].x);
  EXPECT_EQ(s[2].Tangent().x, NormalTable()[0].x);
  EXPECT_EQ(s[0].u, 0.25f);
  EXPECT_EQ(s[0].v, -0.5f);  // compressed files store v the other way up
  EXPECT_EQ(s[1].u, 0);      // past the uv table: (0, 0)
  EXPECT_EQ(s[1].colour, 0x00112233u);
  EXPECT_FLOAT_EQ(s[1].r, 0x33 / 255.0f);
  EXPECT_EQ(mesh.normalsDone, 1);
}

TEST(ModelFile, SaveThenLoadKeepsEverythingButExactNormals) {
  MeshObjectX built;
  built.frames.resize(2);
  for (int f = 0; f < 2; ++f) {
    auto& s = built.frames[static_cast<size_t>(f)].stream;
    const float dz = static_cast<float>(f) * 0.125f;
    s = {MarkerVertex(kMarkerStrip), Corner(0.1f, 0, dz, 0, -1, 0x0000FF, {0, 0, 2}),
         Corner(1, 0, dz, 1, -1, 0x00FF00, {0.1f, 0, 1}), Corner(0, 1, dz, 0, -0.3f, 0x0000FF, {0, 0, 0}),
         Corner(1, 1, 1e-9f, 1, 0, 0xFF0000, {-1, 0, 0}), MarkerVertex(kMarkerTriangles),
         Corner(-3, -3, -3, 0.5f, 0.5f, 0x00FFFFFF, {0, 1, 0})};
  }
  built.BuildPalette();
  const std::vector<uint8_t> file = WriteDdd(built);
  ASSERT_FALSE(file.empty());
  MeshObjectX loaded;
  ASSERT_TRUE(ReadModel(file, "saved.ddd", loaded, 0));
  EXPECT_EQ(loaded.palette, built.palette);
  ASSERT_EQ(loaded.frames.size(), 2u);
  for (size_t f = 0; f < 2; ++f) {
    const auto& a = built.frames[f].stream;
    const auto& b = loaded.frames[f].stream;
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(b[i].x, a[i].x);
      EXPECT_EQ(b[i].y, a[i].y);
      EXPECT_EQ(b[i].z, a[i].z);
      EXPECT_EQ(b[i].colour, a[i].colour);
      EXPECT_EQ(b[i].paletteIndex, a[i].paletteIndex);
      // The uv table comes from frame 0 and covers every frame.
      EXPECT_EQ(b[i].u, built.frames[0].stream[i].u);
      EXPECT_EQ(b[i].v, built.frames[0].stream[i].v);
      const Vec3 nearest = NormalTable()[NearestNormalIndex(a[i].Normal())];
      EXPECT_EQ(b[i].nx, nearest.x);
      EXPECT_EQ(b[i].nz, nearest.z);
    }
  }
  EXPECT_EQ(loaded.frames[0].stream[1].nz, NormalTable()[NearestNormalIndex({0, 0, 1})].z);
  // The triangles made while reading are exactly those Prepare makes of the streams.
  std::vector<std::vector<MeshVertex>> read;
  for (const MeshFrame& f : loaded.frames) read.push_back(f.triangles);
  loaded.Prepare();
  for (size_t f = 0; f < 2; ++f) {
    const auto& t = loaded.frames[f].triangles;
    ASSERT_EQ(read[f].size(), 6u);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(std::memcmp(read[f].data(), t.data(), t.size() * sizeof(MeshVertex)), 0) << f;
  }
  EXPECT_TRUE(WriteDdd(MeshObjectX()).empty());
}

TEST(ModelFile, TextFacesBecomeFans) {
  const std::string text =
      "DDDA 1.1 # version\n"
      "2  0 0  1 0.5\n"
      "1  255 256 1 4   0 0  1 1  2 1  3 0\n"
      "1  4\n"
      "0 0 0  0 0 1\n 1 0 0 0 0 1\r\n1 1 0 0 0 1\t0 1 0 0 0 1 # the last corner\n";
  MeshObjectX mesh;
  ASSERT_TRUE(ReadModel(Bytes(text), "quad.ddda", mesh, 0));
  const auto& s = mesh.frames[0].stream;
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].colour, kMarkerFan);
  EXPECT_EQ(s[1].colour, 0x000100FFu);
  EXPECT_EQ(s[2].u, 1);
  EXPECT_EQ(s[2].v, -0.5f);
  EXPECT_EQ(s[3].x, 1);
  EXPECT_EQ(s[3].nz, 1);
  EXPECT_EQ(mesh.palette.size(), 2u);
  mesh.Prepare();
  EXPECT_EQ(mesh.frames[0].triangles.size(), 6u);  // two triangles of one fan
  EXPECT_EQ(mesh.normalsDone, 1);
}

TEST(ModelFile, OldTextFilesGetNormalsFromTheCurrentMode) {
  const std::string text = "DDDA 1.0 0  1 9 9 9 3 0 0 1 0 2 0  1 3 0 0 0 1 0 0 0 1 0";
  MeshObjectX mesh;
  ASSERT_TRUE(ReadModel(Bytes(text), "old.ddda", mesh, 1));
  EXPECT_NEAR(Length(mesh.frames[0].stream[1].Normal()), 1, 1e-6f);
  ASSERT_TRUE(ReadModel(Bytes(text), "old.ddda", mesh, 0));
  EXPECT_EQ(Length(mesh.frames[0].stream[1].Normal()), 0);
  EXPECT_EQ(mesh.normalsDone, 1);
}

TEST(ModelFile, DamagedFilesFailWithTheirLogLines) {
  std::vector<uint8_t> good = Header(2.0, 1, {0x000000FF}, {0, 0, 0, 0, 0, 0});
  AppendLe32(good, 3);
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) AppendF32(good, static_cast<float>(i == k));
    good.push_back(0);
    good.push_back(0);
  }
  MeshObjectX mesh;
  ASSERT_TRUE(ReadModel(good, "good.ddd", mesh, 0));

  auto expectRefused = [&](std::vector<uint8_t> bad, const char* what) {
    StartLog();
    ClearError();
    EXPECT_FALSE(ReadModel(bad, "bad.ddd", mesh, 0)) << what;
    EXPECT_EQ(Log(), "Start new log...\n# read error\nbad.ddd\n") << what;
    EXPECT_TRUE(mesh.frames.empty()) << what;
    EXPECT_EQ(Rt().lastError, kErrNoSuchFile) << what;
  };
  for (size_t cut = 0; cut < good.size(); cut += 5)
    expectRefused(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)), "truncated");
  std::vector<uint8_t> bad = good;
  bad[good.size() - 1] = 1;  // palette index past a one-colour palette
  expectRefused(bad, "palette index");
  bad = good;
  StoreLe32(&bad[12], 0x7FFFFFFF);  // frame count far beyond the data
  expectRefused(bad, "frame count");
  bad = good;
  StoreLe32(&bad[16], 0xFFFFFFFF);  // negative palette count
  expectRefused(bad, "palette count");
  bad = good;
  StoreLe32(&bad[20], 0x20000000);  // uv table beyond the data
  expectRefused(bad, "uv count");
  bad = good;
  StoreLe32(&bad[52], 0x10000000);  // vertex count beyond the data
  expectRefused(bad, "vertex count");
  for (const char* text : {"DDDB 1.0", "DDDA 1.2 0 0 0", "DDDA 1.1 0 1 0 0 0 3 0 0 1 0 2 0 1 2",
                           "DDDA 1.1 1 0 0 1 0 0 0 3 0 0 1 0 2 1 1 3 0 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0",
                           "DDDA 1.0 0 1 0 0 0 3 0 0 1 0 2 0 1 2 0 0 0 0 0 0"})
    expectRefused(std::vector<uint8_t>(text, text + std::strlen(text)), text);
}

TEST(ModelFile, OversizedModelsAreRefusedAsAllocationFailures) {
  // 1000 frames of one triangle: each frame a marker and three corners,
  // three triangle records, and frame 0's once more as current triangles.
  std::string text = "DDDA 1.0 0 1 0 0 0 3 0 0 0 0 0 0 1000";
  for (int i = 0; i < 1000; ++i) text += " 1 0 0 0";
  const size_t needed = 1000 * sizeof(MeshFrame) + (1000 * (4 + 3) + 3) * sizeof(MeshVertex);
  StartLog();
  MeshObjectX mesh;
  EXPECT_FALSE(ReadModel(Bytes(text), "big.ddda", mesh, 0, needed - 1));
  EXPECT_EQ(Log(), "Start new log...\n# malloc error\nbig.ddda\n");
  EXPECT_TRUE(mesh.frames.empty());
  ASSERT_TRUE(ReadModel(Bytes(text), "big.ddda", mesh, 0, needed));
  EXPECT_EQ(mesh.frames.size(), 1000u);
  EXPECT_EQ(mesh.CurrentTriangles().size(), 3u);  // loaded means prepared

  // What a file may take grows with its size, up to the overall limit.
  EXPECT_EQ(ModelMemoryBudget(0), size_t{1} << 20);
  EXPECT_EQ(ModelMemoryBudget(1000), 1000 * kModelBytesPerFileByte + (size_t{1} << 20));
  EXPECT_EQ(ModelMemoryBudget(size_t{100} << 20), kMaxModelBytes);
  EXPECT_EQ(ModelMemoryBudget(SIZE_MAX), kMaxModelBytes);

  // Hostile shapes, refused before their memory is taken. A compressed strip
  // of n records: the strip marker, then corners all of one colour.
  auto strip = [](int32_t n) {
    std::vector<uint8_t> file = Header(1.5, 1, {kMarkerStrip, 0x00FF00}, {});
    AppendLe32(file, static_cast<uint32_t>(n));
    for (float f : {0.f, 0.f, 0.f, 1.f, 1.f, 1.f}) AppendF32(file, f);
    const size_t first = file.size();
    file.resize(first + 5 * static_cast<size_t>(n), 1);
    file[first + 4] = 0;  // the first record is the marker
    for (size_t k = 0; k < static_cast<size_t>(n); ++k) {
      file[first + 5 * k] = static_cast<uint8_t>(k);
      file[first + 5 * k + 1] = static_cast<uint8_t>(k * k);
    }
    return file;
  };
  // 8 M records in 40 MB: the records alone pass any record count a file
  // this size may hold, their triangles would not fit.
  // 1 M records in 5 MB: an honest million triangles, but seven times the
  // records' memory once triangulated and copied, over the overall limit.
  // A DDDA fan of 1 M corners over 8 frames that carry one vertex each: 4 MB
  // of corners repeated in every frame.
  std::string fan = "DDDA 1.0 0 1 0 0 0 1000000";
  for (int i = 0; i < 1000000; ++i) fan += " 0 0";
  fan += " 8";
  for (int f = 0; f < 8; ++f) fan += " 1 0 0 0";
  const std::vector<std::pair<std::vector<uint8_t>, const char*>> hostile = {
      {strip(8 << 20), "strip8m.ddd"}, {strip(1 << 20), "strip1m.ddd"}, {{fan.begin(), fan.end()}, "fan.ddda"}};
  for (const auto& [file, name] : hostile) {
    StartLog();
    ClearError();
    EXPECT_FALSE(ReadModel(file, name, mesh, 2)) << name;
    EXPECT_EQ(Log(), std::string("Start new log...\n# malloc error\n") + name + "\n");
    EXPECT_EQ(Rt().lastError, kErrNoSuchFile) << name;
    EXPECT_TRUE(mesh.frames.empty() && mesh.currentTriangles.empty()) << name;
  }
  // The same strip within the limit loads whole.
  ASSERT_TRUE(ReadModel(strip(1 << 16), "strip64k.ddd", mesh, 0));
  EXPECT_EQ(mesh.frames[0].triangles.size(), 3u * ((1 << 16) - 3));
}

TEST(ModelFile, SlotsAreInUseOnlyAfterAGoodLoad) {
  MeshObjectX built;
  built.frames.resize(1);
  built.frames[0].stream = {MarkerVertex(kMarkerTriangles), Corner(0, 0, 0, 0, 0, 7, {}), Corner(2, 0, 0, 0, 0, 7, {}),
                            Corner(0, 2, 0, 0, 0, 7, {})};
  built.BuildPalette();
  ModelSlot slot;
  ASSERT_TRUE(LoadMeshSlot(WriteDdd(built), "tri.ddd", slot, 0));
  EXPECT_EQ(slot.inUse, 1);
  EXPECT_EQ(CountTriangles(slot), 1);
  EXPECT_GT(slot.meshes[0]->frames[0].radius, 0);
  EXPECT_EQ(slot.meshes[0]->coloured, 1);
  EXPECT_FALSE(LoadMeshSlot(Bytes("DDDA 1.1 0 0 1 0"), "empty.ddda", slot, 0));  // no records
  EXPECT_EQ(slot.inUse, 0);
  EXPECT_TRUE(slot.meshes.empty());
  EXPECT_TRUE(IsSceneFile(Bytes(";DDW\n[textures]")));
  EXPECT_FALSE(IsSceneFile(Bytes(";DD")));
}

}  // namespace
}  // namespace orv
