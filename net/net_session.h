// The multiplayer session object and the socket layer's reference count.
#pragma once

namespace orv {

class NetSession {
 public:
  NetSession() = default;
  ~NetSession() { Shutdown(); }
  // Ends the session and its network thread; safe to call more than once.
  void Shutdown() {}
};

// Drops one reference of the socket layer; at zero every socket is closed.
void SockShutdown();

}  // namespace orv
