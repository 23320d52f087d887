// Player ids on the host and the connection that owns each.
//
// Ids are handed out 101, 102, ... in order. Once the last id (65279) has
// been handed out, the count starts again at 101 and skips every id still
// in use, so a long game in which players keep coming and going never runs
// out of ids while fewer than 65,179 players are in it at once, and no two
// players ever share one.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

class PlayerIds {
 public:
  PlayerIds();
  // Nobody holds an id; the next one handed out is 101.
  void Reset();
  // A free id, now owned by the connection `socket`; 0 when every id is in use.
  uint16_t Take(int32_t socket);
  void Release(uint16_t id);
  // The socket number of the connection that owns `id`, -1 when nobody has it.
  int32_t Owner(uint16_t id) const { return owner_[id]; }

 private:
  std::vector<int32_t> owner_;  // by id
  uint16_t next_;
  uint32_t inUse_ = 0;
};

}  // namespace orv
