// Mesh processing: primitives from marker streams, welded normals against
// the scan, tangents, palettes, bounds, scaling and the slot queries.
#include "gfx3d/mesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "gfx3d/model_slot.h"

namespace orv {
namespace {

MeshVertex At(float x, float y, float z, uint32_t colour = 0x00FFFFFF) {
  MeshVertex v;
  v.SetPosition({x, y, z});
  v.SetColour(colour);
  return v;
}

// Records tagged by their x so triangles read as letters a = 1, b = 2, ...
std::vector<int> TriangleTags(uint32_t marker, int count) {
  MeshObjectX mesh;
  mesh.frames.resize(1);
  mesh.frames[0].stream.push_back(MarkerVertex(marker));
  for (int i = 1; i <= count; ++i) mesh.frames[0].stream.push_back(At(static_cast<float>(i), 0, 0));
  mesh.Prepare();
  std::vector<int> tags;
  for (const MeshVertex& v : mesh.frames[0].triangles) tags.push_back(static_cast<int>(v.x));
  EXPECT_EQ(mesh.CurrentTriangles().size(), mesh.frames[0].triangles.size());
  return tags;
}

TEST(Mesh, MarkersSelectTrianglesStripsAndFans) {
  EXPECT_EQ(TriangleTags(kMarkerStrip, 5), (std::vector<int>{1, 2, 3, 3, 2, 4, 3, 4, 5}));
  EXPECT_EQ(TriangleTags(kMarkerFan, 4), (std::vector<int>{1, 2, 3, 1, 3, 4}));
  EXPECT_EQ(TriangleTags(kMarkerTriangles, 7), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(Mesh, HashedWeldGroupsLikeTheScan) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 40);
  std::vector<MeshVertex> stream;
  for (int i = 0; i < 3000; ++i) {
    if (i % 97 == 0) stream.push_back(MarkerVertex(kMarkerStrip));
    // Few distinct coordinates, so many positions repeat; halves and
    // negative zero test that the key is the exact value, not a rounding.
    const float c[3] = {pick(rng) * 0.5f, pick(rng) == 0 ? -0.0f : 1.0f, pick(rng) * 0.25f - 3};
    stream.push_back(At(c[0], c[1], c[2]));
  }
  stream.push_back(At(1e-7f, 0, 0));
  stream.push_back(At(2e-7f, 0, 0));  // differs below any fixed grid: stays apart
  const std::vector<int> scan = WeldByScan(stream);
  EXPECT_EQ(WeldByHash(stream), scan);
  EXPECT_NE(scan[scan.size() - 1], scan[scan.size() - 2]);

  // Whole normal generation agrees bit for bit whichever way the weld is found.
  MeshObjectX hashed, scanned;
  hashed.frames.resize(1);
  hashed.frames[0].stream = stream;
  scanned.frames.resize(1);
  scanned.frames[0].stream = stream;
  hashed.GenerateNormals(true, true, false, MeshObject::WeldMethod::kHash);
  scanned.GenerateNormals(true, true, false, MeshObject::WeldMethod::kScan);
  const auto& a = hashed.frames[0].triangles;
  const auto& b = scanned.frames[0].triangles;
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(MeshVertex)), 0);
}

TEST(Mesh, StripAndFanNormalsAgreeWithTheDrawnFaces) {
  // A flat quad three ways; every vertex must get the same unit normal.
  for (uint32_t marker : {kMarkerTriangles, kMarkerStrip, kMarkerFan}) {
    MeshObjectX mesh;
    mesh.frames.resize(1);
    auto& s = mesh.frames[0].stream;
    s.push_back(MarkerVertex(marker));
    if (marker == kMarkerTriangles) {
      for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 1, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}})
        s.push_back(At(p.x, p.y, p.z));
    } else if (marker == kMarkerStrip) {
      for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{1, 1, 0}}) s.push_back(At(p.x, p.y, p.z));
    } else {
      for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}}) s.push_back(At(p.x, p.y, p.z));
    }
    mesh.GenerateNormals(true, true, false);
    ASSERT_EQ(mesh.normalsDone, 1);
    for (size_t i = 1; i < s.size(); ++i) {
      EXPECT_FLOAT_EQ(s[i].nz, -1) << "marker " << marker << " record " << i;
      EXPECT_EQ(s[i].nx, 0);
    }
    EXPECT_EQ(s[0].nz, 0);  // the marker keeps its zero record
    EXPECT_FLOAT_EQ(mesh.frames[0].triangles[0].nz, -1);  // triangles rebuilt after
  }
}

