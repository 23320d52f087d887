// orvane-model: models written here in OBJ and glTF are converted by the
// real tool and read back with the runtime's own model reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "gfx3d/model_file.h"
#include "support/test_support.h"

namespace {

using orv::MeshObjectX;
using orv::MeshVertex;
using orvtest::RunProcess;

std::string Dir(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }

orvtest::ProcessResult Convert(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {orvtest::BinaryPath("tools/orvane-model")};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv);
}

bool Load(const std::string& path, MeshObjectX& mesh) {
  const std::string bytes = orvtest::ReadFile(path);
  const std::vector<uint8_t> data(bytes.begin(), bytes.end());
  return orv::ReadModel(data, path.c_str(), mesh, 0);
}

std::string Bytes(const std::vector<float>& floats) {
  std::string bytes(floats.size() * 4, '\0');
  std::memcpy(bytes.data(), floats.data(), bytes.size());
  return bytes;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 2]);
    out += kDigits[n >> 18 & 63];
    out += kDigits[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kDigits[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  return out;
}

// A unit cube, every face with its own uvs, plus a line the format cannot keep.
const char kCubeObj[] = R"(# cube
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 0 0 1
v 1 0 1
v 1 1 1
v 0 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vt 0.25 0.75
vn 0 0 -1
vn 0 0 1
vn 0 -1 0
vn 0 1 0
vn -1 0 0
vn 1 0 0
f 1/1/1 4/2/1 3/3/1 2/4/1
f 5/1/2 6/2/2 7/3/2 8/5/2
f 1/1/3 2/2/3 6/3/3 5/4/3
f 4/1/4 8/2/4 7/3/4 3/4/4
f 1/1/5 5/2/5 8/3/5 4/4/5
f 2/1/6 3/2/6 7/3/6 6/4/6
l 1 7
)";

