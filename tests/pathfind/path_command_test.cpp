// The game's path command: hand-checked maps, the failure results, and the
// integer map and path variants.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "orvane/pathfind.h"
#include "orvane/runtime.h"
#include "pathfind/grid_planner.h"
#include "support/test_support.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

// A map from rows of text: '#' is a wall (0), '.' cost 1, a digit its cost.
RtArray<double> MapOf(const std::vector<std::string>& rows) {
  RtArray<double> map;
  map.Dim(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      const char c = rows[y][x];
      map.At(static_cast<int32_t>(x), static_cast<int32_t>(y)) = c == '#' ? 0 : c == '.' ? 1 : c - '0';
    }
  return map;
}

template <class T>
Cells Rows(const RtArray<T>& path) {
  Cells out;
  for (int32_t i = 0; i < path.Size(0); ++i)
    out.emplace_back(static_cast<int>(path.At(i, 0)), static_cast<int>(path.At(i, 1)));
  return out;
}

template <class Map>
Cells PathOn(const Map& map, double weight, int sx, int sy, int gx, int gy) {
  RtArray<double> path;
  const double rows = FindPath(map, path, weight, sx, sy, gx, gy);
  EXPECT_EQ(rows, path.Size(0));
  return Rows(path);
}

TEST(PathCommand, LineCorridorAndWallWithOneGap) {
  EXPECT_EQ(PathOn(MapOf({"..."}), 0, 0, 0, 2, 0), (Cells{{0, 0}, {1, 0}, {2, 0}}));

  RtArray<double> corridor = MapOf({
      "...#.",
      "##.#.",
      "...#.",
      ".###.",
      ".....",
  });
  const Cells winding{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 3}, {0, 4},
                      {1, 4}, {2, 4}, {3, 4}, {4, 4}, {4, 3}, {4, 2}, {4, 1}, {4, 0}};
  for (double weight : {0.0, 0.5, 1.0}) EXPECT_EQ(PathOn(corridor, weight, 0, 0, 4, 0), winding);

  RtArray<double> wall = MapOf({
      "..#..",
      "..#..",
      "..#..",
      "..#..",
      ".....",
  });
  const Cells through = PathOn(wall, 0, 0, 0, 4, 0);
  EXPECT_EQ(through.size(), 13u);  // 6 steps to the gap and 6 from it: the cheapest way
  EXPECT_NE(std::find(through.begin(), through.end(), std::make_pair(2, 4)), through.end());

  RtArray<int32_t> rows;
  EXPECT_EQ(FindPath(corridor, rows, 0, 0, 0, 4, 0), 17);
  EXPECT_EQ(Rows(rows), winding);
}

TEST(PathCommand, WeightPicksUniformCostOrGreedySearch) {
  // Two expensive cells on the direct way. Greedy search (weight 1) looks at
  // the distance only and walks through them; uniform-cost search (weight 0)
  // takes the cheapest way, and of the equally cheap ones the one its
  // tie-breaking reaches first.
  RtArray<double> map = MapOf({
      ".99",
      "...",
      "...",
  });
  const Cells greedy{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}};
  const Cells cheapest{{0, 0}, {0, 1}, {1, 1}, {2, 1}, {2, 2}};
  EXPECT_EQ(PathOn(map, 1, 0, 0, 2, 2), greedy);
  EXPECT_EQ(PathOn(map, 5, 0, 0, 2, 2), greedy);  // clamped to 1
  EXPECT_EQ(PathOn(map, 0, 0, 0, 2, 2), cheapest);
  EXPECT_EQ(PathOn(map, -3, 0, 0, 2, 2), cheapest);  // clamped to 0
  EXPECT_EQ(PathOn(map, std::nan(""), 0, 0, 2, 2), cheapest);
  EXPECT_EQ(PathOn(map, -37171650.0, 0, 0, 2, 2), cheapest);  // weight left out

  // On even ground uniform-cost search expands in rings, and ties go to the
  // node queued first: along the top row first, then down.
  RtArray<double> open = MapOf({"...", "...", "..."});
  EXPECT_EQ(PathOn(open, 0, 0, 0, 2, 2), greedy);

  // Cell costs are v / M + 1 worked out in float: which of two nearly equal
  // ways is cheaper comes down to that rounding.
  EXPECT_EQ(PathOn(MapOf({"122", "131"}), 0.5, 0, 0, 2, 1), (Cells{{0, 0}, {0, 1}, {1, 1}, {2, 1}}));
}

