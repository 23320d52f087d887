// The grid planner, which the path command runs: the same search as the
// reference planner (pathfind/reference/), with the same result cell for
// cell, in O(n log n).
//
// The sorted open list becomes a binary min-heap keyed by (priority,
// insertion number): popping the smallest key is taking the back of the
// sorted list, because the list puts a newer node in front of older ones of
// equal priority. Open-list membership and the closed set are one state byte
// per cell (the grid is dense), and a node whose cost improves is pushed
// again with a new insertion number while its old heap entry goes stale
// (recognised on pop by its number no longer matching the cell's).
#pragma once

#include <cstdint>
#include <vector>

#include "orvane/codes.h"
#include "pathfind/planner_request.h"

namespace orv {

class GridPlanner {
 public:
  // Same contract as Planner::Init; pool size and open capacity limit the
  // search the same way, and the hash exponent is ignored. Everything the
  // search needs is allocated here, so memory running out is an Init
  // failure (Error() then says kErrOutOfMemory), never a search's.
  bool Init(const PlannerRequest& request);
  void Start();
  // Runs to the end; true once the search has ended (found or exhausted).
  bool Search();
  void Clear();

  bool Found() const { return result_ >= 0; }
  // Cells on the found path, start and goal included; 0 without one.
  int32_t PathLength() const;
  // Writes the path's coordinates, start first; room for PathLength() each.
  void ReadPath(int32_t* xs, int32_t* ys) const;
  // Why the last Init failed: kErrOutOfMemory, or kErrSuccess.
  int32_t Error() const { return error_; }
  bool RanOut() const { return ranOut_; }

  // Insertion numbers are 32 bits; when they run out the heap is compacted
  // and renumbered in order. Tests lower the limit to exercise that.
  void SetSequenceLimit(uint32_t limit) { sequenceLimit_ = limit; }

 private:
  enum : uint8_t { kUnseen = 0, kOpen = 1, kClosed = 2 };
  struct Cell {
    float g;
    int32_t parent;  // cell index, -1 for the start
    uint32_t sequence;
    uint8_t state;
  };
  struct Entry {
    uint64_t key;  // order-preserving priority bits above the insertion number
    uint32_t cell;
  };

  bool Refuse(int32_t error) {
    error_ = error;
    return false;
  }
  void Push(uint32_t cell, float f);
  Entry PopMin();
  void Compact();

  PlannerRequest request_;
  std::vector<float> costs_;
  std::vector<Cell> cells_;
  std::vector<Entry> heap_;
  uint32_t nextSequence_ = 0;
  uint32_t sequenceLimit_ = UINT32_MAX;
  int32_t poolSize_ = 0, openCapacity_ = 0;
  int32_t touched_ = 0, openCount_ = 0;
  int32_t result_ = -1;
  int32_t error_ = kErrSuccess;
  bool ranOut_ = false;
  bool ready_ = false;
};

}  // namespace orv