TEST(ModelImport, ObjCubeKeepsPositionsNormalsAndUvs) {
  orvtest::WriteFile(Dir("cube.obj"), kCubeObj);
  auto r = Convert({Dir("cube.obj"), Dir("cube.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("12 triangles, 1 frames"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dropped: 1 point and line primitives"), std::string::npos) << r.out;

  MeshObjectX mesh;
  ASSERT_TRUE(Load(Dir("cube.ddd"), mesh));
  ASSERT_EQ(mesh.frames.size(), 1u);
  const auto& stream = mesh.frames[0].stream;
  ASSERT_EQ(stream.size(), 1u + 36u);
  EXPECT_EQ(stream[0].colour, orv::kMarkerTriangles);
  // No material: white, so a texture shows unchanged.
  EXPECT_EQ(mesh.palette, (std::vector<uint32_t>{orv::kMarkerTriangles, 0xFFFFFF}));

  // Each corner of the OBJ: (face normal, position) -> uv as written there.
  const float vt[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.25f, 0.75f}};
  const float pos[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  const int faces[6][4][2] = {{{1, 1}, {4, 2}, {3, 3}, {2, 4}}, {{5, 1}, {6, 2}, {7, 3}, {8, 5}},
                              {{1, 1}, {2, 2}, {6, 3}, {5, 4}}, {{4, 1}, {8, 2}, {7, 3}, {3, 4}},
                              {{1, 1}, {5, 2}, {8, 3}, {4, 4}}, {{2, 1}, {3, 2}, {7, 3}, {6, 4}}};
  std::map<std::tuple<int, float, float, float>, std::pair<float, float>> uvAt;
  for (int f = 0; f < 6; ++f)
    for (const auto& [p, t] : faces[f])
      uvAt[{f, pos[p - 1][0], pos[p - 1][1], pos[p - 1][2]}] = {vt[t - 1][0], vt[t - 1][1]};

  std::map<int, int> cornersPerFace;
  for (size_t i = 1; i < stream.size(); ++i) {
    const MeshVertex& v = stream[i];
    int face = -1;
    for (int f = 0; f < 6; ++f)
      if (std::fabs(v.nx - normals[f][0]) < 1e-3f && std::fabs(v.ny - normals[f][1]) < 1e-3f &&
          std::fabs(v.nz - normals[f][2]) < 1e-3f)
        face = f;
    ASSERT_GE(face, 0) << "record " << i << " has normal " << v.nx << " " << v.ny << " " << v.nz;
    ++cornersPerFace[face];
    auto it = uvAt.find({face, v.x, v.y, v.z});
    ASSERT_NE(it, uvAt.end()) << "record " << i << " at " << v.x << " " << v.y << " " << v.z << " is on no face";
    // OBJ measures v from the bottom; the model from the top, stored negated.
    EXPECT_FLOAT_EQ(v.u, it->second.first) << i;
    EXPECT_FLOAT_EQ(v.v, -(1 - it->second.second)) << i;
  }
  for (int f = 0; f < 6; ++f) EXPECT_EQ(cornersPerFace[f], 6) << "face " << f;
}

// One triangle with red, green and blue corners and two morph targets; with
// animations, also key times 0 and 1 s and translations (0,0,0) -> (4,0,0)
// of its node, used by that many identical animations.
std::string MorphGltf(int animations = 0) {
  std::vector<float> data = {0, 0, 0, 1, 0, 0, 0, 1, 0,              // rest
                             0, 0, 1, 0, 0, 1, 0, 0, 1,              // target 0: +z
                             0.5f, 0, 0, 0, 0, 0, 0, 0.5f, 0,        // target 1
                             1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1};    // colours
  std::string views, accessors, animationList;
  if (animations > 0) {
    data.insert(data.end(), {0, 1, 0, 0, 0, 4, 0, 0});
    views = R"(,{"buffer":0,"byteOffset":156,"byteLength":8},{"buffer":0,"byteOffset":164,"byteLength":24})";
    accessors = R"(,{"bufferView":4,"componentType":5126,"count":2,"type":"SCALAR","min":[0],"max":[1]},)"
                R"({"bufferView":5,"componentType":5126,"count":2,"type":"VEC3"})";
    for (int a = 0; a < animations; ++a)
      animationList += std::string(a ? "," : ",\"animations\":[") +
                       R"({"channels":[{"sampler":0,"target":{"node":0,"path":"translation"}}],)"
                       R"("samplers":[{"input":4,"output":5}]})";
    animationList += "]";
  }
  return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
  "nodes":[{"mesh":0,"translation":[0,0,2]}],
  "meshes":[{"primitives":[{"attributes":{"POSITION":0,"COLOR_0":3},
             "targets":[{"POSITION":1},{"POSITION":2}]}],"weights":[0,0]}],
  "buffers":[{"byteLength":)" + std::to_string(data.size() * 4) +
         R"(,"uri":"data:application/octet-stream;base64,)" + Base64(Bytes(data)) + R"("}],
  "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":36},
                 {"buffer":0,"byteOffset":72,"byteLength":36},{"buffer":0,"byteOffset":108,"byteLength":48})" +
         views + R"(],
  "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
               {"bufferView":1,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,1],"max":[0,0,1]},
               {"bufferView":2,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[0.5,0.5,0]},
               {"bufferView":3,"componentType":5126,"count":3,"type":"VEC4"})" +
         accessors + "]" + animationList + "}";
}

