// The multiplayer session: one machine hosts (listens, connects to itself as
// its own first client, relays), the others join; named players exchange
// text messages addressed by 16-bit ids (101, 102, ... handed out by the host).
//
// Depends on: net/socket_layer.h, net/net_message.h, net/session_link.h,
// net/player_ids.h.
//
// Every machine runs one network thread that moves messages between the
// sockets and in-memory queues; the game thread works on the queues under
// one mutex, and when a local player's queue is empty GetMessage takes what
// has reached the connection to the host itself, under the same mutex. The
// thread waits in poll() on its sockets and a wake-up descriptor the game
// thread signals, without holding the mutex, and is joined when the
// session ends.
//
// Nothing waits for a peer. Every connection has its own outgoing queue that
// is sent as the peer takes it. A client is dropped as if it had
// disconnected when it takes nothing for kStallMs while bytes wait, stays
// more than kMaxQueuedBytes behind for kStallMs, or falls kHardQueuedBytes
// behind: an honest game that falls behind in a burst catches up, a peer
// that reads slowly or not at all costs nobody else any time and the host
// a bounded amount of memory. The game's own sends go through the same kind
// of queue on its connection to the host: a burst larger than the queue
// waits until the network thread has made room, and fails only when the
// host takes nothing for kStallMs.
//
// A connection that breaks the protocol (bad length or type, a creation of
// the wrong size, more players than a connection may own or created faster
// than kCreationsPerSecond after a first kMaxPlayersPerConnection, half a
// message and then silence for kStallMs, no player created within kIdleMs)
// is closed, and its players leave as if it had disconnected. A message
// whose sender is not a player of the connection it came on (0 is allowed
// for game messages) is dropped. At most 128 clients are served; further
// ones are refused. The host's own connection to itself is exempt from
// these limits.
//
// Each local player keeps at most kMaxPlayerQueue messages of together
// kMaxPlayerQueueBytes; when more come the oldest are dropped and counted
// (DroppedMessages).
#pragma once

#include <poll.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/net_message.h"
#include "net/player_ids.h"
#include "net/session_link.h"
#include "net/socket_layer.h"

namespace orv {

class NetSession {
 public:
  static constexpr int kDefaultPort = 27910;
  static constexpr int kMaxConnections = 128;
  // How long a request waits for its reply, and a creation for its id
  // (what 250 polls 20 ms apart used to take).
  static constexpr int kRequestTimeoutMs = 5000;
  static constexpr int kStallMs = 5000;       // a half-sent message or a full queue may wait this long
  static constexpr int kIdleMs = 10000;       // a connection has this long to create its first player
  static constexpr size_t kMaxPlayersPerConnection = 256;
  static constexpr int kCreationsPerSecond = 16;
  static constexpr size_t kMaxQueuedBytes = 4u << 20;  // waiting to go out on one connection, for long
  static constexpr size_t kHardQueuedBytes = 16u << 20;  // ... for a moment
  static constexpr size_t kMaxPlayerQueue = 16384;     // messages waiting for one local player
  static constexpr size_t kMaxPlayerQueueBytes = 4u << 20;
  static constexpr size_t kMaxLeftPlayers = 65536;

  NetSession();
  ~NetSession();
  NetSession(const NetSession&) = delete;
  NetSession& operator=(const NetSession&) = delete;

  bool Host(int port);
  bool Join(const std::string& host, int port);
  // Ends the session and its network thread; safe to call more than once.
  void Shutdown();
  void AcceptPlayers(bool accept);
  // The new player's id, or 0.
  int CreatePlayer(const std::string& name);
  void RemovePlayer(int id);
  // False for a text over 1024 bytes (error 10040: it would not fit one
  // message), or when the session has ended.
  bool SendMessage(int from, int to, const std::string& text);
  // The oldest message of a local player ("" when none); its sender becomes LastSender.
  std::string GetMessage(int player);
  int LastSender() const;
  // Messages a local player lost because its queue was full, since it was created.
  uint64_t DroppedMessages(int player) const;
  std::string PlayerName(int id);
  int PlayerCount();
  int PlayerIdByIndex(int index);
  int NextLeftPlayer();
  bool IsRunning() const;
  // How long a client may stall halfway through a message, leave the bytes
  // relayed to it untaken, or stay far behind, before it is dropped
  // (kStallMs unless set).
  void SetStallLimit(int ms);
  // How long a client may stay connected without creating a player (kIdleMs unless set).
  void SetIdleLimit(int ms);
  // Client connections the host holds now (0 on a client).
  int ConnectionCount();

