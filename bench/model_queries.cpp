// Ray queries: 10,000 rays against a 100,000-triangle model, answered
// through the mesh frame's hierarchy against the plain scan of every
// triangle (the baseline). The answers must be identical: the hierarchy run
// counts every ray whose distance or triangle differs from the scan's.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "gfx3d/collision.h"
#include "gfx3d/sample_models.h"

namespace {

constexpr int kRays = 10000;

struct Scene {
  orv::ModelSlot model;
  std::vector<orv::Vec3> origins, directions;
  orv::Mat4 transform = orv::Translation(1, 2, 3) * orv::Rotation(30, 1, 1, 0);
  // The scan's answers, once the baseline has run.
  std::vector<float> distances;
  std::vector<int> triangles;

  Scene() {
    orv::BuildSampleSphere(model, 10, 250, 200);  // 2 x 250 x 200 triangles
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int i = 0; i < kRays; ++i) {
      // From a shell around the model toward a point near its centre:
      // most rays hit, some pass beside it.
      orv::Vec3 o{u(gen), u(gen), u(gen)};
      o = orv::Normalized(o) * 30 + orv::Vec3{1, 2, 3};
      const orv::Vec3 target{u(gen) * 12 + 1, u(gen) * 12 + 2, u(gen) * 12 + 3};
      origins.push_back(o);
      directions.push_back(target - o);
    }
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void Rays(benchmark::State& state, orv::QueryMethod method) {
  Scene& s = TheScene();
  int last = -1;
  // The hierarchy is built by the first query; a game pays that once.
  benchmark::DoNotOptimize(orv::SlotRayQuery(s.model, 0, s.transform, s.origins[0], s.directions[0], last, method));
  std::vector<float> distances(kRays);
  std::vector<int> triangles(kRays);
  for (auto _ : state)
    for (int i = 0; i < kRays; ++i) {
      distances[static_cast<size_t>(i)] =
          orv::SlotRayQuery(s.model, 0, s.transform, s.origins[static_cast<size_t>(i)],
                            s.directions[static_cast<size_t>(i)], last, method);
      triangles[static_cast<size_t>(i)] = last;
    }
  if (method == orv::QueryMethod::kScan) {
    s.distances = distances;
    s.triangles = triangles;
    return;
  }
  int hits = 0, differing = 0;
  for (size_t i = 0; i < distances.size(); ++i) {
    hits += distances[i] > 0;
    if (!s.distances.empty() && (distances[i] != s.distances[i] || triangles[i] != s.triangles[i])) ++differing;
  }
  state.counters["hits"] = hits;
  state.counters["differing"] = differing;
  if (differing) state.SkipWithError("answers differ from the scan");
}

void RayQueriesScan(benchmark::State& state) { Rays(state, orv::QueryMethod::kScan); }
void RayQueriesHierarchy(benchmark::State& state) { Rays(state, orv::QueryMethod::kHierarchy); }

BENCHMARK(RayQueriesScan)->Name("RayQueries/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(RayQueriesHierarchy)->Name("RayQueries/hierarchy")->Unit(benchmark::kMillisecond);

}  // namespace
