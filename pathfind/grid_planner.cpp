// The grid planner: what the path command runs (see grid_planner.h).
#include "pathfind/grid_planner.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orv {

namespace {

// Maps a float to an unsigned key with the same order (for every non-NaN value).
inline uint32_t OrderBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

}  // namespace

bool GridPlanner::Init(const PlannerRequest& request) {
  error_ = kErrSuccess;
  switch (CheckPlannerRequest(request)) {
    case RequestCheck::kUnplannable: return false;
    case RequestCheck::kTooLarge: return Refuse(kErrOutOfMemory);
    case RequestCheck::kPlannable: break;
  }
  const int64_t cells = int64_t{request.width} * request.height;

  Clear();
  ready_ = false;
  try {
    costs_.resize(static_cast<size_t>(cells));
    cells_.resize(static_cast<size_t>(cells));
    // Every heap entry the search may need, so the search allocates
    // nothing: an open cell has one live entry, and when stale ones fill
    // the rest, Compact makes room for at least as many again.
    heap_.reserve(2 * static_cast<size_t>(cells));
  } catch (const std::bad_alloc&) {
    costs_ = {};
    cells_ = {};
    heap_ = {};
    return Refuse(kErrOutOfMemory);
  }
  if (!PrepareCostGrid(request.map, cells, costs_.data())) return false;

  const int32_t n = static_cast<int32_t>(cells);
  poolSize_ = request.poolSize > 0 && request.poolSize < n ? request.poolSize : n;
  openCapacity_ = request.openCapacity > 0 && request.openCapacity < n ? request.openCapacity : n;
  request_ = request;
  request_.weight = ClampWeight(request.weight);
  result_ = -1;
  ranOut_ = false;
  ready_ = true;
  return true;
}

void GridPlanner::Start() {
  result_ = -1;
  ranOut_ = false;
  heap_.clear();
  nextSequence_ = 0;
  touched_ = openCount_ = 0;
  if (!ready_) return;
  std::memset(static_cast<void*>(cells_.data()), 0, cells_.size() * sizeof(Cell));
  const uint32_t start = static_cast<uint32_t>(request_.startX) +
                         static_cast<uint32_t>(request_.startY) * static_cast<uint32_t>(request_.width);
  Cell& c = cells_[start];
  c.g = 0;
  c.parent = -1;
  c.state = kOpen;
  touched_ = openCount_ = 1;
  Push(start, 0.0f);
}

void GridPlanner::Clear() {
  heap_.clear();
  result_ = -1;
}

void GridPlanner::Push(uint32_t cell, float f) {
  if (nextSequence_ >= sequenceLimit_ || heap_.size() == heap_.capacity()) Compact();
  const uint32_t sequence = nextSequence_++;
  cells_[cell].sequence = sequence;
  Entry e{uint64_t{OrderBits(f)} << 32 | sequence, cell};
  // Sift up.
  size_t i = heap_.size();
  heap_.push_back(e);
  Entry* h = heap_.data();
  while (i > 0) {
    const size_t parent = (i - 1) / 2;
    if (h[parent].key <= e.key) break;
    h[i] = h[parent];
    i = parent;
  }
  h[i] = e;
}

GridPlanner::Entry GridPlanner::PopMin() {
  Entry* h = heap_.data();
  const Entry top = h[0];
  const Entry last = h[heap_.size() - 1];
  heap_.pop_back();
  const size_t n = heap_.size();
  if (n == 0) return top;
  // Sift the last entry down from the root.
  size_t i = 0;
  for (;;) {
    size_t child = 2 * i + 1;
    if (child >= n) break;
    if (child + 1 < n && h[child + 1].key < h[child].key) ++child;
    if (last.key <= h[child].key) break;
    h[i] = h[child];
    i = child;
  }
  h[i] = last;
  return top;
}

// Drops the stale entries and numbers the live ones 0, 1, ... in key order;
// a sorted array is a valid heap, and the order between entries is kept.
// In place: the search never allocates.
void GridPlanner::Compact() {
  size_t live = 0;
  for (const Entry& e : heap_) {
    const Cell& c = cells_[e.cell];
    if (c.state == kOpen && c.sequence == static_cast<uint32_t>(e.key)) heap_[live++] = e;
  }
  heap_.resize(live);
  std::sort(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  uint32_t sequence = 0;
  for (Entry& e : heap_) {
    e.key = (e.key & 0xFFFFFFFF00000000ull) | sequence;
    cells_[e.cell].sequence = sequence++;
  }
  nextSequence_ = sequence;
}

bool GridPlanner::Search() {
  const PlannerRequest& r = request_;
  const uint32_t width = static_cast<uint32_t>(r.width), height = static_cast<uint32_t>(r.height);
  const uint32_t goal = static_cast<uint32_t>(r.goalX) + static_cast<uint32_t>(r.goalY) * width;
  const bool diagonalMoves = r.diagonalMoves != 0, diagonalCost = r.diagonalCost != 0;
  const float* costs = costs_.data();
  Cell* cells = cells_.data();
  while (!heap_.empty()) {
    const Entry e = PopMin();
    const uint32_t at = e.cell;
    Cell& current = cells[at];
    if (current.state != kOpen || current.sequence != static_cast<uint32_t>(e.key)) continue;  // stale
    current.state = kClosed;
    --openCount_;
    if (at == goal) {
      result_ = static_cast<int32_t>(at);
      return true;
    }
    const uint32_t y = at / width, x = at - y * width;
    const float g0 = current.g;
    for (const NeighbourStep& step : kNeighbourOrder) {
      if (step.diagonal && !diagonalMoves) continue;
      // Unsigned wrap-around turns -1 into a huge value, so one compare per axis.
      const uint32_t nx = x + static_cast<uint32_t>(step.dx), ny = y + static_cast<uint32_t>(step.dy);
      if (nx >= width || ny >= height) continue;
      const uint32_t ni = nx + ny * width;
      const float cost = costs[ni];
      if (cost == kBlockedCost) continue;
      const float g = StepCost(g0, cost, step.diagonal, diagonalCost);
      Cell& n = cells[ni];
      if (n.state == kUnseen) {
        if (touched_ >= poolSize_ || openCount_ >= openCapacity_) {
          ranOut_ = true;
          return true;
        }
        ++touched_;
      } else if (!(g < n.g)) {
        continue;
      } else if (n.state == kClosed && openCount_ >= openCapacity_) {
        ranOut_ = true;
        return true;
      }
      if (n.state != kOpen) ++openCount_;
      n.g = g;
      n.parent = static_cast<int32_t>(at);
      n.state = kOpen;
      Push(ni, Priority(g, Distance(static_cast<int32_t>(nx), static_cast<int32_t>(ny), r.goalX, r.goalY), r.weight));
    }
  }
  return true;
}

int32_t GridPlanner::PathLength() const {
  int32_t count = 0;
  for (int32_t c = result_; c >= 0; c = cells_[static_cast<size_t>(c)].parent) ++count;
  return count;
}

void GridPlanner::ReadPath(int32_t* xs, int32_t* ys) const {
  int32_t i = PathLength();
  const int32_t width = request_.width;
  for (int32_t c = result_; c >= 0; c = cells_[static_cast<size_t>(c)].parent) {
    --i;
    xs[i] = c % width;
    ys[i] = c / width;
  }
}

}  // namespace orv
