#include "pathfind/node_pool.h"

#include <cstddef>
#include <new>

namespace orv {

NodeFactory::~NodeFactory() { Free(); }

void NodeFactory::Free() {
  for (int32_t i = 0; i < count_; ++i) delete nodes_[i];
  delete[] nodes_;
  nodes_ = nullptr;
  count_ = 0;
  nextFree_ = 0;
}

bool NodeFactory::Refill(int32_t count) {
  Free();
  if (count <= 0) return true;
  nodes_ = new (std::nothrow) Node*[static_cast<std::size_t>(count)];
  if (!nodes_) return false;
  for (int32_t i = 0; i < count; ++i) {
    nodes_[i] = new (std::nothrow) Node;
    if (!nodes_[i]) {
      count_ = i;
      Free();
      return false;
    }
  }
  count_ = count;
  return true;
}

Node* NodeFactory::Take() { return nextFree_ < count_ ? nodes_[nextFree_++] : nullptr; }

void NodeFactory::Release(Node*) {
  if (nextFree_ > 0) --nextFree_;
}

}  // namespace orv
