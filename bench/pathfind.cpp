// Path finding on square maps with 30 % random walls and random costs, from
// the top-left to the bottom-right corner.
//
// astar/<n>: the grid planner (the path command's) against a plain textbook A* (binary heap of
//   (g + h, cell), lazy deletion, no tie rules) on the same map and heuristic,
//   both from the number map to the finished path. Both print their path cost.
// reference/<n>: the sorted-list reference planner against the grid planner,
//   which returns the same paths, on 256, 512 and (see below) 1024.
// Times are the thread's CPU time: on a machine shared with other work the
// wall clock mostly measures the neighbours.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <queue>
#include <random>
#include <ctime>
#include <vector>

#include "pathfind/grid_planner.h"
#include "pathfind/reference/reference_planner.h"

namespace {

constexpr float kWeight = 0.5f;  // A* proper: cost plus distance, equally weighted

struct BenchMap {
  int side = 0;
  std::vector<double> values;
  orv::PlannerRequest request;
};

const BenchMap& MapOfSide(int side) {
  static std::map<int, BenchMap> maps;
  BenchMap& m = maps[side];
  if (m.side == side) return m;
  m.side = side;
  // Walls may cut the corners apart; the next seed is tried until they are joined.
  for (uint32_t seed = 1;; ++seed) {
    std::mt19937 rng(seed);
    m.values.assign(static_cast<size_t>(side) * side, 0);
    for (double& v : m.values) v = rng() % 10 < 3 ? 0 : 1 + rng() % 1000 / 100.0;
    m.values.front() = m.values.back() = 1;
    orv::PlannerRequest& r = m.request;
    r = {};
    r.width = r.height = side;
    r.goalX = r.goalY = side - 1;
    r.diagonalCost = 1;
    r.hashExponent = 8;
    r.weight = kWeight;
    r.map = m.values.data();
    orv::GridPlanner probe;
    probe.Init(r);
    probe.Start();
    probe.Search();
    if (probe.Found()) break;
  }
  return m;
}

struct Found {
  int32_t cells = 0;
  double cost = 0;
};

// Path cost summed in double over the prepared grid, so both planners are
// measured with the same ruler.
double CostOf(const std::vector<float>& grid, const std::vector<int32_t>& cells) {
  double sum = 0;
  for (size_t i = 1; i < cells.size(); ++i) sum += grid[static_cast<size_t>(cells[i])];
  return sum;
}

Found TextbookAStar(const orv::PlannerRequest& r) {
  const int w = r.width, h = r.height;
  const size_t n = static_cast<size_t>(w) * h;
  std::vector<float> grid(n);
  orv::PrepareCostGrid(r.map, static_cast<int64_t>(n), grid.data());
  std::vector<float> g(n, std::numeric_limits<float>::infinity());
  std::vector<int32_t> parent(n, -1);
  std::vector<uint8_t> closed(n, 0);
  using Item = std::pair<float, int32_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> open;
  const int32_t start = r.startX + r.startY * w, goal = r.goalX + r.goalY * w;
  g[static_cast<size_t>(start)] = 0;
  open.push({0.0f, start});
  while (!open.empty()) {
    const int32_t at = open.top().second;
    open.pop();
    if (closed[static_cast<size_t>(at)]) continue;
    closed[static_cast<size_t>(at)] = 1;
    if (at == goal) break;
    const int x = at % w, y = at / w;
    const int nx[4] = {x, x + 1, x - 1, x}, ny[4] = {y - 1, y, y, y + 1};
    for (int k = 0; k < 4; ++k) {
      if (nx[k] < 0 || nx[k] >= w || ny[k] < 0 || ny[k] >= h) continue;
      const int32_t ni = nx[k] + ny[k] * w;
      const float c = grid[static_cast<size_t>(ni)];
      if (c < 0) continue;
      const float ng = g[static_cast<size_t>(at)] + c;
      if (ng < g[static_cast<size_t>(ni)]) {
        g[static_cast<size_t>(ni)] = ng;
        parent[static_cast<size_t>(ni)] = at;
        closed[static_cast<size_t>(ni)] = 0;
        open.push({ng + static_cast<float>(std::abs(r.goalX - nx[k]) + std::abs(r.goalY - ny[k])), ni});
      }
    }
  }
  std::vector<int32_t> cells;
  for (int32_t c = closed[static_cast<size_t>(goal)] ? goal : -1; c >= 0; c = parent[static_cast<size_t>(c)])
    cells.push_back(c);
  return {static_cast<int32_t>(cells.size()), CostOf(grid, cells)};
}

Found RunGridPlanner(const orv::PlannerRequest& r) {
  orv::GridPlanner planner;
  planner.Init(r);
  planner.Start();
  planner.Search();
  const int32_t count = planner.PathLength();
  std::vector<int32_t> xs(static_cast<size_t>(count)), ys(xs.size());
  planner.ReadPath(xs.data(), ys.data());
  return {count, 0};
}

Found ReferencePlanner(const orv::PlannerRequest& r) {
  orv::AStarPlanner planner;
  planner.Init(r);
  planner.Start();
  planner.Search();
  int32_t count = 0;
  for (const orv::Node* n = planner.Result(); n; n = n->parent) ++count;
  planner.Clear();
  return {count, 0};
}

// The grid planner's path cost, for the report.
double GridPlannerCost(const orv::PlannerRequest& r) {
  orv::GridPlanner planner;
  planner.Init(r);
  planner.Start();
  planner.Search();
  std::vector<int32_t> xs(static_cast<size_t>(planner.PathLength())), ys(xs.size()), cells;
  planner.ReadPath(xs.data(), ys.data());
  for (size_t i = 0; i < xs.size(); ++i) cells.push_back(xs[i] + ys[i] * r.width);
  std::vector<float> grid(static_cast<size_t>(r.width) * r.height);
  orv::PrepareCostGrid(r.map, static_cast<int64_t>(grid.size()), grid.data());
  return CostOf(grid, cells);
}

void Run(benchmark::State& state, Found (*planner)(const orv::PlannerRequest&), bool reportCost) {
  const BenchMap& m = MapOfSide(static_cast<int>(state.range(0)));
  Found f;
  for (auto _ : state) {
    timespec before, after;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    f = planner(m.request);
    benchmark::DoNotOptimize(f);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    state.SetIterationTime(static_cast<double>(after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) * 1e-9);
  }
  state.counters["path_cells"] = f.cells;
  if (reportCost) state.counters["path_cost"] = planner == TextbookAStar ? f.cost : GridPlannerCost(m.request);
}

void Textbook(benchmark::State& s) { Run(s, TextbookAStar, true); }
void Grid(benchmark::State& s) { Run(s, RunGridPlanner, true); }
void GridAgainstReference(benchmark::State& s) { Run(s, RunGridPlanner, false); }
void Reference(benchmark::State& s) { Run(s, ReferencePlanner, false); }

}  // namespace

BENCHMARK(Textbook)->Name("astar/baseline")->Arg(256)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(Grid)->Name("astar/grid_planner")->Arg(256)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond)->UseManualTime();
// The reference planner's closed set has 256 buckets whatever the map size,
// so its time grows with the square of the cells searched: 1024 x 1024 takes
// minutes and runs only when ORVANE_BENCH_LONG is set.
const bool kLong = [] {
  const char* v = std::getenv("ORVANE_BENCH_LONG");
  const bool on = v && *v && *v != '0';
  for (int side : {256, 512, 1024}) {
    if (side == 1024 && !on) break;
    benchmark::RegisterBenchmark("reference/baseline", GridAgainstReference)->Arg(side)->Unit(benchmark::kMillisecond)->UseManualTime();
    benchmark::RegisterBenchmark("reference/sorted_list", Reference)->Arg(side)->Unit(benchmark::kMillisecond)->UseManualTime();
  }
  return on;
}();