TEST(PathCommand, CostsAreRelative) {
  std::mt19937 rng(5);
  RtArray<double> map, scaled;
  map.Dim(30, 20);
  scaled.Dim(30, 20);
  for (int32_t i = 0; i < 600; ++i) {
    map.Data()[i] = rng() % 5 == 0 ? 0 : 1 + rng() % 3;
    scaled.Data()[i] = map.Data()[i] * 10;
  }
  map.Data()[0] = scaled.Data()[0] = 1;
  map.Data()[599] = scaled.Data()[599] = 1;
  for (double weight : {0.0, 0.5, 0.9}) {
    const Cells plain = PathOn(map, weight, 0, 0, 29, 19);
    EXPECT_EQ(PathOn(scaled, weight, 0, 0, 29, 19), plain);
  }
}

TEST(PathCommand, RefusedRequestsKeepThePathAndUnreachableGoalsEmptyIt) {
  RtArray<double> open = MapOf({"...", "...", "..."});
  auto kept = [](RtArray<double>& path) {
    path.Dim(2, 2);
    path.At(1, 1) = 42;
  };
  RtArray<double> path;
  for (auto [sx, sy, gx, gy] : {std::array<int, 4>{1, 1, 1, 1}, {-1, 0, 2, 2}, {0, 0, 3, 0}, {0, 0, 0, 3}}) {
    kept(path);
    EXPECT_EQ(FindPath(open, path, 0, sx, sy, gx, gy), 0);
    EXPECT_EQ(path.Size(0), 2);
    EXPECT_EQ(path.At(1, 1), 42);
  }
  // No open cell at all: zeros, and values that cannot be costs.
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {0.0, -5.0, std::nan(""), inf, -inf}) {
    RtArray<double> walls;
    walls.Dim(3, 3);
    for (int32_t i = 0; i < 9; ++i) walls.Data()[i] = v;
    kept(path);
    EXPECT_EQ(FindPath(walls, path, 0, 0, 0, 2, 2), 0) << v;
    EXPECT_EQ(path.At(1, 1), 42) << v;
  }
  // A one-dimensional array is not a map.
  RtArray<double> flat;
  flat.Dim(5);
  for (int32_t i = 0; i < 5; ++i) flat.Data()[i] = 1;
  kept(path);
  EXPECT_EQ(FindPath(flat, path, 0, 0, 0, 4, 0), 0);
  EXPECT_EQ(path.Size(0), 2);

  // Goal walled in, goal on a wall: the path is emptied.
  RtArray<double> walledIn = MapOf({"...#.", "..#.#", "...#."});
  RtArray<double> onWall = MapOf({"...", "..#"});
  kept(path);
  EXPECT_EQ(FindPath(walledIn, path, 0.5, 0, 0, 3, 1), 0);
  EXPECT_EQ(path.Size(0), 0);
  kept(path);
  EXPECT_EQ(FindPath(onWall, path, 0.5, 0, 0, 2, 1), 0);
  EXPECT_EQ(path.Size(0), 0);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST(PathCommand, CellsThatAreNotFinitePositiveNumbersAreWalls) {
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  RtArray<double> map;
  map.Dim(3, 3);
  // The middle column is NaN, +inf and -1 except the bottom cell; huge and
  // tiny costs elsewhere must neither overflow nor vanish.
  const double values[9] = {1e308, nan, 1, 1e-308, inf, 1, 5, 2, 1};
  for (int32_t i = 0; i < 9; ++i) map.Data()[i] = values[i];
  map.At(1, 1) = -1;
  const Cells path = PathOn(map, 0.5, 0, 0, 2, 0);
  EXPECT_EQ(path, (Cells{{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}}));
}

