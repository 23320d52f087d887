// The grid planner against the reference planner on thousands of random maps
// (whole paths and refusals compared), and both against an independent
// shortest-path computation where A* must be optimal. The reference
// planner's building blocks (ring buffer, bucketed closed set, node pool)
// are checked through it: any fault in them changes a path, a refusal or
// the running out of its pool or list, or a planner used again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <queue>
#include <random>
#include <vector>

#include "support/test_support.h"
#include "tests/pathfind/planner_runs.h"

namespace {

struct RandomMap {
  std::vector<double> values;
  orv::PlannerRequest request;
};

// Sizes 1 x 1 to 64 x 64; walls from none to most; costs all equal, from a
// few small integers (ties everywhere) or arbitrary, sometimes with NaN,
// infinite and negative cells; weights 0, 0.5, 1 or arbitrary (also outside
// [0, 1]); now and then diagonal moves, invalid endpoints or small pools.
RandomMap MakeMap(std::mt19937& rng) {
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto below = [&](uint32_t n) { return static_cast<int32_t>(rng() % n); };
  RandomMap m;
  orv::PlannerRequest& r = m.request;
  r.width = 1 + below(64);
  r.height = 1 + below(64);
  const double wallShare = uniform(0, 0.6);
  const int costKind = below(4);
  m.values.resize(static_cast<size_t>(r.width) * r.height);
  for (double& v : m.values) {
    if (uniform(0, 1) < wallShare) {
      v = below(4) == 0 ? -1 : 0;
      continue;
    }
    switch (costKind) {
      case 0: v = 1; break;
      case 1: v = 1 + below(3); break;
      case 2: v = uniform(0.001, 10); break;
      default: {
        const int pick = below(20);
        v = pick == 0 ? std::nan("") : pick == 1 ? std::numeric_limits<double>::infinity() : 1 + below(2);
      }
    }
  }
  const int weightKind = below(4);
  r.weight = weightKind == 0 ? 0.0f : weightKind == 1 ? 0.5f : weightKind == 2 ? 1.0f : static_cast<float>(uniform(-0.5, 1.5));
  r.diagonalCost = 1;
  if (below(5) == 0) {
    r.diagonalMoves = 1;
    r.diagonalCost = static_cast<uint8_t>(below(2));
  }
  r.hashExponent = below(5) == 0 ? below(12) : 8;  // the exponent must not change the path
  r.startX = below(static_cast<uint32_t>(r.width));
  r.startY = below(static_cast<uint32_t>(r.height));
  r.goalX = below(static_cast<uint32_t>(r.width));
  r.goalY = below(static_cast<uint32_t>(r.height));
  if (below(50) == 0) r.goalX = r.width;  // outside the map
  if (below(10) == 0) {
    r.poolSize = 1 + below(static_cast<uint32_t>(r.width * r.height));
    r.openCapacity = 1 + below(static_cast<uint32_t>(r.width * r.height));
  }
  return m;
}

// Checks what every found path must be: start to goal, one step at a time,
// never through a wall, never twice through a cell.
void ExpectWellFormed(const orvtest::PlannedPath& p, const orv::PlannerRequest& r, const std::vector<float>& costs) {
  ASSERT_GE(p.xs.size(), 2u);
  EXPECT_EQ(p.xs.front(), r.startX);
  EXPECT_EQ(p.ys.front(), r.startY);
  EXPECT_EQ(p.xs.back(), r.goalX);
  EXPECT_EQ(p.ys.back(), r.goalY);
  std::vector<bool> seen(costs.size());
  for (size_t i = 0; i < p.xs.size(); ++i) {
    const size_t cell = static_cast<size_t>(p.xs[i]) + static_cast<size_t>(p.ys[i]) * r.width;
    ASSERT_LT(cell, costs.size());
    EXPECT_FALSE(seen[cell]) << "cell visited twice";
    seen[cell] = true;
    if (i == 0) continue;
    EXPECT_GE(costs[cell], 1.0f) << "path through a wall";
    const int dx = std::abs(p.xs[i] - p.xs[i - 1]), dy = std::abs(p.ys[i] - p.ys[i - 1]);
    if (r.diagonalMoves)
      EXPECT_TRUE(dx <= 1 && dy <= 1 && dx + dy > 0);
    else
      EXPECT_EQ(dx + dy, 1) << "not a 4-connected step";
  }
}

// Cheapest 4-connected cost from start to goal over a prepared grid
// (Dijkstra in double); infinity when unreachable.
double CheapestCost(const orv::PlannerRequest& r, const std::vector<float>& costs) {
  const int w = r.width, h = r.height;
  std::vector<double> best(costs.size(), std::numeric_limits<double>::infinity());
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
  const int start = r.startX + r.startY * w, goal = r.goalX + r.goalY * w;
  best[static_cast<size_t>(start)] = 0;
  queue.push({0, start});
  while (!queue.empty()) {
    auto [d, at] = queue.top();
    queue.pop();
    if (d > best[static_cast<size_t>(at)]) continue;
    if (at == goal) return d;
    const int x = at % w, y = at / w;
    const int nx[4] = {x, x + 1, x - 1, x}, ny[4] = {y - 1, y, y, y + 1};
    for (int k = 0; k < 4; ++k) {
      if (nx[k] < 0 || nx[k] >= w || ny[k] < 0 || ny[k] >= h) continue;
      const int n = nx[k] + ny[k] * w;
      const float c = costs[static_cast<size_t>(n)];
      if (c < 0) continue;
      if (d + c < best[static_cast<size_t>(n)]) {
        best[static_cast<size_t>(n)] = d + c;
        queue.push({d + c, n});
      }
    }
  }
  return std::numeric_limits<double>::infinity();
}

double PathCost(const orvtest::PlannedPath& p, const orv::PlannerRequest& r, const std::vector<float>& costs) {
  double sum = 0;
  for (size_t i = 1; i < p.xs.size(); ++i) sum += costs[static_cast<size_t>(p.xs[i] + p.ys[i] * r.width)];
  return sum;
}

TEST(PlannerCompare, GridPlannerReturnsTheReferencePathsOnRandomMaps) {
  std::mt19937 rng(20261209);
  int found = 0, unreachable = 0, refused = 0, ranOut = 0, optimalChecked = 0;
  constexpr int kMaps = 6000;
  // One planner of each kind plans every map: Init must replace whatever
  // the map before left (grid, pool, lists, closed set, result).
  orv::AStarPlanner referencePlanner;
  orv::GridPlanner gridPlanner;
  for (int i = 0; i < kMaps; ++i) {
    RandomMap m = MakeMap(rng);
    m.request.map = m.values.data();
    // Every tenth map renumbers the grid planner's heap every few insertions.
    const uint32_t limit = i % 10 == 3 ? 7 : UINT32_MAX;
    const orvtest::PlannedPath reference = orvtest::RunReference(m.request, referencePlanner);
    const orvtest::PlannedPath grid = orvtest::RunGrid(m.request, gridPlanner, limit);
    ASSERT_EQ(reference, grid) << "map " << i << ": " << m.request.width << " x " << m.request.height
                               << " weight " << m.request.weight;
    if (!reference.accepted) {
      ++refused;
      continue;
    }
    ranOut += reference.ranOut;
    if (reference.xs.empty()) {
      ++unreachable;
      continue;
    }
    ++found;
    std::vector<float> costs(m.values.size());
    orv::PrepareCostGrid(m.values.data(), static_cast<int64_t>(costs.size()), costs.data());
    ExpectWellFormed(reference, m.request, costs);
    // With weight 0 the search is uniform-cost, with 0.5 it is A* with an
    // admissible heuristic (every step costs more than 1): both are optimal.
    if (!m.request.diagonalMoves && m.request.poolSize == 0 &&
        (m.request.weight == 0.0f || m.request.weight == 0.5f)) {
      const double best = CheapestCost(m.request, costs);
      EXPECT_NEAR(PathCost(reference, m.request, costs), best, 1e-4 * best) << "map " << i;
      ++optimalChecked;
    }
  }
  // The maps must exercise every outcome, or the comparison proves little.
  EXPECT_GT(found, kMaps / 3);
  EXPECT_GT(unreachable, 100);
  EXPECT_GT(refused, 100);
  EXPECT_GT(ranOut, 50);
  EXPECT_GT(optimalChecked, 500);
}

TEST(PlannerCompare, LargerMapsWithManyTies) {
  // Fewer, bigger maps: long open lists make the order among equal
  // priorities decide the path far more often.
  std::mt19937 rng(7);
  for (int i = 0; i < 6; ++i) {
    const int side = 120 + 20 * i;
    std::vector<double> values(static_cast<size_t>(side) * side);
    for (double& v : values) v = rng() % 4 == 0 ? 0 : 1 + rng() % 2;
    orv::PlannerRequest r;
    r.width = r.height = side;
    r.map = values.data();
    r.diagonalCost = 1;
    r.hashExponent = 8;
    r.weight = i % 3 == 0 ? 0.0f : i % 3 == 1 ? 0.5f : 0.8f;
    r.goalX = r.goalY = side - 1;
    values[0] = values.back() = 1;
    EXPECT_EQ(orvtest::RunReference(r), orvtest::RunGrid(r)) << side;
  }
}

// Both planners refuse at Init alike, with kErrOutOfMemory, a map too large
// to index and one whose storage does not fit in memory; a search never
// fails for memory.
TEST(PlannerCompare, BothPlannersRefuseMapsTooLargeOrWithoutMemoryAlike) {
  const double one = 1;
  orv::PlannerRequest huge;
  huge.width = 65536;
  huge.height = 32768;  // 2^31 cells: one more than an int can index
  huge.map = &one;      // never read: the size is refused first
  huge.goalX = 1;
  const orvtest::PlannedPath refused = orvtest::RunReference(huge);
  EXPECT_FALSE(refused.accepted);
  EXPECT_EQ(refused.error, kErrOutOfMemory);
  EXPECT_EQ(orvtest::RunGrid(huge), refused);

#if !defined(__SANITIZE_ADDRESS__)
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // 4096 x 4096 cells need far more than 1 MB in either planner; the same
  // planner then plans a small map, and is destroyed, as if nothing happened.
  std::vector<double> big(size_t{4096} * 4096, 1.0);
  orv::PlannerRequest large;
  large.width = large.height = 4096;
  large.map = big.data();
  large.goalX = 4095;
  large.hashExponent = 8;
  orv::PlannerRequest small = large;
  small.width = small.height = 2;
  small.goalX = 1;
  auto withoutMemory = [&](auto& planner, auto run) {
    orvtest::LimitAddressSpace(1 << 20);
    const orvtest::PlannedPath p = run(large, planner);
    const bool plansOn = run(small, planner).xs.size() == 2;
    _exit(!p.accepted && p.error == kErrOutOfMemory && plansOn ? 0 : 1);
  };
  orv::AStarPlanner reference;
  orv::GridPlanner grid;
  auto runReference = [](const orv::PlannerRequest& q, orv::AStarPlanner& p) { return orvtest::RunReference(q, p); };
  auto runGrid = [](const orv::PlannerRequest& q, orv::GridPlanner& p) { return orvtest::RunGrid(q, p); };
  EXPECT_EXIT(withoutMemory(reference, runReference), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(withoutMemory(grid, runGrid), testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
