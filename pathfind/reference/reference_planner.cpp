// Path finding: A* on a cost grid. The reference planner lives here; the
// grid planner the game's command runs in ../grid_planner.cpp, the command in
// ../commands.cpp. Pure computation: no graphics, no input, no files.
#include "pathfind/reference/reference_planner.h"

#include <new>

namespace orv {

Planner::~Planner() { Planner::Clear(); }

bool Planner::Init(const PlannerRequest& request) {
  error_ = kErrSuccess;
  switch (CheckPlannerRequest(request)) {
    case RequestCheck::kUnplannable: return false;
    case RequestCheck::kTooLarge: return Refuse(kErrOutOfMemory);
    case RequestCheck::kPlannable: break;
  }
  const int64_t cells = int64_t{request.width} * request.height;
  // One node per cell is the most a search can use, so larger sizes are cut.
  const int32_t n = static_cast<int32_t>(cells);
  const int32_t pool = request.poolSize > 0 && request.poolSize < n ? request.poolSize : n;
  const int32_t open = request.openCapacity > 0 && request.openCapacity < n ? request.openCapacity : n;

  Clear();
  try {
    costs_ = std::make_unique_for_overwrite<float[]>(static_cast<size_t>(cells));
    if (!PrepareCostGrid(request.map, cells, costs_.get())) return false;
    factory_.Refill(pool);
    open_.Resize(static_cast<uint32_t>(open));
    closed_.Reset(request.hashExponent);
  } catch (const std::bad_alloc&) {
    costs_.reset();
    factory_.Refill(0);
    open_.Resize(0);
    return Refuse(kErrOutOfMemory);
  }

  request_ = request;
  request_.weight = ClampWeight(request.weight);
  result_ = nullptr;
  searchCalls_ = 0;
  ranOut_ = false;
  idle_ = 1;
  return true;
}

void Planner::Start() {
  idle_ = 0;
  searchCalls_ = 0;
  result_ = nullptr;
  ranOut_ = false;
}

void Planner::Clear() {
  for (uint32_t i = 0, n = open_.Size(); i < n; ++i) factory_.Release(open_.At(i));
  open_.Clear();
  closed_.ReleaseAll(factory_);
  result_ = nullptr;
  idle_ = 1;
}

void AStarPlanner::Start() {
  Planner::Start();
  Node* start = factory_.Take();
  if (!start) return;
  start->parent = nullptr;
  start->x = request_.startX;
  start->y = request_.startY;
  start->g = 0;
  start->f = 0;
  start->next = nullptr;
  open_.PushBack(start);
}

bool AStarPlanner::InsertOpen(Node* node) {
  uint32_t lo = 0, hi = open_.Size();
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (open_.At(mid)->f > node->f)
      lo = mid + 1;
    else
      hi = mid;
  }
  return open_.InsertAt(lo, node);
}

int64_t AStarPlanner::FindOpen(int32_t x, int32_t y) const {
  for (int64_t i = int64_t{open_.Size()} - 1; i >= 0; --i) {
    const Node* n = open_.At(static_cast<uint32_t>(i));
    if (n->x == x && n->y == y) return i;
  }
  return -1;
}

bool AStarPlanner::EndRanOut(Node* current) {
  // The current node goes to the closed set so Clear still gives it back.
  closed_.Insert(current);
  ranOut_ = true;
  idle_ = 1;
  return true;
}

bool AStarPlanner::Search() {
  ++searchCalls_;
  const PlannerRequest& r = request_;
  while (!open_.Empty()) {
    Node* current = open_.Back();
    open_.PopBack();
    if (current->x == r.goalX && current->y == r.goalY) {
      closed_.Insert(current);
      result_ = current;
      idle_ = 1;
      return true;
    }
    for (const NeighbourStep& step : kNeighbourOrder) {
      if (step.diagonal && !r.diagonalMoves) continue;
      const int32_t nx = current->x + step.dx, ny = current->y + step.dy;
      if (nx < 0 || nx >= r.width || ny < 0 || ny >= r.height) continue;
      const float cost = costs_[static_cast<size_t>(nx) + static_cast<size_t>(ny) * static_cast<size_t>(r.width)];
      if (cost == kBlockedCost) continue;
      const float g = StepCost(current->g, cost, step.diagonal, r.diagonalCost != 0);
      const float f = Priority(g, Distance(nx, ny, r.goalX, r.goalY), r.weight);

      if (Node* n = closed_.Find(nx, ny)) {
        if (g < n->g) {
          closed_.RemoveFound();
          n->parent = current;
          n->g = g;
          n->f = f;
          if (!InsertOpen(n)) {
            closed_.Insert(n);
            return EndRanOut(current);
          }
        }
        continue;
      }
      const int64_t i = FindOpen(nx, ny);
      if (i >= 0) {
        Node* n = open_.At(static_cast<uint32_t>(i));
        if (g < n->g) {
          open_.EraseAt(static_cast<uint32_t>(i));
          n->parent = current;
          n->g = g;
          n->f = f;
          InsertOpen(n);  // it just left the list, so there is room
        }
        continue;
      }
      Node* n = factory_.Take();
      if (!n) return EndRanOut(current);
      n->parent = current;
      n->x = nx;
      n->y = ny;
      n->g = g;
      n->f = f;
      n->next = nullptr;
      if (!InsertOpen(n)) {
        factory_.Release(n);
        return EndRanOut(current);
      }
    }
    closed_.Insert(current);
  }
  idle_ = 1;
  return true;
}

}  // namespace orv