TEST(PathCommand, IntegerMapsAndPathsGiveTheSameRows) {
  std::mt19937 rng(11);
  RtArray<double> numbers;
  RtArray<int32_t> integers;
  numbers.Dim(40, 25);
  integers.Dim(40, 25);
  for (int32_t i = 0; i < 1000; ++i) {
    integers.Data()[i] = rng() % 6 == 0 ? 0 : static_cast<int32_t>(1 + rng() % 9);
    numbers.Data()[i] = integers.Data()[i];
  }
  numbers.Data()[0] = integers.Data()[0] = 1;
  numbers.Data()[999] = integers.Data()[999] = 1;
  RtArray<double> a, c;
  RtArray<int32_t> b, d;
  const double rows = FindPath(numbers, a, 0.3, 0, 0, 39, 24);
  ASSERT_GT(rows, 0);
  EXPECT_EQ(FindPath(numbers, b, 0.3, 0, 0, 39, 24), rows);
  EXPECT_EQ(FindPath(integers, c, 0.3, 0, 0, 39, 24), rows);
  EXPECT_EQ(FindPath(integers, d, 0.3, 0, 0, 39, 24), rows);
  EXPECT_EQ(Rows(b), Rows(a));
  EXPECT_EQ(Rows(c), Rows(a));
  EXPECT_EQ(Rows(d), Rows(a));
  // Arguments are truncated like every command's: 0.9 is cell 0.
  RtArray<double> e;
  EXPECT_EQ(FindPath(integers, e, 0.3, 0.9, 0.9, 39.5, 24.99), rows);
  EXPECT_EQ(Rows(e), Rows(a));
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(PathCommand, MemoryRunsOutOnlyBeforeASearchAndRefusesTheMap) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A cheap corridor between two rows of dear cells, 200,000 long. Greedy
  // search walks the corridor and leaves every side cell it passes open.
  constexpr int32_t kLength = 200000;
  RtArray<int32_t> integers;
  integers.Dim(kLength, 3);
  RtArray<double> numbers;
  numbers.Dim(kLength, 3);
  for (int32_t x = 0; x < kLength; ++x)
    for (int32_t y = 0; y < 3; ++y) numbers.At(x, y) = integers.At(x, y) = y == 1 ? 1 : 9;

  // No room for the integer map's copy into numbers: refused, path kept.
  auto copyWithoutMemory = [&] {
    RtArray<double> path;
    path.Dim(2, 2);
    path.At(1, 1) = 42;
    orvtest::LimitAddressSpace(1 << 20);
    const double rows = FindPath(integers, path, 1, 0, 1, kLength - 1, 1);
    _exit(rows == 0 && ErrorCode() == 7 && path.At(1, 1) == 42 ? 0 : 1);
  };
  EXPECT_EXIT(copyWithoutMemory(), testing::ExitedWithCode(0), "");

  // Once the planner is set up, a search needs no memory of its own, however
  // many cells it leaves open.
  auto searchWithoutMemory = [&] {
    orv::PlannerRequest r;
    r.startY = r.goalY = 1;
    r.goalX = kLength - 1;
    r.diagonalCost = 1;
    r.weight = 1;
    r.width = kLength;
    r.height = 3;
    r.map = numbers.Data();
    orv::GridPlanner planner;
    if (!planner.Init(r)) _exit(2);
    orvtest::LimitAddressSpace(1 << 20);
    planner.Start();
    planner.Search();
    _exit(planner.PathLength() == kLength ? 0 : 1);
  };
  EXPECT_EXIT(searchWithoutMemory(), testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
