// Meshes of the 3D layer: the vertex record the vertex buffers hold, the
// frames of an animated mesh, and the processing that turns a vertex stream
// with primitive markers into triangles, normals, tangents, a palette and
// bounding spheres. CPU only: the GL names a mesh owns go back through the
// release the drawing code recorded beside them when it made them.
// Depends on: gfx3d/matrix.h, runtime/switches.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gfx3d/matrix.h"

namespace orv {

// Colours that are not colours: each switches the primitive kind of the
// records after it (independent triangles, strip, fan).
constexpr uint32_t kMarkerTriangles = 0xFFFFFFFFu;  // -1
constexpr uint32_t kMarkerStrip = 0xFFFFFFFEu;      // -2
constexpr uint32_t kMarkerFan = 0xFFFFFFFDu;        // -3
// Everything above 0xFFFFFFFB counts as a marker (so -4 too, drawing as
// independent triangles).
inline bool IsMarker(uint32_t colour) { return colour > 0xFFFFFFFBu; }

// One stream entry; the vertex buffers hold these unchanged, so the field
// order and the 92-byte stride are part of the drawing interface.
struct MeshVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float u = 0, v = 0;  // v sign-inverted against the value the game gives
  float lr = 0, lg = 0, lb = 0;  // light vector, written by bump-mapped drawing
  float tx = 0, ty = 0, tz = 0;
  float bx = 0, by = 0, bz = 0;
  uint32_t colour = 0;  // 0x00BBGGRR or a marker
  uint8_t paletteIndex = 0;
  float r = 0, g = 0, b = 0, a = 0;

  Vec3 Position() const { return {x, y, z}; }
  void SetPosition(Vec3 p) { x = p.x, y = p.y, z = p.z; }
  Vec3 Normal() const { return {nx, ny, nz}; }
  void SetNormal(Vec3 n) { nx = n.x, ny = n.y, nz = n.z; }
  Vec3 Tangent() const { return {tx, ty, tz}; }
  void SetTangent(Vec3 t) { tx = t.x, ty = t.y, tz = t.z; }
  Vec3 Bitangent() const { return {bx, by, bz}; }
  void SetBitangent(Vec3 b) { bx = b.x, by = b.y, bz = b.z; }
  // Sets the packed colour and the four floats together (a marker: all 1).
  void SetColour(uint32_t c);
};
static_assert(sizeof(MeshVertex) == 92, "the vertex buffers rely on a 92-byte record");
static_assert(offsetof(MeshVertex, colour) == 68 && offsetof(MeshVertex, r) == 76);

// A record carrying only a marker colour.
MeshVertex MarkerVertex(uint32_t marker);

// Follows a stream's primitive markers record by record. Next takes the
// index and colour of the next record and says whether a triangle ends
// there; its record indices, wound so that strips keep one facing, are then
// in Triangle(). A stream starts in independent-triangle mode.
class TriangleWalk {
 public:
  bool Next(size_t index, uint32_t colour) {
    if (IsMarker(colour)) {
      mode_ = colour;
      have_ = 0;
      if (colour == kMarkerStrip) parity_ = 0;
      return false;
    }
    window_[have_++] = index;
    if (have_ < 3) return false;
    triangle_ = window_;
    if (mode_ == kMarkerStrip) {
      have_ = 2;
      window_[parity_] = window_[2];
      parity_ ^= 1;
    } else if (mode_ == kMarkerFan) {
      have_ = 2;
      window_[1] = window_[2];
    } else {
      have_ = 0;
    }
    return true;
  }
  const std::array<size_t, 3>& Triangle() const { return triangle_; }

 private:
  std::array<size_t, 3> window_{}, triangle_{};
  int have_ = 0;
  size_t parity_ = 0;
  uint32_t mode_ = kMarkerTriangles;
};

// Records of the triangle list Prepare builds from a stream: three per
// triangle its strips, fans and independent triangles make.
size_t TriangleRecordCount(const std::vector<MeshVertex>& stream);

// Reserves room for count records in an empty list. A list of megabytes
// asks the kernel for large pages first (unless the switch says not to):
// filling it then takes a few faults instead of one per 4 KB page, which
// for a big model is most of what loading it costs.
void ReserveRecords(std::vector<MeshVertex>& records, size_t count);

class TriangleBvh;

// Gives GL names back: one buffer-delete call for `buffers`, one
// texture-delete call for `textures`, zeros skipped. A mesh or slot holding
// names keeps the release of the code that made them, so freeing it needs
// no GL of its own (and a mesh that never drew has none to give back).
using GlNameRelease = void (*)(std::span<const uint32_t> buffers, std::span<const uint32_t> textures);

