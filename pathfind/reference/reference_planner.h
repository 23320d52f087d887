// The reference planner: A* over a cost grid with a node pool, an open list
// kept sorted in a ring buffer and a closed set in a bucketed hash table.
// Only tests and benchmarks use it, as the definition the grid planner
// (pathfind/grid_planner.h, what the path command runs) is held to.
//
// It is the definition of which path a search returns: the open list is
// sorted from the largest priority at the front to the smallest at the back,
// a node is inserted in front of the nodes of equal priority, and the search
// always expands the back element, so among equal priorities the node
// inserted first is expanded first. Closed nodes are re-opened when a cheaper
// way to them turns up. Its open-list lookups are linear and its insertions
// shift the list, so it is slow on large maps; GridPlanner returns the same
// paths quickly.
#pragma once

#include <cstdint>
#include <memory>

#include "orvane/codes.h"

#include "pathfind/planner_request.h"
#include "pathfind/reference/fixed_deque.h"
#include "pathfind/reference/node_hash_table.h"
#include "pathfind/reference/node_pool.h"

namespace orv {

class Planner {
 public:
  Planner() = default;
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;
  virtual ~Planner();

  // Validates the request and prepares the cost grid, the node pool, the open
  // list and the closed set. False for a start or goal outside the map, start
  // equal to goal, a map without a passable cell, a map of more than
  // kMaxPlannerCells cells or memory running out (Error() then says
  // kErrOutOfMemory). Everything a search needs is allocated here: a search
  // never allocates.
  bool Init(const PlannerRequest& request);
  virtual void Start();
  // Runs to the end; true once the search has ended (found or exhausted).
  virtual bool Search() = 0;
  // Releases every node back to the pool and empties both lists.
  virtual void Clear();

  // The goal node of the found path (follow the parents to the start), or null.
  const Node* Result() const { return result_; }
  // Why the last Init failed: kErrOutOfMemory, or kErrSuccess.
  int32_t Error() const { return error_; }
  // True when the last search ended because the pool or the open list ran out.
  bool RanOut() const { return ranOut_; }
  bool Idle() const { return idle_ != 0; }
  int32_t SearchCalls() const { return searchCalls_; }

 protected:
  bool Refuse(int32_t error) {
    error_ = error;
    return false;
  }

  uint8_t idle_ = 1;
  NodeFactory factory_;
  PlannerRequest request_;
  std::unique_ptr<float[]> costs_;
  int32_t searchCalls_ = 0;
  FixedDeque<Node*> open_;
  NodeHashTable closed_;
  Node* result_ = nullptr;
  int32_t error_ = kErrSuccess;
  bool ranOut_ = false;
};

class AStarPlanner : public Planner {
 public:
  void Start() override;
  bool Search() override;

 private:
  // Inserts by binary search so the list stays sorted (see the class comment).
  bool InsertOpen(Node* node);
  // Index of the open node of cell (x, y), searched from the back; -1 when none.
  int64_t FindOpen(int32_t x, int32_t y) const;
  // Ends a search whose pool or open list ran out: no result.
  bool EndRanOut(Node* current);
};

}  // namespace orv
