#include "net/player_ids.h"

#include "net/net_message.h"

namespace orv {

PlayerIds::PlayerIds() : owner_(0x10000, -1), next_(kFirstPlayerId) {}

void PlayerIds::Reset() {
  owner_.assign(owner_.size(), -1);
  next_ = kFirstPlayerId;
  inUse_ = 0;
}

uint16_t PlayerIds::Take(int32_t socket) {
  constexpr uint32_t kIds = kMaxPlayerId - kFirstPlayerId + 1;
  if (socket < 0 || inUse_ >= kIds) return 0;
  while (owner_[next_] != -1) next_ = next_ == kMaxPlayerId ? kFirstPlayerId : next_ + 1;
  const uint16_t id = next_;
  next_ = next_ == kMaxPlayerId ? kFirstPlayerId : next_ + 1;
  owner_[id] = socket;
  ++inUse_;
  return id;
}

void PlayerIds::Release(uint16_t id) {
  if (owner_[id] == -1) return;
  owner_[id] = -1;
  --inUse_;
}

}  // namespace orv
