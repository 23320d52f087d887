#include "pathfind/reference/node_pool.h"

#include <cstddef>

namespace orv {

void NodeFactory::Refill(int32_t count) {
  nodes_.reset();
  count_ = nextFree_ = 0;
  if (count <= 0) return;
  // Built aside: when memory runs out halfway, what was made is freed again.
  auto nodes = std::make_unique<std::unique_ptr<Node>[]>(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) nodes[static_cast<std::size_t>(i)] = std::make_unique<Node>();
  nodes_ = std::move(nodes);
  count_ = count;
}

Node* NodeFactory::Take() { return nextFree_ < count_ ? nodes_[static_cast<std::size_t>(nextFree_++)].get() : nullptr; }

void NodeFactory::Release(Node*) {
  if (nextFree_ > 0) --nextFree_;
}

}  // namespace orv