TEST(Mesh, WeldSmoothsSharedCornersAndRequestsRunOnce) {
  // Two faces of a roof meeting at the ridge x = 0 .. 1, y = 1.
  MeshObjectX mesh;
  mesh.frames.resize(1);
  auto& s = mesh.frames[0].stream;
  s = {MarkerVertex(kMarkerTriangles), At(0, 0, 0), At(0, 1, 0), At(1, 1, 0), At(0, 1, 0), At(0, 0, 1), At(1, 1, 0)};
  mesh.GenerateNormals(true, false, false);
  const Vec3 unwelded = s[2].Normal();
  s[2].SetNormal({9, 9, 9});
  mesh.GenerateNormals(true, true, false);  // dropped: normals are done
  EXPECT_EQ(s[2].nx, 9);
  mesh.normalsDone = 0;
  mesh.GenerateNormals(true, true, false);
  // Welded, the ridge corner averages both faces and both ridge records agree.
  EXPECT_EQ(s[2].Normal().x, s[4].Normal().x);
  EXPECT_NE(s[2].Normal().z, unwelded.z);
  EXPECT_NEAR(Length(s[2].Normal()), 1, 1e-6f);
}

TEST(Mesh, TangentsFollowUvAndSkipDegenerateMappings) {
  MeshObjectX mesh;
  mesh.frames.resize(1);
  auto& s = mesh.frames[0].stream;
  s = {MarkerVertex(kMarkerTriangles), At(0, 0, 0), At(1, 0, 0), At(0, 1, 0), At(5, 0, 0), At(6, 0, 0), At(5, 1, 0)};
  s[1].u = 0, s[1].v = 0, s[2].u = 1, s[2].v = 0, s[3].u = 0, s[3].v = 1;  // u along x, v along y
  for (size_t i = 4; i < 7; ++i) s[i].u = s[i].v = 0.5f;                    // all corners on one texel
  mesh.GenerateNormals(false, false, true);
  EXPECT_EQ(mesh.tangentsDone, 1);
  EXPECT_FLOAT_EQ(s[1].tx, 1);
  EXPECT_FLOAT_EQ(s[1].by, 1);
  EXPECT_EQ(s[1].nz, 0);  // normals were not asked for
  for (size_t i = 4; i < 7; ++i) {
    EXPECT_EQ(Length(s[i].Tangent()), 0);
    EXPECT_EQ(Length(s[i].Bitangent()), 0);
  }
}

TEST(Mesh, NormalTableLookups) {
  const auto& table = NormalTable();
  EXPECT_FLOAT_EQ(table[0].x, -0.525731f);
  EXPECT_FLOAT_EQ(table[161].z, -0.425325f);
  EXPECT_EQ(Length(NormalFromIndex(162)), 0);
  EXPECT_EQ(Length(NormalFromIndex(255)), 0);
  for (int i = 0; i < kNormalCount; i += 13)
    EXPECT_EQ(NearestNormalIndex(table[static_cast<size_t>(i)] * 3), i);
  EXPECT_EQ(NearestNormalIndex({0, 0, 0}), kNormalCount - 1);  // every entry ties; the last wins
}

