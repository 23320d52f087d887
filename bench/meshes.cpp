// Meshes: welded normals and bounds for a 100,000-triangle mesh, the hashed
// weld against the plain scan on the same data; and loading a .ddd file of
// that size against a plain loader keeping the same records, and against
// reading the same bytes with read().
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx3d/model_file.h"
#include "gfx3d/model_loading.h"
#include "runtime/runtime_state.h"

namespace {

// A wavy grid of independent triangles: 224 x 224 quads, two triangles
// each (100,352), every inner position shared by six records.
constexpr int kSide = 224;

std::vector<orv::MeshFrame> GridFrames() {
  std::vector<orv::MeshFrame> frames(1);
  auto& s = frames[0].stream;
  s.push_back(orv::MarkerVertex(orv::kMarkerTriangles));
  auto at = [](int x, int z) {
    orv::MeshVertex v;
    const float fx = static_cast<float>(x), fz = static_cast<float>(z);
    v.SetPosition({fx, static_cast<float>((x * 7 + z * 13) % 5) * 0.25f, fz});
    v.SetColour(0xFFFFFF);
    return v;
  };
  for (int z = 0; z < kSide; ++z)
    for (int x = 0; x < kSide; ++x)
      for (auto [dx, dz] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {1, 1}}) s.push_back(at(x + dx, z + dz));
  return frames;
}

