// The closed set: nodes chained in 2^b buckets keyed by cell coordinates.
//
// The bucket of (x, y) takes the low b/2 bits of each coordinate, so a table
// of exponent 8 tiles the map in 16 x 16 blocks and neighbouring cells spread
// over different buckets.
#pragma once

#include <cstdint>
#include <memory>

#include "pathfind/reference/node_pool.h"

namespace orv {

class NodeHashTable {
 public:
  // The largest exponent Reset accepts; larger ones are cut to it.
  static constexpr int32_t kMaxExponent = 24;

  NodeHashTable();
  NodeHashTable(const NodeHashTable&) = delete;
  NodeHashTable& operator=(const NodeHashTable&) = delete;
  virtual ~NodeHashTable() = default;

  // 2^b empty buckets; b above 24 becomes 24, an odd b is rounded down to
  // even, a negative b becomes 0. Nodes still chained are forgotten, not
  // released. Memory running out throws std::bad_alloc and keeps the
  // buckets there were.
  void Reset(int32_t exponent);
  // Prepends the node to its bucket; false for null or a node already there.
  bool Insert(Node* node);
  // The node of cell (x, y), or null; remembers where it is linked for RemoveFound.
  Node* Find(int32_t x, int32_t y);
  // Unlinks the node the last successful Find returned.
  void RemoveFound();
  // Releases every chained node to the factory and empties every bucket.
  void ReleaseAll(NodeFactory& factory);
  int32_t Count() const { return count_; }
  int32_t Exponent() const { return exponent_; }
  uint32_t BucketCount() const { return 1u << exponent_; }
  uint32_t BucketOf(int32_t x, int32_t y) const {
    const uint32_t mask = (1u << half_) - 1;
    return (static_cast<uint32_t>(x) & mask) | ((static_cast<uint32_t>(y) & mask) << half_);
  }

 private:
  void Allocate(int32_t exponent);

  std::unique_ptr<Node*[]> buckets_;
  int32_t exponent_ = 0;
  int32_t half_ = 0;
  Node** foundLink_ = nullptr;
  int32_t count_ = 0;
};

}  // namespace orv
