// Shadow edge data: building the edge adjacency of a 100,000-triangle mesh
// with the hash, against the pairwise search, and the same mesh far from
// the origin. The search is quadratic, so it
// runs on a 5,000-triangle cut of the same kind of mesh and its time is
// scaled by the square of the size ratio; both give identical edges (checked
// on the smaller mesh before timing).
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "gfx3d/shadow_edges.h"

namespace {

// A wavy grid of independent triangles, side x side quads, two triangles
// each; every inner corner is shared by six records.
std::vector<orv::MeshVertex> Grid(int side) {
  std::vector<orv::MeshVertex> tris;
  auto at = [](int x, int z) {
    orv::MeshVertex v;
    v.SetPosition({static_cast<float>(x), static_cast<float>((x * 7 + z * 13) % 5) * 0.25f, static_cast<float>(z)});
    return v;
  };
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x)
      for (auto [dx, dz] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {1, 1}}) tris.push_back(at(x + dx, z + dz));
  return tris;
}

constexpr int kLargeSide = 224;  // 100,352 triangles
constexpr int kSmallSide = 50;   // 5,000 triangles

void Scan(benchmark::State& state) {
  const std::vector<orv::MeshVertex> small = Grid(kSmallSide);
  std::vector<int> a, b;
  for (const orv::ShadowEdge& e : orv::FindShadowEdges(small)) a.push_back(e.neighbour);
  for (const orv::ShadowEdge& e : orv::FindShadowEdgesByScan(small)) b.push_back(e.neighbour);
  if (a != b) {
    state.SkipWithError("hash and scan disagree");
    return;
  }
  const double scale = static_cast<double>(kLargeSide) * kLargeSide / (kSmallSide * kSmallSide);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(orv::FindShadowEdgesByScan(small));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count() * scale * scale);
  }
}
BENCHMARK(Scan)->Name("shadow_edges_100k/baseline")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void Hash(benchmark::State& state) {
  const std::vector<orv::MeshVertex> large = Grid(kLargeSide);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(orv::FindShadowEdges(large));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
  }
}
// Manual time on both sides, so the two share a group in the ratio table.
BENCHMARK(Hash)->Name("shadow_edges_100k/hash")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// The same mesh scaled far out (1e14 per unit): every coordinate still its
// own value, but beyond where a grid index of a fixed-size integer reaches.
void HashFarOut(benchmark::State& state) {
  std::vector<orv::MeshVertex> large = Grid(kLargeSide);
  for (orv::MeshVertex& v : large) v.SetPosition({v.x * 1e14f, v.y * 1e14f, v.z * 1e14f});
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(orv::FindShadowEdges(large));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
  }
}
BENCHMARK(HashFarOut)->Name("shadow_edges_100k/hash_far_out")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