 private:
  struct Message {
    MessageHeader header;
    std::string payload;
    int connection = -1;  // socket number of the client connection it came on; -1 = from the host
  };
  struct LocalPlayer {
    PlayerRecord record;
    std::deque<Message> queue;
    size_t queuedBytes = 0;
    uint64_t dropped = 0;
  };
  struct Connection {
    SessionLink link;
    int64_t openedAt = 0;
    size_t players = 0;     // in the game now
    bool created = false;   // has created a player
    double credit = 0;      // creations it may make now
    int64_t creditAt = 0;
    int64_t behindSince = 0;  // more than kMaxQueuedBytes waiting since then; 0 = not
    bool own = false;       // the host's connection to itself
    bool failed = false;    // dropped at the end of the pass
  };

  void Reset();
  bool StartThread();
  int CreateRecord(const std::string& name, bool isQuery);
  // Sends one request and waits for the reply of its type; false when none came in time.
  bool Request(uint8_t type, const std::string& payload, Message& reply);
  // Queues one whole message for the host (the game thread's sends).
  bool SendWhole(uint8_t type, uint16_t to, uint16_t from, const std::string& payload);
  void Wake();

  // The network thread: takes lock_ and holds it except while it waits.
  void ThreadMain();
  // Waits until a socket or the game thread has something (at once when
  // busy). Called with lock_ held through `held`; lets go of it for the wait.
  void WaitForSockets(std::unique_lock<std::mutex>& held, bool busy);
  // The steps of a pass; called with lock_ held.
  int NextTimeoutMs(int64_t now) const;
  // One pass: >0 when it moved something, 0 when idle, -1 when the host is gone.
  int Pass(int64_t now);
  // Takes what the host sent: ids, messages for local players, replies. Also
  // called by the game thread (GetMessage), under the same lock.
  int ReceiveFromServer(int64_t now);
  int ServeConnections(int64_t now);
  void Deliver(LocalPlayer& p, const Message& m);
  void HandleOnHost(const Message& m, int64_t now);
  void CreateOnHost(Connection& c, const Message& m, int64_t now);
  // Queues a message for a client; a client too far behind is marked failed.
  void SendTo(Connection& c, uint8_t type, uint16_t to, uint16_t from, const std::string& payload, int64_t now);
  Connection* ConnectionOf(int socket);
  void DropConnection(size_t index);
  void Leave(const PlayerRecord& r);
  void EndFromThread();

  // Everything below is guarded by lock_.
  mutable std::mutex lock_;
  std::condition_variable changed_;  // ids assigned, replies queued, output sent, thread ended
  std::thread thread_;
  int wakeFd_ = -1;  // written by the game thread to wake the network thread
  PlayerIds ids_;
  uint16_t queryPlayerId_ = 0;
  int listenSocket_ = -1;
  int listenFd_ = -1;
  bool listenReady_ = false;
  SessionLink server_;  // to the host (on the host: its connection to itself)
  uint32_t ownIp_ = 0;  // the host's connection to itself, as the listener sees it
  int ownPort_ = -1;
  std::deque<LocalPlayer> localPlayers_;
  std::vector<PlayerRecord> allPlayers_;
  std::vector<Message> incoming_;
  std::deque<Message> replies_;
  std::deque<uint16_t> leftPlayers_;
  std::vector<Connection> connections_;
  std::vector<int> connectionIndex_;  // by socket number, -1 = none
  std::vector<pollfd> pollFds_;
  bool isHost_ = false;
  bool stopRequested_ = true;
  bool running_ = false;
  bool acceptPlayers_ = true;
  bool layerStarted_ = false;  // this session holds one start of the socket layer
  int lastSender_ = 0;
  int stallLimitMs_ = kStallMs;
  int idleLimitMs_ = kIdleMs;
};

}  // namespace orv