TEST(Mesh, PaletteKeepsMarkersAndMapsOverflowToNearest) {
  MeshObjectX mesh;
  mesh.frames.resize(2);
  auto& s = mesh.frames[0].stream;
  s.push_back(MarkerVertex(kMarkerTriangles));
  for (uint32_t i = 0; i < 300; ++i) s.push_back(At(0, 0, 0, i * 4));
  s.push_back(MarkerVertex(kMarkerFan));  // after the colours, still gets its own entry
  mesh.frames[1].stream = {At(0, 0, 0, 0x000008)};
  mesh.BuildPalette();
  ASSERT_EQ(mesh.palette.size(), 256u);
  EXPECT_EQ(mesh.palette[0], kMarkerTriangles);
  EXPECT_EQ(mesh.palette[s.back().paletteIndex], kMarkerFan);
  EXPECT_EQ(mesh.palette[s[3].paletteIndex], 8u);
  EXPECT_EQ(mesh.frames[1].stream[0].paletteIndex, s[3].paletteIndex);
  // 254 colours fit (0 .. 253 * 4 = 0x3F4); colour 299 * 4 = 0x0004AC maps to
  // the nearest kept one by channel distance: same red, green 3 instead of 4.
  const uint32_t kept = mesh.palette[s[300].paletteIndex];
  EXPECT_FALSE(IsMarker(kept));
  EXPECT_EQ(kept, 0x0003ACu);
  mesh.Prepare();
  EXPECT_EQ(mesh.coloured, 1);
  mesh.palette = {0x00FFFFFF, kMarkerStrip};
  mesh.Prepare();
  EXPECT_EQ(mesh.coloured, 0);
}

TEST(Mesh, ScalingKeepsNormalsPerpendicularAndUpdatesBounds) {
  ModelSlot slot;
  slot.meshes.push_back(std::make_unique<MeshObjectX>());
  MeshObjectX& mesh = *slot.meshes[0];
  mesh.frames.resize(1);
  mesh.frames[0].stream = {MarkerVertex(kMarkerTriangles), At(0, 0, 0), At(1, 1, 0), At(1, 1, 1)};
  mesh.GenerateNormals(true, false, false);
  mesh.ComputeBounds();
  ScaleObject(slot, {2, 1, 1});
  const MeshVertex* t = mesh.frames[0].triangles.data();
  EXPECT_EQ(t[1].x, 2);
  const Vec3 n = t[0].Normal();
  EXPECT_NEAR(Dot(n, t[1].Position() - t[0].Position()), 0, 1e-5f);
  EXPECT_NEAR(Dot(n, t[2].Position() - t[0].Position()), 0, 1e-5f);
  EXPECT_NEAR(Length(n), 1, 1e-6f);
  EXPECT_EQ(mesh.frames[0].stream[2].Normal().x, n.x);
  EXPECT_FLOAT_EQ(mesh.frames[0].centre.x, 4.0f / 3);
  EXPECT_EQ(mesh.CurrentTriangles()[1].x, 2);
}

TEST(Mesh, FacesAndCountsSpanTheMeshesOfASlot) {
  ModelSlot slot;
  for (int m = 0; m < 3; ++m) {
    slot.meshes.push_back(std::make_unique<MeshObjectX>());
    if (m == 1) continue;  // a mesh without frames is skipped
    auto& mesh = *slot.meshes.back();
    mesh.frames.resize(1);
    for (int t = 0; t < 2; ++t)
      for (int k = 0; k < 3; ++k) mesh.frames[0].stream.push_back(At(static_cast<float>(10 * m + t), 0, 0, 0x10203));
    mesh.frames[0].stream[1].v = -0.5f;
    mesh.Prepare();
  }
  EXPECT_EQ(CountTriangles(slot), 4);
  std::array<double, 27> face;
  ASSERT_TRUE(GetFace(slot, 0, 2, face));
  EXPECT_EQ(face[0], 20);
  EXPECT_EQ(face[5], static_cast<float>(0x10203));
  ASSERT_TRUE(GetFace(slot, 0, 0, face));
  EXPECT_EQ(face[9 + 4], -0.5f);  // v as stored
  EXPECT_FALSE(GetFace(slot, 0, 4, face));
  EXPECT_FALSE(GetFace(slot, 1, 0, face));
  EXPECT_EQ(face[0], 0);
  slot.Free();
  EXPECT_EQ(CountTriangles(slot), 0);
}

}  // namespace
}  // namespace orv