void Normals(benchmark::State& state, orv::MeshObject::WeldMethod method) {
  const std::vector<orv::MeshFrame> source = GridFrames();
  for (auto _ : state) {
    orv::MeshObjectX mesh;
    mesh.frames = source;
    mesh.GenerateNormals(true, true, false, method);
    mesh.ComputeBounds();
    benchmark::DoNotOptimize(mesh.frames[0].radius);
  }
}
BENCHMARK_CAPTURE(Normals, scan, orv::MeshObject::WeldMethod::kScan)
    ->Name("welded_normals_100k/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Normals, hash, orv::MeshObject::WeldMethod::kHash)
    ->Name("welded_normals_100k/hash")->Unit(benchmark::kMillisecond);

std::string ModelPath() {
  static std::string path;
  if (path.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane-bench-grid.ddd";
    orv::MeshObjectX mesh;
    mesh.frames = GridFrames();
    mesh.BuildPalette();
    const std::vector<uint8_t> bytes = orv::WriteDdd(mesh);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  return path;
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::vector<uint8_t> bytes;
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  bytes.resize(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
  lseek(fd, 0, SEEK_SET);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(done);
  return bytes;
}

void ReadBytes(benchmark::State& state) {
  const std::string path = ModelPath();
  for (auto _ : state) {
    std::vector<uint8_t> bytes = ReadWhole(path);
    benchmark::DoNotOptimize(bytes.data());
  }
}

// The peer: a .ddd loader as one would write it for one's own game, keeping
// what the runtime keeps of a loaded model: the palette, every frame's
// records and the triangles made of them, and each frame's bounding sphere.
struct PeerFrame {
  std::vector<orv::MeshVertex> stream, triangles;
  orv::Vec3 centre;
  float radius = 0;
};
struct PeerModel {
  std::vector<uint32_t> palette;
  std::vector<PeerFrame> frames;
};

bool PeerLoad(const std::string& path, PeerModel& model) {
  const std::vector<uint8_t> file = ReadWhole(path);
  const uint8_t* p = file.data();
  const uint8_t* const end = p + file.size();
  auto get = [&](auto& value) {
    if (static_cast<size_t>(end - p) < sizeof value) return false;
    std::memcpy(&value, p, sizeof value);
    p += sizeof value;
    return true;
  };
  int32_t magic, frames, colours, uvs;
  double version;
  if (!get(magic) || magic != orv::kDddMagic || !get(version) || version < 1.02 || version > 2.0 || !get(frames) ||
      !get(colours) || !get(uvs) || frames < 0 || colours < 0 || uvs < 0 ||
      static_cast<size_t>(end - p) < 4 * static_cast<size_t>(colours) + 8 * static_cast<size_t>(uvs))
    return false;
  const bool compressed = version < 2.0;
  model.palette.assign(reinterpret_cast<const uint32_t*>(p), reinterpret_cast<const uint32_t*>(p) + colours);
  p += 4 * static_cast<size_t>(colours);
  std::vector<float> uv(static_cast<size_t>(uvs) * 2);
  std::memcpy(uv.data(), p, uv.size() * 4);
  p += uv.size() * 4;
  model.frames.clear();
  model.frames.reserve(static_cast<size_t>(frames));
  for (int32_t f = 0; f < frames; ++f) {
    int32_t count;
    float offset[3] = {0, 0, 0}, scale[3] = {1, 1, 1};
    if (!get(count) || count < 0 || (compressed && (!get(offset) || !get(scale)))) return false;
    const size_t size = compressed ? 5 : 14;
    if (static_cast<size_t>(end - p) / size < static_cast<size_t>(count)) return false;
    PeerFrame& frame = model.frames.emplace_back();
    frame.stream.reserve(static_cast<size_t>(count));
    frame.triangles.reserve(3 * static_cast<size_t>(count));
    size_t window[3];
    int have = 0, parity = 0;
    uint32_t mode = orv::kMarkerTriangles;
    for (size_t i = 0; i < static_cast<size_t>(count); ++i, p += size) {
      orv::MeshVertex v;
      if (compressed) {
        v.SetPosition({(p[0] - offset[0]) * scale[0], (p[1] - offset[1]) * scale[1], (p[2] - offset[2]) * scale[2]});
        v.SetTangent(orv::NormalTable()[0]);
        v.SetBitangent(orv::NormalTable()[0]);
      } else {
        std::memcpy(&v.x, p, 12);
      }
      const uint8_t normal = p[size - 2], colour = p[size - 1];
      if (colour >= model.palette.size()) return false;
      v.SetNormal(orv::NormalFromIndex(normal));
      v.SetColour(model.palette[colour]);
      v.paletteIndex = colour;
      if (i < static_cast<size_t>(uvs)) v.u = uv[2 * i], v.v = compressed ? -uv[2 * i + 1] : uv[2 * i + 1];
      frame.stream.push_back(v);
      if (orv::IsMarker(v.colour)) {
        mode = v.colour, have = 0;
        if (mode == orv::kMarkerStrip) parity = 0;
        continue;
      }
      window[have++] = i;
      if (have < 3) continue;
      for (size_t k : window) frame.triangles.push_back(frame.stream[k]);
      if (mode == orv::kMarkerStrip) {
        have = 2, window[parity] = window[2], parity ^= 1;
      } else if (mode == orv::kMarkerFan) {
        have = 2, window[1] = window[2];
      } else {
        have = 0;
      }
    }
    orv::Vec3 sum;
    for (const orv::MeshVertex& v : frame.triangles) sum += v.Position();
    if (!frame.triangles.empty()) frame.centre = sum * (1.0f / static_cast<float>(frame.triangles.size()));
    for (const orv::MeshVertex& v : frame.triangles)
      frame.radius = std::max(frame.radius, orv::Length(v.Position() - frame.centre));
  }
  return true;
}

// Both loaders must keep the same records, or the comparison means nothing.
bool SameRecords(const PeerModel& peer, const orv::MeshObjectX& mesh) {
  auto same = [](const std::vector<orv::MeshVertex>& a, const std::vector<orv::MeshVertex>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(orv::MeshVertex)) == 0;
  };
  if (peer.palette != mesh.palette || peer.frames.size() != mesh.frames.size()) return false;
  for (size_t f = 0; f < peer.frames.size(); ++f) {
    const PeerFrame& a = peer.frames[f];
    const orv::MeshFrame& b = mesh.frames[f];
    if (!same(a.stream, b.stream) || !same(a.triangles, b.triangles) || a.radius != b.radius ||
        a.centre.x != b.centre.x || a.centre.y != b.centre.y || a.centre.z != b.centre.z)
      return false;
  }
  return true;
}

// Minor page faults of the process so far: most of a load's system time
// is the kernel handing out fresh pages for the records.
double PageFaults() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return static_cast<double>(use.ru_minflt);
}

void PeerLoader(benchmark::State& state) {
  const std::string path = ModelPath();
  PeerModel model;
  orv::ModelSlot slot;
  if (!PeerLoad(path, model) || !orv::LoadModelFile(path.c_str(), slot, 0, nullptr) ||
      !SameRecords(model, *slot.meshes[0])) {
    state.SkipWithError("the peer keeps other records than the runtime");
    return;
  }
  slot.Free();
  const double faults = PageFaults();
  for (auto _ : state) {
    // Each round starts from nothing, as a load into a slot does.
    model = PeerModel();
    if (!PeerLoad(path, model)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(model.frames.data());
  }
  state.counters["faults"] = benchmark::Counter(PageFaults() - faults, benchmark::Counter::kAvgIterations);
}

void LoadModel(benchmark::State& state, bool largePages) {
  const std::string path = ModelPath();
  orv::Rt().switches.noLargePages = !largePages;
  orv::ModelSlot slot;
  const double faults = PageFaults();
  for (auto _ : state) {
    if (!orv::LoadModelFile(path.c_str(), slot, 0, nullptr)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(slot.meshes.data());
  }
  state.counters["faults"] = benchmark::Counter(PageFaults() - faults, benchmark::Counter::kAvgIterations);
  orv::Rt().switches.noLargePages = false;
}

// Loading against the peer, and against reading the bytes alone; the
// runtime also as with ORVANE_NO_LARGE_PAGES=1. Run with
// --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true.
BENCHMARK(PeerLoader)->Name("load_ddd_100k/baseline")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(LoadModel, large, true)
    ->Name("load_ddd_100k/load_object")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(LoadModel, small, false)
    ->Name("load_ddd_100k/load_object_small_pages")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(ReadBytes)->Name("load_ddd_100k_vs_read/baseline")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(LoadModel, large, true)
    ->Name("load_ddd_100k_vs_read/load_object")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