struct MeshFrame {
  std::vector<MeshVertex> stream;     // as given, markers included
  std::vector<MeshVertex> triangles;  // three per triangle, built by Prepare
  float radius = 0;
  Vec3 centre;
  // Search structure over the triangles, built by the first query that
  // needs it (triangle_bvh.h). Whatever changes the triangles drops it.
  mutable std::shared_ptr<const TriangleBvh> hierarchy;
  void DropHierarchy() { hierarchy.reset(); }
};

// The normal table model files index into.
constexpr int kNormalCount = 162;
const std::array<Vec3, kNormalCount>& NormalTable();
// Entries 162..255 give the zero vector: a damaged index then shows as an
// unlit spot instead of plausible but wrong shading.
Vec3 NormalFromIndex(uint8_t index);
// The entry for which |1 - n.t| is smallest (n normalised first; later
// entries win ties, an exact match ends the search).
uint8_t NearestNormalIndex(Vec3 n);

class MeshObject {
 public:
  MeshObject() = default;
  // Virtual so a mesh is always destroyed whole, whatever pointer owns it.
  virtual ~MeshObject() = default;
  MeshObject(const MeshObject&) = default;
  MeshObject& operator=(const MeshObject&) = default;

  virtual void Prepare() {}
  // How records at equal positions are found when welding: the hash, or
  // the scan it must agree with (kept as the reference to measure against).
  enum class WeldMethod { kHash, kScan };
  // Normals (optionally welding records at equal positions) and/or tangents
  // from the faces; a request already done is dropped. Runs Prepare after.
  void GenerateNormals(bool normals, bool weld, bool tangents, WeldMethod method = WeldMethod::kHash);
  // Every record's palette index; a palette holds at most 256 colours.
  void BuildPalette();
  // Bounding sphere of every frame from its triangle list.
  void ComputeBounds();
  int FrameCount() const { return static_cast<int>(frames.size()); }
  int VertexCount(int frame) const;

  // Frame 0's triangles, the records blending with a light mode and cartoon
  // outlines write into; made from frame 0 the first time they are needed,
  // so a model that never draws that way does not carry a third copy.
  std::vector<MeshVertex>& CurrentTriangles();

  std::vector<MeshFrame> frames;
  // Empty until CurrentTriangles() first makes it (Prepare empties it).
  std::vector<MeshVertex> currentTriangles;
  // A blended frame as drawn without a light mode: only the attributes the
  // draw uses, interleaved (scratch of the drawing code).
  std::vector<float> blendedStream;
  std::vector<uint32_t> palette;
  int normalsDone = 0;
  int tangentsDone = 0;
};

// Shadow-volume bookkeeping, one entry per edge of frame 0's triangles.
struct ShadowEdge {
  int32_t neighbour = -1;
  uint8_t silhouette = 0;
};

class MeshObjectX : public MeshObject {
 public:
  MeshObjectX();
  ~MeshObjectX() override;
  MeshObjectX(const MeshObjectX&) = delete;
  MeshObjectX& operator=(const MeshObjectX&) = delete;

  // Triangles of every frame from its stream, and the coloured flag; the
  // current triangles are made again from frame 0 when next needed.
  void Prepare() override;
  // What Prepare does besides the triangles, for a loader that built every
  // frame's triangles itself.
  void PrepareBesidesTriangles();
  // Empties everything and gives the GL names the mesh owns back.
  void Reset();
  // Gives the static vertex buffer back (its records changed); the next
  // draw makes and fills a new one.
  void DropStaticBuffer();
  // Positions scaled component-wise by s; normals, tangents and bitangents
  // follow the scaled surface and stay unit length. Bounds are recomputed.
  void Scale(Vec3 s);

  int coloured = 0;
  std::array<uint32_t, 2> buffers{};  // GL vertex buffer names, 0 when none
  uint32_t texture = 0;               // GL texture name, 0 when none
  float cartoonRowStep = 0;
  std::vector<ShadowEdge> shadowEdges;
  std::vector<uint8_t> shadowFacing;
  int textureA = 0;
  int textureB = 0;
  // How `buffers` and `texture` go back to GL; set by whoever made one.
  // Without it they are only forgotten.
  GlNameRelease glRelease = nullptr;
};

// The straightforward weld: entry of each record found by scanning the
// earlier entries for an equal position. Kept as the reference the hashed
// weld must agree with; -1 for markers.
std::vector<int> WeldByScan(const std::vector<MeshVertex>& stream);
// The same grouping through a hash of the exact position bits.
std::vector<int> WeldByHash(const std::vector<MeshVertex>& stream);

}  // namespace orv
