#include "gfx3d/model_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "runtime/byte_reader.h"
#include "runtime/error_state.h"

namespace orv {
namespace {

enum class ReadResult { kOk, kReadError, kAllocError };

struct Uv {
  float u = 0, v = 0;
};

float FloatFrom(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

uint32_t BitsOf(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

// The memory a load has left to take. Every frame and record is counted
// here before it is allocated, so a file that would need more than its
// budget is refused without taking it.
class MemoryBudget {
 public:
  explicit MemoryBudget(size_t bytes) : left_(bytes) {}
  // Takes room for count items of size bytes; false when it is not there.
  bool Take(size_t count, size_t size) {
    if (count > left_ / size) return false;
    left_ -= count * size;
    return true;
  }
  // A frame's records and the triangle records Prepare will make of them;
  // frame 0's triangles twice, for their copy among the current triangles.
  bool TakeFrame(size_t records, size_t triangleRecords, bool first) {
    return Take(1, sizeof(MeshFrame)) && Take(records, sizeof(MeshVertex)) &&
           Take(triangleRecords, sizeof(MeshVertex)) && (!first || Take(triangleRecords, sizeof(MeshVertex)));
  }

 private:
  size_t left_;
};

ReadResult ReadBinary(ByteReader& in, MeshObjectX& mesh, MemoryBudget& budget) {
  const uint64_t low = in.U32(), high = in.U32();
  const uint64_t versionBits = low | high << 32;
  double version;
  std::memcpy(&version, &versionBits, 8);
  if (!in.Ok()) return ReadResult::kReadError;
  if (!(version >= 1.02 && version <= kDddNewestVersion)) {
    LogFormat("Wrong .ddd version: %.2f. Can use 1.02-%.2f\n", version, kDddNewestVersion);
    return ReadResult::kReadError;
  }
  const bool compressed = version < 2.0;
  const int32_t frameCount = in.I32(), paletteCount = in.I32(), uvCount = in.I32();
  if (!in.Ok() || frameCount < 0 || paletteCount < 0 || uvCount < 0) return ReadResult::kReadError;
  if (static_cast<size_t>(paletteCount) > in.Left() / 4) return ReadResult::kReadError;
  mesh.palette.resize(static_cast<size_t>(paletteCount));
  for (uint32_t& c : mesh.palette) c = in.U32();
  if (static_cast<size_t>(uvCount) > in.Left() / 8) return ReadResult::kReadError;
  // Read where it lies in the file, pair i for record i of every frame.
  const size_t uvPairs = static_cast<size_t>(uvCount);
  const uint8_t* const uvs = in.Here();
  in.Skip(uvPairs * 8);
  if (static_cast<size_t>(frameCount) > in.Left() / 4) return ReadResult::kReadError;
  // Colour fields once per palette entry rather than once per record; a
  // record's index is one byte, so only the first 256 entries can be used.
  std::vector<MeshVertex> coloured(std::min<size_t>(mesh.palette.size(), 256));
  for (size_t p = 0; p < coloured.size(); ++p) {
    coloured[p].SetColour(mesh.palette[p]);
    coloured[p].paletteIndex = static_cast<uint8_t>(p);
  }
  if (!budget.Take(static_cast<size_t>(frameCount), sizeof(MeshFrame))) return ReadResult::kAllocError;
  mesh.frames.resize(static_cast<size_t>(frameCount));
  const size_t recordSize = compressed ? 5 : 14;
  const Vec3 firstNormal = NormalTable()[0];
  for (MeshFrame& frame : mesh.frames) {
    const int32_t count = in.I32();
    float offset[3] = {0, 0, 0}, scale[3] = {1, 1, 1};
    if (compressed) {
      for (float& o : offset) o = FloatFrom(in.U32());
      for (float& s : scale) s = FloatFrom(in.U32());
    }
    if (!in.Ok() || count < 0 || static_cast<size_t>(count) > in.Left() / recordSize) return ReadResult::kReadError;
    const size_t records = static_cast<size_t>(count);
    const uint8_t* const first = in.Here();
    in.Skip(records * recordSize);
    if (!budget.Take(records, sizeof(MeshVertex))) return ReadResult::kAllocError;
    // The triangles follow from where the markers are: one look over the
    // palette indices counts them, so both lists are made at their final
    // size, once, and filled in a single pass.
    TriangleWalk walk;
    size_t triangleRecords = 0;
    for (size_t i = 0; i < records; ++i) {
      const uint8_t index = first[i * recordSize + recordSize - 1];
      // An index past the palette can only come from a damaged file.
      if (index >= coloured.size()) return ReadResult::kReadError;
      if (walk.Next(i, coloured[index].colour)) triangleRecords += 3;
    }
    if (!budget.Take(triangleRecords, sizeof(MeshVertex)) ||
        (&frame == &mesh.frames[0] && !budget.Take(triangleRecords, sizeof(MeshVertex))))
      return ReadResult::kAllocError;
    ReserveRecords(frame.stream, records);
    ReserveRecords(frame.triangles, triangleRecords);
    walk = TriangleWalk();
    const uint8_t* p = first;
    for (size_t i = 0; i < records; ++i, p += recordSize) {
      MeshVertex& v = frame.stream.emplace_back(coloured[p[recordSize - 1]]);
      if (compressed) {
        v.SetPosition({(p[0] - offset[0]) * scale[0], (p[1] - offset[1]) * scale[1], (p[2] - offset[2]) * scale[2]});
        v.SetTangent(firstNormal);
        v.SetBitangent(firstNormal);
      } else {
        v.SetPosition({FloatFrom(LoadLe32(p)), FloatFrom(LoadLe32(p + 4)), FloatFrom(LoadLe32(p + 8))});
      }
      v.SetNormal(NormalFromIndex(p[recordSize - 2]));
      // A uv table shorter than the frame leaves the rest at (0, 0).
      if (i < uvPairs) {
        v.u = FloatFrom(LoadLe32(uvs + 8 * i));
        v.v = FloatFrom(LoadLe32(uvs + 8 * i + 4));
        if (compressed) v.v = -v.v;
      }
      if (walk.Next(i, v.colour))
        for (size_t k : walk.Triangle()) frame.triangles.push_back(frame.stream[k]);
    }
  }
  if (!in.Ok()) return ReadResult::kReadError;
  mesh.normalsDone = 1;
  return ReadResult::kOk;
}

// Blank-separated tokens with "#" comments running to the end of the line.
class TextTokens {
 public:
  explicit TextTokens(std::span<const uint8_t> data) : data_(data) {}

  // The next token; false at the end of the data.
  bool Next(std::string_view& token) {
    for (;;) {
      while (pos_ < data_.size() && IsBlank(data_[pos_])) ++pos_;
      if (pos_ >= data_.size()) return false;
      if (data_[pos_] != '#') break;
      while (pos_ < data_.size() && data_[pos_] != '\n') ++pos_;
    }
    const size_t start = pos_;
    // Tokens are at most 1023 characters; a longer run continues as the next.
    while (pos_ < data_.size() && pos_ - start < 1023 && !IsBlank(data_[pos_]) && data_[pos_] != '#') ++pos_;
    token = std::string_view(reinterpret_cast<const char*>(data_.data()) + start, pos_ - start);
    return true;
  }

  // The next token as a number (0 when it is not one); false at the end.
  bool Number(float& value) {
    std::string_view t;
    if (!Next(t)) return false;
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    value = 0;
    std::from_chars(t.data(), t.data() + t.size(), value);
    return true;
  }

  // A number taken as an int by truncation; NaN gives 0, beyond the int range the nearest end.
  bool Int(int64_t& value) {
    float f;
    if (!Number(f)) return false;
    if (std::isnan(f)) value = 0;
    else if (f >= 2147483647.0f) value = 2147483647;
    else if (f <= -2147483648.0f) value = -2147483648ll;
    else value = static_cast<int64_t>(f);
    return true;
  }

 private:
  static bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

ReadResult ReadText(std::span<const uint8_t> data, MeshObjectX& mesh, int normalMode, MemoryBudget& budget) {
  TextTokens in(data);
  std::string_view word;
  float version;
  if (!in.Next(word) || word != "DDDA" || !in.Number(version) || !(version <= 1.1f)) return ReadResult::kReadError;
  const bool hasNormals = version >= 1.1f;

  int64_t uvCount;
  if (!in.Int(uvCount)) return ReadResult::kReadError;
  std::vector<Uv> uvs;
  for (int64_t i = 0; i < uvCount; ++i) {
    Uv t;
    if (!in.Number(t.u) || !in.Number(t.v)) return ReadResult::kReadError;
    uvs.push_back(t);
  }

  struct Corner {
    int64_t vertex, uv;
  };
  struct Face {
    uint32_t colour;
    std::vector<Corner> corners;
  };
  int64_t faceCount;
  if (!in.Int(faceCount)) return ReadResult::kReadError;
  std::vector<Face> faces;
  // Every frame repeats all faces, each a marker and a fan over its corners.
  size_t recordsPerFrame = 0, trianglesPerFrame = 0;
  int64_t highestVertex = -1;
  for (int64_t f = 0; f < faceCount; ++f) {
    int64_t red, green, blue, cornerCount;
    if (!in.Int(red) || !in.Int(green) || !in.Int(blue) || !in.Int(cornerCount)) return ReadResult::kReadError;
    Face face;
    face.colour = static_cast<uint32_t>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
    for (int64_t k = 0; k < cornerCount; ++k) {
      Corner c;
      if (!in.Int(c.vertex) || !in.Int(c.uv)) return ReadResult::kReadError;
      // Corners must name a vertex, and a uv entry when the file has uvs.
      if (c.vertex < 0 || (!uvs.empty() && (c.uv < 0 || static_cast<uint64_t>(c.uv) >= uvs.size())))
        return ReadResult::kReadError;
      if (c.vertex > highestVertex) highestVertex = c.vertex;
      face.corners.push_back(c);
    }
    recordsPerFrame += 1 + face.corners.size();
    if (face.corners.size() >= 3) trianglesPerFrame += 3 * (face.corners.size() - 2);
    faces.push_back(std::move(face));
  }

  int64_t frameCount;
  if (!in.Int(frameCount)) return ReadResult::kReadError;
  std::vector<MeshVertex> vertices;
  for (int64_t f = 0; f < frameCount; ++f) {
    int64_t vertexCount;
    if (!in.Int(vertexCount)) return ReadResult::kReadError;
    vertices.clear();
    for (int64_t i = 0; i < vertexCount; ++i) {
      float p[6] = {0, 0, 0, 0, 0, 0};
      for (int k = 0; k < (hasNormals ? 6 : 3); ++k)
        if (!in.Number(p[k])) return ReadResult::kReadError;
      MeshVertex v;
      v.SetPosition({p[0], p[1], p[2]});
      v.SetNormal({p[3], p[4], p[5]});
      vertices.push_back(v);
    }
    if (highestVertex >= static_cast<int64_t>(vertices.size())) return ReadResult::kReadError;
    if (!budget.TakeFrame(recordsPerFrame, trianglesPerFrame, f == 0)) return ReadResult::kAllocError;
    MeshFrame& frame = mesh.frames.emplace_back();
    frame.stream.reserve(recordsPerFrame);
    for (const Face& face : faces) {
      frame.stream.push_back(MarkerVertex(kMarkerFan));
      for (const Corner& c : face.corners) {
        MeshVertex v = vertices[static_cast<size_t>(c.vertex)];
        if (!uvs.empty()) {
          v.u = uvs[static_cast<size_t>(c.uv)].u;
          v.v = -uvs[static_cast<size_t>(c.uv)].v;
        }
        v.SetColour(face.colour);
        frame.stream.push_back(v);
      }
    }
  }
  mesh.BuildPalette();
  // Files without normals get them from the faces, the way built models do.
  if (!hasNormals && normalMode != 0) mesh.GenerateNormals(true, normalMode == 2, false);
  mesh.normalsDone = 1;
  return ReadResult::kOk;
}

}  // namespace

size_t ModelMemoryBudget(size_t fileSize, size_t limit) {
  // Small files may always take a little: a few faces can honestly make a
  // mesh many times their size.
  constexpr size_t kSmallModelBytes = size_t{1} << 20;
  if (fileSize > (SIZE_MAX - kSmallModelBytes) / kModelBytesPerFileByte) return limit;
  return std::min(fileSize * kModelBytesPerFileByte + kSmallModelBytes, limit);
}

bool ReadModel(std::span<const uint8_t> data, const char* name, MeshObjectX& mesh, int normalMode, size_t memoryLimit) {
  mesh.Reset();
  ReadResult result;
  try {
    MemoryBudget budget(ModelMemoryBudget(data.size(), memoryLimit));
    ByteReader in(data);
    const int32_t magic = in.I32();
    const bool binary = in.Ok() && magic == kDddMagic;
    result = binary ? ReadBinary(in, mesh, budget) : ReadText(data, mesh, normalMode, budget);
    if (result == ReadResult::kOk) {
      // The binary reader builds each frame's triangles as it reads.
      if (binary)
        mesh.PrepareBesidesTriangles();
      else
        mesh.Prepare();
      mesh.ComputeBounds();
    }
  } catch (const std::bad_alloc&) {
    result = ReadResult::kAllocError;
  }
  if (result == ReadResult::kOk) return true;
  if (result == ReadResult::kAllocError) {
    LogAllocationFailure(name);
  } else {
    LogLine("# read error\n");
    LogFormat("%s\n", name ? name : "");
  }
  mesh.Reset();
  return Fail(kErrNoSuchFile, false);
}

bool IsSceneFile(std::span<const uint8_t> data) { return data.size() >= 4 && std::memcmp(data.data(), ";DDW", 4) == 0; }

bool LoadMeshSlot(std::span<const uint8_t> data, const char* name, ModelSlot& slot, int normalMode) {
  slot.Free();
  slot.meshes.push_back(std::make_unique<MeshObjectX>());
  MeshObjectX& mesh = *slot.meshes[0];
  if (ReadModel(data, name, mesh, normalMode) && !mesh.frames.empty() && !mesh.frames[0].stream.empty()) {
    slot.inUse = 1;
    slot.scene = 0;
    return true;
  }
  slot.Free();
  return false;
}

std::vector<uint8_t> WriteDdd(const MeshObjectX& mesh) {
  std::vector<uint8_t> out;
  if (mesh.frames.empty()) return out;
  const std::vector<MeshVertex>& first = mesh.frames[0].stream;
  AppendLe32(out, static_cast<uint32_t>(kDddMagic));
  uint64_t versionBits;
  std::memcpy(&versionBits, &kDddNewestVersion, 8);
  AppendLe32(out, static_cast<uint32_t>(versionBits));
  AppendLe32(out, static_cast<uint32_t>(versionBits >> 32));
  AppendLe32(out, static_cast<uint32_t>(mesh.frames.size()));
  AppendLe32(out, static_cast<uint32_t>(mesh.palette.size()));
  AppendLe32(out, static_cast<uint32_t>(first.size()));
  for (uint32_t c : mesh.palette) AppendLe32(out, c);
  for (const MeshVertex& v : first) {
    AppendLe32(out, BitsOf(v.u));
    AppendLe32(out, BitsOf(v.v));
  }
  for (const MeshFrame& frame : mesh.frames) {
    AppendLe32(out, static_cast<uint32_t>(frame.stream.size()));
    for (const MeshVertex& v : frame.stream) {
      AppendLe32(out, BitsOf(v.x));
      AppendLe32(out, BitsOf(v.y));
      AppendLe32(out, BitsOf(v.z));
      out.push_back(NearestNormalIndex(v.Normal()));
      out.push_back(v.paletteIndex);
    }
  }
  return out;
}

}  // namespace orv
