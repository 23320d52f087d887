// Game-facing command of path finding: convert the arguments, run the grid
// planner, write the path rows.
//
// Weight 0 orders the search by cost alone (uniform-cost search: the cheapest
// path), 1 by distance alone (greedy: quick, not always cheapest), values
// between blend the two; outside [0, 1] they are clamped.
#include "orvane/pathfind.h"

#include <new>
#include <type_traits>
#include <vector>

#include "pathfind/grid_planner.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"

namespace {

// A value of Plan meaning the request was refused and the path not touched.
constexpr int32_t kRefused = -1;

int32_t Plan(const double* map, int32_t width, int32_t height, RtArray<int32_t>& path, double weight, double startX,
             double startY, double goalX, double goalY) {
  orv::PlannerRequest request;
  request.startX = orv::ToInt32(startX);
  request.startY = orv::ToInt32(startY);
  request.goalX = orv::ToInt32(goalX);
  request.goalY = orv::ToInt32(goalY);
  request.diagonalCost = 1;
  request.diagonalMoves = 0;
  request.hashExponent = 8;
  request.weight = orv::ClampWeight(weight);
  request.width = width;
  request.height = height;
  request.map = map;

  orv::GridPlanner planner;
  if (!planner.Init(request)) {
    if (planner.Error() != orv::kErrSuccess) return orv::Fail(planner.Error(), kRefused);
    return kRefused;
  }
  planner.Start();
  planner.Search();
  const int32_t count = planner.PathLength();
  if (count == 0) {
    path.Dim(0);
    return 0;
  }
  path.Dim(count, 2);
  planner.ReadPath(path.Data(), path.Data() + count);
  planner.Clear();
  return count;
}

// The size of a map's first two dimensions; a map with more cells than a
// planner may index is refused before anything is copied.
bool MapShape(int32_t s0, int32_t s1, int32_t& width, int32_t& height) {
  width = s0;
  height = s1;
  if (int64_t{width} * height > orv::kMaxPlannerCells) return orv::Fail(orv::kErrOutOfMemory, false);
  return true;
}

template <class Map>
int32_t PlanOn(const Map& map, RtArray<int32_t>& path, double weight, double sx, double sy, double gx, double gy) {
  orv::ClearError();
  int32_t width, height;
  if (!MapShape(map.Size(0), map.Size(1), width, height)) return kRefused;
  if constexpr (std::is_same_v<Map, RtArray<double>>) {
    return Plan(map.Data(), width, height, path, weight, sx, sy, gx, gy);
  } else {
    // The planner reads numbers: an integer map is copied into them first,
    // and a map whose copy does not fit in memory is refused like one the
    // planner has no room for.
    const int64_t cells = width > 0 && height > 0 ? int64_t{width} * height : 0;
    std::vector<double> numbers;
    try {
      numbers.resize(static_cast<size_t>(cells));
    } catch (const std::bad_alloc&) {
      return orv::Fail(orv::kErrOutOfMemory, kRefused);
    }
    for (int64_t i = 0; i < cells; ++i) numbers[static_cast<size_t>(i)] = map.Data()[i];
    return Plan(numbers.data(), width, height, path, weight, sx, sy, gx, gy);
  }
}

// A number path is filled from an integer one, and only when the planner
// answered: a refused request leaves the caller's path as it was.
template <class Map>
double PlanIntoNumbers(const Map& map, RtArray<double>& path, double weight, double sx, double sy, double gx,
                       double gy) {
  RtArray<int32_t> rows;
  const int32_t count = PlanOn(map, rows, weight, sx, sy, gx, gy);
  if (count == kRefused) return 0;
  if (count == 0) {
    path.Dim(0);
    return 0;
  }
  path.Dim(count, 2);
  for (int32_t i = 0; i < 2 * count; ++i) path.Data()[i] = rows.Data()[i];
  return count;
}

}  // namespace

double FindPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX, double startY,
                double goalX, double goalY) {
  return PlanIntoNumbers(map, path, weight, startX, startY, goalX, goalY);
}

double FindPath(const RtArray<double>& map, RtArray<int32_t>& path, double weight, double startX, double startY,
                double goalX, double goalY) {
  const int32_t count = PlanOn(map, path, weight, startX, startY, goalX, goalY);
  return count == kRefused ? 0 : count;
}

double FindPath(const RtArray<int32_t>& map, RtArray<double>& path, double weight, double startX, double startY,
                double goalX, double goalY) {
  return PlanIntoNumbers(map, path, weight, startX, startY, goalX, goalY);
}

double FindPath(const RtArray<int32_t>& map, RtArray<int32_t>& path, double weight, double startX, double startY,
                double goalX, double goalY) {
  const int32_t count = PlanOn(map, path, weight, startX, startY, goalX, goalY);
  return count == kRefused ? 0 : count;
}