TEST(ModelImport, GltfMorphTargetsBecomeFramesAfterTheRestPose) {
  orvtest::WriteFile(Dir("morph.gltf"), MorphGltf());
  auto r = Convert({Dir("morph.gltf"), Dir("morph.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  MeshObjectX mesh;
  ASSERT_TRUE(Load(Dir("morph.ddd"), mesh));
  ASSERT_EQ(mesh.frames.size(), 3u);
  // Rest pose, then each target applied whole; the node's translation holds for all.
  const float expected[3][3][3] = {{{0, 0, 2}, {1, 0, 2}, {0, 1, 2}},
                                   {{0, 0, 3}, {1, 0, 3}, {0, 1, 3}},
                                   {{0.5f, 0, 2}, {1, 0, 2}, {0, 1.5f, 2}}};
  const uint32_t colours[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  for (size_t f = 0; f < 3; ++f) {
    const auto& s = mesh.frames[f].stream;
    ASSERT_EQ(s.size(), 4u) << "frame " << f;
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(s[k + 1].x, expected[f][k][0]) << f << "/" << k;
      EXPECT_FLOAT_EQ(s[k + 1].y, expected[f][k][1]) << f << "/" << k;
      EXPECT_FLOAT_EQ(s[k + 1].z, expected[f][k][2]) << f << "/" << k;
      EXPECT_EQ(s[k + 1].colour, colours[k]) << f << "/" << k;
    }
  }
}

TEST(ModelImport, NodeAnimationIsSampledAndOtherAnimationsReported) {
  // Two animations; the second is sampled at 4 frames per second over its
  // one second. The animated node's translation replaces the rest one.
  const std::string gltf = MorphGltf(2);
  orvtest::WriteFile(Dir("moving.gltf"), gltf);
  auto r = Convert({"--fps", "4", "--animation", "1", Dir("moving.gltf"), Dir("moving.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("dropped: 1 animations besides number 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dropped: morph targets"), std::string::npos) << r.out;

  MeshObjectX mesh;
  ASSERT_TRUE(Load(Dir("moving.ddd"), mesh));
  ASSERT_EQ(mesh.frames.size(), 5u);
  for (size_t f = 0; f < 5; ++f) {
    const auto& s = mesh.frames[f].stream;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_NEAR(s[1].x, static_cast<float>(f), 1e-4) << "frame " << f;  // 4 units per second, 1/4 s apart
    EXPECT_NEAR(s[3].y, 1.0f, 1e-4) << "frame " << f;
  }
}

TEST(ModelImport, SkinnedMeshFollowsItsJointsWithTheirWeights) {
  // Two joints at the origin (identity inverse bind matrices); "arm" rises
  // by 4 in one second. Corner 0 belongs to "root", corner 1 to "arm",
  // corner 2 half to each.
  std::string data = Bytes({0, 0, 0, 1, 0, 0, 0, 1, 0});             // 0: positions, 36 bytes
  data += std::string("\0\0\0\0\1\0\0\0\0\1\0\0", 12);         // 36: joints, 12 bytes
  data += Bytes({1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0});          // 48: weights, 48 bytes
  data += Bytes({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,
                 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});     // 96: inverse binds, 128 bytes
  data += Bytes({0, 1, 0, 0, 0, 0, 4, 0});                            // 224: times 8, moves 24
  const std::string gltf = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1,2]}],
  "nodes":[{"name":"body","mesh":0,"skin":0},{"name":"root"},{"name":"arm"}],
  "skins":[{"joints":[1,2],"inverseBindMatrices":3}],
  "meshes":[{"primitives":[{"attributes":{"POSITION":0,"JOINTS_0":1,"WEIGHTS_0":2}}]}],
  "animations":[{"channels":[{"sampler":0,"target":{"node":2,"path":"translation"}}],
                 "samplers":[{"input":4,"output":5}]}],
  "buffers":[{"byteLength":256,"uri":"data:application/octet-stream;base64,)" + Base64(data) + R"("}],
  "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12},
                 {"buffer":0,"byteOffset":48,"byteLength":48},{"buffer":0,"byteOffset":96,"byteLength":128},
                 {"buffer":0,"byteOffset":224,"byteLength":8},{"buffer":0,"byteOffset":232,"byteLength":24}],
  "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
               {"bufferView":1,"componentType":5121,"count":3,"type":"VEC4"},
               {"bufferView":2,"componentType":5126,"count":3,"type":"VEC4"},
               {"bufferView":3,"componentType":5126,"count":2,"type":"MAT4"},
               {"bufferView":4,"componentType":5126,"count":2,"type":"SCALAR","min":[0],"max":[1]},
               {"bufferView":5,"componentType":5126,"count":2,"type":"VEC3"}]})";
  ASSERT_EQ(data.size(), 256u);
  orvtest::WriteFile(Dir("skinned.gltf"), gltf);
  auto r = Convert({"--fps", "2", Dir("skinned.gltf"), Dir("skinned.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;

  MeshObjectX mesh;
  ASSERT_TRUE(Load(Dir("skinned.ddd"), mesh));
  ASSERT_EQ(mesh.frames.size(), 3u) << r.out;
  for (size_t f = 0; f < 3; ++f) {
    const auto& s = mesh.frames[f].stream;
    ASSERT_EQ(s.size(), 4u);
    const float rise = 2.0f * static_cast<float>(f);  // the arm after f half seconds
    EXPECT_NEAR(s[1].y, 0.0f, 1e-4) << "frame " << f;
    EXPECT_NEAR(s[2].y, rise, 1e-4) << "frame " << f;
    EXPECT_NEAR(s[3].y, 1.0f + rise / 2, 1e-4) << "frame " << f;
    EXPECT_NEAR(s[2].x, 1.0f, 1e-4) << "frame " << f;
  }
}

// Four triangles over three vertices; the second and the fourth name
// vertices that do not exist.
std::string OutOfRangeGltf() {
  const std::string data = Bytes({0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string("\0\0\1\0\2\0\0\0\1\0\7\0"
                                                                       "\2\0\1\0\0\0\0\0\x09\0\1\0", 24);
  return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
  "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
  "buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)" + Base64(data) + R"("}],
  "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":24}],
  "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
               {"bufferView":1,"componentType":5123,"count":12,"type":"SCALAR"}]})";
}

