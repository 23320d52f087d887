// What a search is asked to do, and the arithmetic every planner shares.
//
// Both planners (the reference one with its sorted open list and the grid
// planner with a heap) must return the same path cell for cell, so the cost
// grid, the step cost and the priority are computed here once, in one order
// of float operations, and never re-derived elsewhere. They also refuse
// alike: only Init fails, with no error code for a request that cannot be
// planned and kErrOutOfMemory for a map too large to index or memory
// running out; a search never allocates.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace orv {

// A step that enters a diagonal neighbour costs the entered cell's cost times this.
inline constexpr float kDiagonalFactor = 1.4142136f;
// The value a blocked cell carries in a prepared cost grid.
inline constexpr float kBlockedCost = -1.0f;

struct PlannerRequest {
  int32_t startX = 0, startY = 0, goalX = 0, goalY = 0;
  uint8_t diagonalCost = 0;   // a diagonal step costs the cell's cost x kDiagonalFactor
  uint8_t diagonalMoves = 0;  // clear: only the four orthogonal neighbours
  uint8_t spare[2] = {0, 0};
  int32_t poolSize = 0;       // nodes available to the search; 0: width x height
  int32_t openCapacity = 0;   // room in the open list; 0: width x height
  int32_t hashExponent = 0;   // bits of the closed set's bucket index
  float weight = 0;           // heuristic weight, clamped to [0, 1]
  int32_t width = 0, height = 0;
  const double* map = nullptr;  // width x height values, cell (x, y) at x + y * width
};

// Weight 0 orders by cost alone, 1 by distance alone; anything outside (and
// NaN) is pulled to the nearer end so a priority is never NaN.
inline float ClampWeight(double weight) {
  if (!(weight > 0)) return 0.0f;
  if (weight > 1) return 1.0f;
  return static_cast<float>(weight);
}

// Fills `grid` (count cells) from the map: cells that are not finite and
// positive (zero, negative, NaN, infinite) become kBlockedCost; the others
// are copied as floats (a value beyond the float range as the largest
// float) and become v / M + 1 in float arithmetic, M the largest copy, so a
// passable cell costs at least 1 and at most 2. Returns false when no cell
// is passable.
inline bool PrepareCostGrid(const double* map, int64_t count, float* grid) {
  bool passable = false;
  float largest = 0;
  for (int64_t i = 0; i < count; ++i) {
    const double v = map[i];
    if (!(v > 0 && std::isfinite(v))) {
      grid[i] = kBlockedCost;
      continue;
    }
    const float c = v >= std::numeric_limits<float>::max() ? std::numeric_limits<float>::max() : static_cast<float>(v);
    grid[i] = c;
    passable = true;
    if (c > largest) largest = c;
  }
  if (!passable) return false;
  for (int64_t i = 0; i < count; ++i) {
    // Positive values too small for a float arrive as 0: the cheapest cells.
    if (grid[i] >= 0) grid[i] = largest > 0 ? grid[i] / largest + 1.0f : 1.0f;
  }
  return true;
}

// The accumulated cost after stepping from a node with cost g onto a cell of
// the given cost.
inline float StepCost(float g, float cellCost, bool diagonal, bool diagonalCost) {
  return g + (diagonal && diagonalCost ? cellCost * kDiagonalFactor : cellCost);
}

// The Manhattan distance in cells from (x, y) to the goal.
inline float Distance(int32_t x, int32_t y, int32_t goalX, int32_t goalY) {
  const int64_t d = std::llabs(int64_t{goalX} - x) + std::llabs(int64_t{goalY} - y);
  return static_cast<float>(d);
}

// The open list's order: cost blended toward the distance by the weight.
inline float Priority(float g, float h, float weight) { return g + (h - g) * weight; }

// The neighbours of a cell in the order a search visits them; the diagonal
// ones only when diagonal moves are allowed.
struct NeighbourStep {
  int8_t dx, dy;
  bool diagonal;
};
inline constexpr NeighbourStep kNeighbourOrder[8] = {
    {-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
    {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true},
};

// Largest map a planner accepts: every cell index must fit a 32-bit int.
inline constexpr int64_t kMaxPlannerCells = INT32_MAX;

// Whether a request can be planned at all.
enum class RequestCheck {
  kPlannable,
  // A missing or empty map, endpoints outside it or a start equal to the
  // goal: refused, but nothing went wrong (no error code).
  kUnplannable,
  // More cells than a planner can index: refused like a map that does not
  // fit in memory (kErrOutOfMemory).
  kTooLarge,
};

inline RequestCheck CheckPlannerRequest(const PlannerRequest& request) {
  if (request.width <= 0 || request.height <= 0 || !request.map) return RequestCheck::kUnplannable;
  if (int64_t{request.width} * request.height > kMaxPlannerCells) return RequestCheck::kTooLarge;
  if (request.startX < 0 || request.startX >= request.width || request.startY < 0 ||
      request.startY >= request.height || request.goalX < 0 || request.goalX >= request.width ||
      request.goalY < 0 || request.goalY >= request.height)
    return RequestCheck::kUnplannable;
  const bool startIsGoal = request.startX == request.goalX && request.startY == request.goalY;
  return startIsGoal ? RequestCheck::kUnplannable : RequestCheck::kPlannable;
}

}  // namespace orv
