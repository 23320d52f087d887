// Both planners on small arbitrary maps: the grid planner must return the
// reference planner's path exactly, and neither may read outside the map.
// Input: width-1 and height-1 (low 5 bits each), start x, start y, goal x,
// goal y (used modulo size + 1, so one past the edge happens), weight byte,
// flag byte (diagonal moves, diagonal cost, small pool, renumbering), then
// one byte per cell: 0 wall, 1 NaN, 2 +inf, 3 negative, else its value / 16.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "tests/pathfind/planner_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  orv::PlannerRequest r;
  r.width = 1 + (data[0] & 31);
  r.height = 1 + (data[1] & 31);
  r.startX = data[2] % (r.width + 1);
  r.startY = data[3] % (r.height + 1);
  r.goalX = data[4] % (r.width + 1);
  r.goalY = data[5] % (r.height + 1);
  r.weight = data[6] < 250 ? data[6] / 200.0f - 0.1f : std::numeric_limits<float>::quiet_NaN();
  const uint8_t flags = data[7];
  r.diagonalMoves = flags & 1;
  r.diagonalCost = (flags >> 1) & 1;
  r.hashExponent = (flags >> 4) & 15;
  const int32_t cells = r.width * r.height;
  if (flags & 4) r.poolSize = r.openCapacity = 1 + static_cast<int32_t>(size % static_cast<size_t>(cells));
  const uint32_t sequenceLimit = flags & 8 ? 5 : UINT32_MAX;

  // Exactly width x height values: anything beyond the input counts as walls.
  std::vector<double> map(static_cast<size_t>(cells));
  for (int32_t i = 0; i < cells; ++i) {
    const uint8_t b = static_cast<size_t>(8 + i) < size ? data[8 + i] : 0;
    map[static_cast<size_t>(i)] = b == 0   ? 0
                                  : b == 1 ? std::nan("")
                                  : b == 2 ? std::numeric_limits<double>::infinity()
                                  : b == 3 ? -1
                                           : b / 16.0;
  }
  r.map = map.data();

  const orvtest::PlannedPath reference = orvtest::RunReference(r);
  const orvtest::PlannedPath grid = orvtest::RunGrid(r, sequenceLimit);
  if (!(reference == grid)) {
    std::fprintf(stderr, "pathfind_planners: the planners disagree (%zu vs %zu cells)\n", reference.xs.size(),
                 grid.xs.size());
    std::abort();
  }
  for (size_t i = 0; i < grid.xs.size(); ++i)
    if (grid.xs[i] < 0 || grid.xs[i] >= r.width || grid.ys[i] < 0 || grid.ys[i] >= r.height) {
      std::fprintf(stderr, "pathfind_planners: path leaves the map\n");
      std::abort();
    }
  return 0;
}