TEST(ModelImport, TrianglesTheImporterLeftOutAreListed) {
  orvtest::WriteFile(Dir("holes.gltf"), OutOfRangeGltf());
  auto r = Convert({Dir("holes.gltf"), Dir("holes.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(" 2 triangles,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dropped: 2 triangles with vertex indices out of range\n"), std::string::npos) << r.out;
  // A whole file lists nothing of the kind.
  orvtest::WriteFile(Dir("morph.gltf"), MorphGltf());
  r = Convert({Dir("morph.gltf"), Dir("morph.ddd")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("dropped"), std::string::npos) << r.out;
}

TEST(ModelImport, UnreadableFileFailsAndWritesNothing) {
  orvtest::WriteFile(Dir("junk.obj"), "this is not a model\n\x01\x02");
  orvtest::WriteFile(Dir("empty.obj"), "# nothing\n");
  const std::string gltf = OutOfRangeGltf();
  orvtest::WriteFile(Dir("cut.gltf"), gltf.substr(0, gltf.size() / 2));
  for (const char* name : {"junk.obj", "empty.obj", "missing.gltf", "cut.gltf"}) {
    auto r = Convert({Dir(name), Dir("out.ddd")});
    EXPECT_EQ(r.exitCode, 1) << name << r.out;
    EXPECT_NE(r.err.find("orvane-model: "), std::string::npos) << name;
    EXPECT_FALSE(orvtest::Exists(Dir("out.ddd"))) << name;
  }
  // A damaged file gets its reader's own words, not "no reader".
  const std::string cut = Convert({Dir("cut.gltf"), Dir("out.ddd")}).err;
  EXPECT_NE(cut.find("JSON parse error"), std::string::npos) << cut;
  EXPECT_EQ(Convert({Dir("only-one-argument.obj")}).exitCode, 2);
}

TEST(ModelImport, TheInputIsNeverWrittenOver) {
  // By its own name, through a link and in another letter case (which the
  // writer would find): refused, and the model stays as it was.
  orvtest::WriteFile(Dir("cube.obj"), kCubeObj);
  ASSERT_EQ(symlink("cube.obj", Dir("link.ddd").c_str()), 0);
  for (const char* output : {"cube.obj", "link.ddd", "CUBE.OBJ"}) {
    auto r = Convert({Dir("cube.obj"), Dir(output)});
    EXPECT_EQ(r.exitCode, 2) << output << r.out;
    EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
    EXPECT_EQ(orvtest::ReadFile(Dir("cube.obj")), kCubeObj) << output;
  }
}

}  // namespace
