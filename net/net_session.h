// The multiplayer session: one machine hosts (listens, connects to itself as
// its own first client, relays), the others join; named players exchange
// text messages addressed by 16-bit ids (101, 102, ... handed out by the host).
//
// Depends on: net/socket_layer.h, net/net_message.h.
//
// Every machine runs one network thread that moves messages between the
// sockets and in-memory queues; the game thread only touches the queues,
// under one mutex. The thread waits on its sockets with poll() (at most
// 10 ms) rather than sleeping blindly, and is joined when the session ends.
//
// A connection that breaks the protocol (bad length or type, a creation of
// the wrong size, more players than a connection may own, half a message and
// then silence for kStallMs) is closed, and its players leave as if it had
// disconnected. At most 128 clients are served; further ones are refused.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/net_message.h"
#include "net/socket_layer.h"

namespace orv {

class NetSession {
 public:
  static constexpr int kDefaultPort = 27910;
  static constexpr int kMaxConnections = 128;
  static constexpr int kRequestPolls = 250;   // 20 ms apart
  static constexpr int kPollIntervalMs = 20;
  static constexpr int kStallMs = 5000;       // a half-sent message may wait this long
  static constexpr size_t kMaxPlayersPerConnection = 256;

  NetSession() = default;
  ~NetSession() { Shutdown(); }
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
  bool SendMessage(int from, int to, const std::string& text);
  // The oldest message of a local player ("" when none); its sender becomes LastSender.
  std::string GetMessage(int player);
  int LastSender() const;
  std::string PlayerName(int id);
  int PlayerCount();
  int PlayerIdByIndex(int index);
  int NextLeftPlayer();
  bool IsRunning() const;
  // How long a client may stall halfway through a message, or refuse to take
  // the bytes relayed to it, before it is dropped (kStallMs unless set).
  void SetStallLimit(int ms);
  // Client connections the host holds now (0 on a client).
  int ConnectionCount();

 private:
  struct Message {
    MessageHeader header;
    std::string payload;
    int connection = -1;  // socket number of the client connection it came on; -1 = from serverSocket, -2 = dropped
  };
  struct LocalPlayer {
    PlayerRecord record;
    std::deque<Message> queue;
  };
  struct Connection {
    int socket = -1;
    MessageReader reader;
    int64_t partialSince = 0;  // ms clock of the last byte of a partial message, 0 = none
    size_t players = 0;
  };

  void Reset();
  bool StartThread();
  int CreateRecord(const std::string& name, bool isQuery);
  // Sends one request and waits for its reply; false when none came in time.
  bool Request(uint8_t type, const std::string& payload, Message& reply);
  // One whole message on a socket; never interleaved with another thread's.
  bool SendWhole(int socket, uint8_t type, uint16_t to, uint16_t from, const std::string& payload, int stallMs = -1);

  // The network thread and the steps of its pass; called with lock_ held.
  void ThreadMain();
  // One pass: 1 when it moved something, 0 when idle, -1 when the host is gone.
  int Pass(std::unique_lock<std::mutex>& held);
  int ReceiveFromServer();
  int ServeConnections();
  void DropConnection(size_t index);
  void RemoveRecords(bool (*match)(const PlayerRecord&, int), int value);
  void HandleOnHost(const Message& m, std::unique_lock<std::mutex>& held);
  void SendUnlocked(std::unique_lock<std::mutex>& held, int socket, uint8_t type, uint16_t to, uint16_t from,
                    const std::string& payload);
  void WaitForSockets();
  void EndFromThread();

  // Everything below is guarded by lock_.
  mutable std::mutex lock_;
  std::condition_variable changed_;  // ids assigned, replies queued, thread ended
  std::mutex sendLock_;
  std::thread thread_;
  uint16_t nextPlayerId_ = kFirstPlayerId;
  uint16_t queryPlayerId_ = 0;
  int listenSocket_ = -1;
  int serverSocket_ = -1;
  std::deque<LocalPlayer> localPlayers_;
  std::vector<PlayerRecord> allPlayers_;
  std::vector<Message> incoming_;
  std::deque<Message> replies_;
  std::deque<uint16_t> leftPlayers_;
  std::vector<Connection> connections_;
  MessageReader serverReader_;
  bool isHost_ = false;
  bool stopRequested_ = true;
  bool running_ = false;
  bool acceptPlayers_ = true;
  bool layerStarted_ = false;  // this session holds one start of the socket layer
  int lastSender_ = 0;
  int stallLimitMs_ = kStallMs;
  std::vector<int> failedSockets_;  // client connections a relay could not reach
};

}  // namespace orv
