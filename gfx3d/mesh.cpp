// Mesh processing: triangles from marker streams, palettes, normals and
// tangents (with welding of equal positions), bounds and scaling.
#include "gfx3d/mesh.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "runtime/switches.h"

namespace orv {
namespace {

const std::array<Vec3, kNormalCount> kNormals = {{
#include "gfx3d/normal_table.inc"
}};

// Walks a stream's primitives and calls emit(i0, i1, i2) with the record
// indices of every triangle.
template <typename Emit>
void WalkTriangles(const std::vector<MeshVertex>& stream, Emit&& emit) {
  TriangleWalk walk;
  for (size_t i = 0; i < stream.size(); ++i)
    if (walk.Next(i, stream[i].colour)) emit(walk.Triangle()[0], walk.Triangle()[1], walk.Triangle()[2]);
}

struct PositionKey {
  uint32_t bits[3];
  bool operator==(const PositionKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};

struct PositionKeyHash {
  size_t operator()(const PositionKey& k) const {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint32_t b : k.bits) h = (h ^ b) * 0xFF51AFD7ED558CCDull;
    return static_cast<size_t>(h ^ h >> 32);
  }
};

uint32_t FloatKey(float f) {
  if (f == 0) f = 0;  // -0 and +0 are the same position
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

}  // namespace

void MeshVertex::SetColour(uint32_t c) {
  colour = c;
  if (IsMarker(c)) {
    r = g = b = a = 1;
    return;
  }
  r = static_cast<float>(c & 0xFF) / 255.0f;
  g = static_cast<float>(c >> 8 & 0xFF) / 255.0f;
  b = static_cast<float>(c >> 16 & 0xFF) / 255.0f;
  a = 1;
}

MeshVertex MarkerVertex(uint32_t marker) {
  MeshVertex v;
  v.SetColour(marker);
  return v;
}

size_t TriangleRecordCount(const std::vector<MeshVertex>& stream) {
  size_t count = 0;
  WalkTriangles(stream, [&](size_t, size_t, size_t) { count += 3; });
  return count;
}

void ReserveRecords(std::vector<MeshVertex>& records, size_t count) {
  records.reserve(count);
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  if (records.capacity() * sizeof(MeshVertex) < 2 * kLargePage || Switches().noLargePages) return;
  // Only the whole large pages inside the list: the advice then never
  // reaches memory the list does not own.
  const uintptr_t start = reinterpret_cast<uintptr_t>(records.data());
  const uintptr_t begin = (start + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (start + records.capacity() * sizeof(MeshVertex)) & ~(kLargePage - 1);
  // Only advice: where large pages are not to be had, the list fills as usual.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

const std::array<Vec3, kNormalCount>& NormalTable() { return kNormals; }

Vec3 NormalFromIndex(uint8_t index) { return index < kNormalCount ? kNormals[index] : Vec3{}; }

uint8_t NearestNormalIndex(Vec3 n) {
  n = Normalized(n);
  float best = 10000;
  int bestIndex = 0;
  for (int i = 0; i < kNormalCount; ++i) {
    const float d = std::fabs(1 - Dot(n, kNormals[static_cast<size_t>(i)]));
    if (d <= best) {
      best = d;
      bestIndex = i;
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(bestIndex);
}

std::vector<int> WeldByScan(const std::vector<MeshVertex>& stream) {
  std::vector<int> entryOf(stream.size(), -1);
  std::vector<Vec3> entries;
  for (size_t i = 0; i < stream.size(); ++i) {
    if (IsMarker(stream[i].colour)) continue;
    const Vec3 p = stream[i].Position();
    int found = -1;
    for (size_t e = entries.size(); e-- > 0;)
      if (entries[e].x == p.x && entries[e].y == p.y && entries[e].z == p.z) {
        found = static_cast<int>(e);
        break;
      }
    if (found < 0) {
      found = static_cast<int>(entries.size());
      entries.push_back(p);
    }
    entryOf[i] = found;
  }
  return entryOf;
}

std::vector<int> WeldByHash(const std::vector<MeshVertex>& stream) {
  std::vector<int> entryOf(stream.size(), -1);
  // Open addressing with linear probing, kept at most half full: one flat
  // table sized by the distinct positions, so it stays in cache.
  struct Slot {
    PositionKey key;
    int entry = -1;
  };
  std::vector<Slot> table(1024);
  size_t mask = table.size() - 1;
  const PositionKeyHash hash;
  auto place = [&](const PositionKey& key) -> Slot& {
    size_t at = hash(key) & mask;
    while (table[at].entry >= 0 && !(table[at].key == key)) at = (at + 1) & mask;
    return table[at];
  };
  int count = 0, stored = 0;
  for (size_t i = 0; i < stream.size(); ++i) {
    const MeshVertex& v = stream[i];
    if (IsMarker(v.colour)) continue;
    // A position with a NaN equals nothing, not even itself.
    if (std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z)) {
      entryOf[i] = count++;
      continue;
    }
    const PositionKey key{{FloatKey(v.x), FloatKey(v.y), FloatKey(v.z)}};
    Slot* slot = &place(key);
    if (slot->entry < 0) {
      if (static_cast<size_t>(stored + 1) * 2 > table.size()) {
        std::vector<Slot> old(table.size() * 2);
        old.swap(table);
        mask = table.size() - 1;
        for (const Slot& o : old)
          if (o.entry >= 0) place(o.key) = o;
        slot = &place(key);
      }
      slot->key = key;
      slot->entry = count++;
      ++stored;
    }
    entryOf[i] = slot->entry;
  }
  return entryOf;
}

std::vector<MeshVertex>& MeshObject::CurrentTriangles() {
  if (currentTriangles.empty() && !frames.empty()) {
    const std::vector<MeshVertex>& first = frames[0].triangles;
    ReserveRecords(currentTriangles, first.size());
    currentTriangles.assign(first.begin(), first.end());
  }
  return currentTriangles;
}

int MeshObject::VertexCount(int frame) const {
  if (frame < 0 || frame >= FrameCount()) return 0;
  return static_cast<int>(frames[static_cast<size_t>(frame)].stream.size());
}

void MeshObject::BuildPalette() {
  palette.clear();
  // Markers must always find a place, or a saved file would lose its
  // primitive structure; ordinary colours share what is left of the 256.
  bool markerSeen[4] = {false, false, false, false};
  for (const MeshFrame& f : frames)
    for (const MeshVertex& v : f.stream)
      if (IsMarker(v.colour)) markerSeen[0xFFFFFFFFu - v.colour] = true;
  const size_t colourRoom = 256 - static_cast<size_t>(markerSeen[0] + markerSeen[1] + markerSeen[2] + markerSeen[3]);
  size_t colours = 0;
  std::unordered_map<uint32_t, uint8_t> index;
  for (MeshFrame& f : frames)
    for (MeshVertex& v : f.stream) {
      auto it = index.find(v.colour);
      if (it != index.end()) {
        v.paletteIndex = it->second;
        continue;
      }
      const bool marker = IsMarker(v.colour);
      if (marker || colours < colourRoom) {
        colours += !marker;
        v.paletteIndex = static_cast<uint8_t>(palette.size());
        index.emplace(v.colour, v.paletteIndex);
        palette.push_back(v.colour);
        continue;
      }
      // Palette full: the nearest colour already in it.
      int64_t bestDistance = INT64_MAX;
      for (size_t p = 0; p < palette.size(); ++p) {
        if (IsMarker(palette[p])) continue;
        int64_t d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          const int64_t delta = static_cast<int64_t>(v.colour >> shift & 0xFF) - (palette[p] >> shift & 0xFF);
          d += delta * delta;
        }
        if (d < bestDistance) {
          bestDistance = d;
          v.paletteIndex = static_cast<uint8_t>(p);
        }
      }
    }
}

void MeshObject::ComputeBounds() {
  for (MeshFrame& f : frames) {
    f.centre = {};
    f.radius = 0;
    if (f.triangles.empty()) continue;
    Vec3 sum;
    for (const MeshVertex& v : f.triangles) sum += v.Position();
    f.centre = sum * (1.0f / static_cast<float>(f.triangles.size()));
    for (const MeshVertex& v : f.triangles) {
      const float d = Length(v.Position() - f.centre);
      if (d > f.radius) f.radius = d;
    }
  }
}

void MeshObject::GenerateNormals(bool normals, bool weld, bool tangents, WeldMethod method) {
  if (frames.empty() || frames[0].stream.empty()) return;
  if (normalsDone) normals = false;
  if (tangentsDone) tangents = false;
  if (!normals && !tangents) return;
  normalsDone = 1;
  struct Sums {
    Vec3 normal, tangent, bitangent;
  };
  for (MeshFrame& f : frames) {
    std::vector<MeshVertex>& s = f.stream;
    std::vector<int> entryOf;
    if (weld) {
      entryOf = method == WeldMethod::kHash ? WeldByHash(s) : WeldByScan(s);
    } else {
      entryOf.assign(s.size(), -1);
      for (size_t i = 0; i < s.size(); ++i)
        if (!IsMarker(s[i].colour)) entryOf[i] = static_cast<int>(i);
    }
    int entries = 0;
    for (int e : entryOf) entries = std::max(entries, e + 1);
    std::vector<Sums> sums(static_cast<size_t>(entries));
    // The triangles are the ones drawn, wound the way they are drawn, so
    // strip and fan faces all add their normals with one orientation.
    WalkTriangles(s, [&](size_t i0, size_t i1, size_t i2) {
      const Vec3 p0 = s[i0].Position(), p1 = s[i1].Position(), p2 = s[i2].Position();
      const Vec3 n = Cross(p2 - p1, p1 - p0);
      const size_t e[3] = {static_cast<size_t>(entryOf[i0]), static_cast<size_t>(entryOf[i1]),
                           static_cast<size_t>(entryOf[i2])};
      for (size_t k : e) sums[k].normal += n;
      if (!tangents) return;
      const Vec3 e1 = p1 - p0, e2 = p2 - p0;
      const float du1 = s[i1].u - s[i0].u, du2 = s[i2].u - s[i0].u;
      const float dv1 = s[i1].v - s[i0].v, dv2 = s[i2].v - s[i0].v;
      const float d = du1 * dv2 - dv1 * du2;
      // A degenerate uv mapping has no defined tangent: it adds nothing.
      if (!(std::fabs(d) > 0.00001f)) return;
      const Vec3 t = (e1 * dv2 - e2 * dv1) * (1 / d);
      const Vec3 b = (e2 * du1 - e1 * du2) * (1 / d);
      for (size_t k : e) {
        sums[k].tangent += t;
        sums[k].bitangent += b;
      }
    });
    for (size_t i = 0; i < s.size(); ++i) {
      if (entryOf[i] < 0) continue;
      const Sums& sum = sums[static_cast<size_t>(entryOf[i])];
      if (normals) s[i].SetNormal(Normalized(sum.normal));
      if (tangents) {
        s[i].SetTangent(Normalized(sum.tangent));
        s[i].SetBitangent(Normalized(sum.bitangent));
      }
    }
  }
  if (tangents) tangentsDone = 1;
  Prepare();
}

MeshObjectX::MeshObjectX() {
  shadowEdges.reserve(64);
  shadowFacing.reserve(64);
}

MeshObjectX::~MeshObjectX() { Reset(); }

void MeshObjectX::Prepare() {
  for (MeshFrame& f : frames) {
    f.DropHierarchy();
    const size_t count = TriangleRecordCount(f.stream);
    f.triangles.clear();
    ReserveRecords(f.triangles, count);
    WalkTriangles(f.stream, [&](size_t i0, size_t i1, size_t i2) {
      f.triangles.push_back(f.stream[i0]);
      f.triangles.push_back(f.stream[i1]);
      f.triangles.push_back(f.stream[i2]);
    });
  }
  PrepareBesidesTriangles();
}

void MeshObjectX::PrepareBesidesTriangles() {
  currentTriangles.clear();
  coloured = 0;
  for (uint32_t c : palette)
    if (!IsMarker(c) && c != 0x00FFFFFFu) coloured = 1;
}

void MeshObjectX::Reset() {
  frames.clear();
  currentTriangles.clear();
  palette.clear();
  normalsDone = tangentsDone = 0;
  shadowEdges = {};
  shadowEdges.reserve(64);
  shadowFacing = {};
  shadowFacing.reserve(64);
  if (glRelease && (buffers[0] || buffers[1] || texture))
    glRelease(buffers, texture ? std::span<const uint32_t>(&texture, 1) : std::span<const uint32_t>());
  buffers = {};
  texture = 0;
}

void MeshObjectX::DropStaticBuffer() {
  if (glRelease && buffers[0]) glRelease(std::span<const uint32_t>(&buffers[0], 1), {});
  buffers[0] = 0;
}

void MeshObjectX::Scale(Vec3 s) {
  // Directions in the surface stretch like positions; normals by the
  // inverse, which up to length is the product of the other two factors.
  const Vec3 normalFactor{s.y * s.z, s.x * s.z, s.x * s.y};
  auto scale = [&](MeshVertex& v) {
    v.SetPosition({v.x * s.x, v.y * s.y, v.z * s.z});
    if (IsMarker(v.colour)) return;
    v.SetNormal(Normalized({v.nx * normalFactor.x, v.ny * normalFactor.y, v.nz * normalFactor.z}));
    v.SetTangent(Normalized({v.tx * s.x, v.ty * s.y, v.tz * s.z}));
    v.SetBitangent(Normalized({v.bx * s.x, v.by * s.y, v.bz * s.z}));
  };
  for (MeshFrame& f : frames) {
    f.DropHierarchy();
    for (MeshVertex& v : f.stream) scale(v);
    for (MeshVertex& v : f.triangles) scale(v);
  }
  currentTriangles.clear();
  ComputeBounds();
}

}  // namespace orv
