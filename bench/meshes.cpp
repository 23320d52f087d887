// Meshes: welded normals and bounds for a 100,000-triangle mesh, the hashed
// weld against the plain scan on the same data; and loading a .ddd file of
// that size against reading the same bytes with read().
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx3d/model_file.h"
#include "gfx3d/model_loading.h"

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

void ReadBytes(benchmark::State& state) {
  const std::string path = ModelPath();
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    bytes.resize(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    lseek(fd, 0, SEEK_SET);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(ReadBytes)->Name("load_ddd_100k/baseline")->Unit(benchmark::kMillisecond);

void LoadModel(benchmark::State& state) {
  const std::string path = ModelPath();
  orv::ModelSlot slot;
  for (auto _ : state) {
    if (!orv::LoadModelFile(path.c_str(), slot, 0, nullptr)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(slot.meshes.data());
  }
}
BENCHMARK(LoadModel)->Name("load_ddd_100k/load_object")->Unit(benchmark::kMillisecond);

}  // namespace
