// Search nodes and the pool they come from.
//
// Every node a search may need is allocated before the search starts, so a
// search never allocates. Releasing a node only moves the pool's next-free
// index back by one: the pool is emptied, not recycled node by node, which is
// all a search needs since it never gives nodes back before it ends.
#pragma once

#include <cstdint>
#include <memory>

namespace orv {

struct Node {
  Node* parent = nullptr;  // null for the start node
  int32_t x = 0, y = 0;
  float f = 0;             // priority in the open list
  float g = 0;             // accumulated cost from the start
  Node* next = nullptr;    // chain within a bucket of the closed set
};

class NodeFactory {
 public:
  NodeFactory() = default;
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;
  virtual ~NodeFactory() = default;

  // Replaces the pool with `count` fresh nodes. Memory running out throws
  // std::bad_alloc and leaves the pool empty.
  void Refill(int32_t count);
  // The next node in array order, or null when every node is handed out.
  Node* Take();
  // Gives one node back: the next-free index moves back by one.
  void Release(Node* node);
  int32_t Count() const { return count_; }
  int32_t InUse() const { return nextFree_; }

 private:
  int32_t count_ = 0;
  std::unique_ptr<std::unique_ptr<Node>[]> nodes_;
  int32_t nextFree_ = 0;
};

}  // namespace orv
