#include "pathfind/reference/node_hash_table.h"

#include <cstddef>

namespace orv {

NodeHashTable::NodeHashTable() { Allocate(0); }

void NodeHashTable::Allocate(int32_t exponent) {
  // The new buckets come first: when they cannot be had the table stays whole.
  buckets_ = std::make_unique<Node*[]>(std::size_t{1} << exponent);
  foundLink_ = nullptr;
  count_ = 0;
  exponent_ = exponent;
  half_ = exponent / 2;
}

void NodeHashTable::Reset(int32_t exponent) {
  if (exponent > kMaxExponent) exponent = kMaxExponent;
  if (exponent < 0) exponent = 0;
  exponent &= ~1;
  Allocate(exponent);
}

bool NodeHashTable::Insert(Node* node) {
  if (!node) return false;
  Node*& head = buckets_[BucketOf(node->x, node->y)];
  for (Node* n = head; n; n = n->next)
    if (n == node) return false;
  node->next = head;
  head = node;
  ++count_;
  return true;
}

Node* NodeHashTable::Find(int32_t x, int32_t y) {
  foundLink_ = nullptr;
  for (Node** link = &buckets_[BucketOf(x, y)]; *link; link = &(*link)->next) {
    Node* n = *link;
    if (n->x == x && n->y == y) {
      foundLink_ = link;
      return n;
    }
  }
  return nullptr;
}

void NodeHashTable::RemoveFound() {
  if (!foundLink_ || !*foundLink_) return;
  Node* n = *foundLink_;
  *foundLink_ = n->next;
  n->next = nullptr;
  foundLink_ = nullptr;
  --count_;
}

void NodeHashTable::ReleaseAll(NodeFactory& factory) {
  const uint32_t buckets = BucketCount();
  for (uint32_t i = 0; i < buckets; ++i) {
    for (Node* n = buckets_[i]; n;) {
      Node* next = n->next;
      n->next = nullptr;
      factory.Release(n);
      n = next;
    }
    buckets_[i] = nullptr;
  }
  foundLink_ = nullptr;
  count_ = 0;
}

}  // namespace orv
