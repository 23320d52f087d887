#include "net/net_session.h"

#include <poll.h>

#include <chrono>
#include <cstring>

namespace orv {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool ValidId(int id) { return id >= 1 && id <= kMaxPlayerId; }

bool SameSocket(const PlayerRecord& r, int socket) { return r.socket == socket; }

}  // namespace

// ---- Game thread -------------------------------------------------------------

void NetSession::Reset() {
  Shutdown();
  std::lock_guard<std::mutex> held(lock_);
  localPlayers_.clear();
  allPlayers_.clear();
  leftPlayers_.clear();
  replies_.clear();
  incoming_.clear();
  connections_.clear();
  serverReader_.Next();
  nextPlayerId_ = kFirstPlayerId;
  queryPlayerId_ = 0;
  Sockets().Start();
  layerStarted_ = true;
}

bool NetSession::StartThread() {
  std::lock_guard<std::mutex> held(lock_);
  running_ = true;
  stopRequested_ = false;
  thread_ = std::thread([this] { ThreadMain(); });
  return true;
}

bool NetSession::Host(int port) {
  if (port <= 0) port = kDefaultPort;
  Reset();
  const int listener = Sockets().TcpListen(port);
  const int self = listener < 0 ? -1 : Sockets().TcpConnect("", port, 5000);
  {
    std::lock_guard<std::mutex> held(lock_);
    listenSocket_ = listener;
    serverSocket_ = self;
    isHost_ = true;
  }
  if (self < 0) {
    Shutdown();
    return false;
  }
  Sockets().SetNoDelay(self);
  return StartThread();
}

bool NetSession::Join(const std::string& host, int port) {
  if (port <= 0) port = kDefaultPort;
  Reset();
  const int server = Sockets().TcpConnect(host, port, 5000);
  {
    std::lock_guard<std::mutex> held(lock_);
    serverSocket_ = server;
    isHost_ = false;
  }
  if (server < 0) {
    Shutdown();
    return false;
  }
  // Messages are small and conversational: without this each relayed one
  // could wait for the previous one's acknowledgement.
  Sockets().SetNoDelay(server);
  StartThread();
  Message reply;
  if (!Request(kMsgJoin, "", reply)) {
    Shutdown();
    return false;
  }
  return true;
}

void NetSession::Shutdown() {
  {
    std::lock_guard<std::mutex> held(lock_);
    if (running_) stopRequested_ = true;
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  std::lock_guard<std::mutex> held(lock_);
  EndFromThread();
  acceptPlayers_ = true;
  nextPlayerId_ = kFirstPlayerId;
  queryPlayerId_ = 0;
}

int NetSession::ConnectionCount() {
  std::lock_guard<std::mutex> held(lock_);
  return static_cast<int>(connections_.size());
}

void NetSession::AcceptPlayers(bool accept) {
  std::lock_guard<std::mutex> held(lock_);
  acceptPlayers_ = accept;
}

int NetSession::CreateRecord(const std::string& name, bool isQuery) {
  std::unique_lock<std::mutex> held(lock_);
  LocalPlayer p;
  p.record.socket = -1;
  p.record.playerId = kCreationPending;
  p.record.isQuery = isQuery ? 1 : 0;
  p.record.isHostLocal = isHost_ ? 1 : 0;
  const std::string& text = isQuery ? std::string("query") : name;
  SetPlayerName(p.record, text.data(), text.size());
  localPlayers_.push_back(std::move(p));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestPolls * kPollIntervalMs);
  int id = 0;
  changed_.wait_until(held, deadline, [&] {
    const uint16_t newest = localPlayers_.back().record.playerId;
    if (newest != 0 && newest < kNoPlayerId) id = newest;
    return id != 0 || !running_;
  });
  if (id == 0 && !localPlayers_.empty()) localPlayers_.pop_back();
  return id;
}

int NetSession::CreatePlayer(const std::string& name) { return CreateRecord(name, false); }

bool NetSession::SendWhole(int socket, uint8_t type, uint16_t to, uint16_t from, const std::string& payload,
                           int stallMs) {
  if (socket < 0) return false;
  const std::string wire = EncodeMessage(type, to, from, payload);
  std::lock_guard<std::mutex> sending(sendLock_);
  return Sockets().Send(socket, wire.data(), wire.size(), stallMs) == static_cast<long>(wire.size());
}

bool NetSession::Request(uint8_t type, const std::string& payload, Message& reply) {
  uint16_t query;
  {
    std::lock_guard<std::mutex> held(lock_);
    query = queryPlayerId_;
  }
  if (query == 0) {
    query = static_cast<uint16_t>(CreateRecord("query", true));
    if (query == 0) return false;
    std::lock_guard<std::mutex> held(lock_);
    queryPlayerId_ = query;
  }
  int socket;
  {
    std::lock_guard<std::mutex> held(lock_);
    replies_.clear();
    socket = serverSocket_;
  }
  if (!SendWhole(socket, type, 0, query, payload)) return false;
  std::unique_lock<std::mutex> held(lock_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestPolls * kPollIntervalMs);
  if (!changed_.wait_until(held, deadline, [&] { return !replies_.empty() || !running_; }) || replies_.empty()) {
    return false;
  }
  reply = std::move(replies_.front());
  replies_.pop_front();
  return true;
}

void NetSession::RemovePlayer(int id) {
  if (!ValidId(id)) return;
  int socket;
  {
    std::lock_guard<std::mutex> held(lock_);
    socket = serverSocket_;
  }
  SendWhole(socket, kMsgRemovePlayer, 0, static_cast<uint16_t>(id), "");
}

bool NetSession::SendMessage(int from, int to, const std::string& text) {
  if (to == 0) to = kBroadcastId;
  int socket;
  {
    std::lock_guard<std::mutex> held(lock_);
    socket = serverSocket_;
  }
  return SendWhole(socket, kMsgGame, static_cast<uint16_t>(to), static_cast<uint16_t>(from), text);
}

std::string NetSession::GetMessage(int player) {
  std::lock_guard<std::mutex> held(lock_);
  for (LocalPlayer& p : localPlayers_) {
    if (p.record.playerId != player || p.queue.empty()) continue;
    Message m = std::move(p.queue.front());
    p.queue.pop_front();
    lastSender_ = m.header.from;
    return m.payload;
  }
  return "";
}

int NetSession::LastSender() const {
  std::lock_guard<std::mutex> held(lock_);
  return lastSender_;
}

std::string NetSession::PlayerName(int id) {
  Message reply;
  if (!Request(kMsgPlayerName, EncodeU16(static_cast<uint16_t>(id)), reply)) return "NO_DATA";
  return std::string(reply.payload.c_str());
}

int NetSession::PlayerCount() {
  Message reply;
  if (!Request(kMsgPlayerCount, "", reply)) return 0;
  return PayloadU16(reinterpret_cast<const uint8_t*>(reply.payload.data()), reply.payload.size());
}

int NetSession::PlayerIdByIndex(int index) {
  Message reply;
  if (!Request(kMsgPlayerIdByIndex, EncodeU16(static_cast<uint16_t>(index)), reply)) return 0;
  return PayloadU16(reinterpret_cast<const uint8_t*>(reply.payload.data()), reply.payload.size());
}

int NetSession::NextLeftPlayer() {
  std::lock_guard<std::mutex> held(lock_);
  if (!isHost_ || leftPlayers_.empty()) return 0;
  const int id = leftPlayers_.front();
  leftPlayers_.pop_front();
  return id;
}

void NetSession::SetStallLimit(int ms) {
  std::lock_guard<std::mutex> held(lock_);
  stallLimitMs_ = ms;
}

bool NetSession::IsRunning() const {
  std::lock_guard<std::mutex> held(lock_);
  return running_;
}

// ---- Network thread ----------------------------------------------------------

void NetSession::ThreadMain() {
  std::unique_lock<std::mutex> held(lock_);
  while (!stopRequested_) {
    const int moved = Pass(held);
    if (moved < 0) break;
    changed_.notify_all();
    if (moved == 0 && !stopRequested_) {
      held.unlock();
      WaitForSockets();
      held.lock();
    }
  }
  EndFromThread();
  changed_.notify_all();
}

// Closes every socket of the session; called with the lock held. Only the
// start this session made is given back: a game's own use of the socket
// layer outlives the session.
void NetSession::EndFromThread() {
  for (Connection& c : connections_) Sockets().Close(c.socket);
  connections_.clear();
  if (listenSocket_ >= 0) Sockets().Close(listenSocket_);
  if (serverSocket_ >= 0) Sockets().Close(serverSocket_);
  listenSocket_ = serverSocket_ = -1;
  if (layerStarted_) Sockets().Shutdown();
  layerStarted_ = false;
  running_ = false;
  stopRequested_ = true;
}

void NetSession::WaitForSockets() {
  // The descriptors are read under the lock, but only this thread closes
  // them, so they stay valid while it waits.
  std::vector<pollfd> fds;
  {
    std::lock_guard<std::mutex> held(lock_);
    auto add = [&](int number) {
      const int fd = Sockets().Descriptor(number);
      if (fd >= 0) fds.push_back(pollfd{fd, POLLIN, 0});
    };
    add(serverSocket_);
    if (isHost_) {
      add(listenSocket_);
      for (const Connection& c : connections_) add(c.socket);
    }
  }
  poll(fds.data(), fds.size(), 10);
}

void NetSession::SendUnlocked(std::unique_lock<std::mutex>& held, int socket, uint8_t type, uint16_t to,
                              uint16_t from, const std::string& payload) {
  // A client that takes no bytes must not hold up the relay for the others.
  const bool client = socket != serverSocket_;
  const int limit = client ? stallLimitMs_ : -1;
  for (const int failed : failedSockets_) {
    if (failed == socket) return;  // already given up on; dropped at the end of the pass
  }
  held.unlock();
  const bool sent = SendWhole(socket, type, to, from, payload, limit);
  held.lock();
  if (!sent && client) failedSockets_.push_back(socket);
}

int NetSession::Pass(std::unique_lock<std::mutex>& held) {
  int moved = 0;
  // Creations waiting to go to the host.
  std::vector<std::string> creations;
  for (LocalPlayer& p : localPlayers_) {
    if (p.record.playerId != kCreationPending) continue;
    creations.push_back(EncodePlayerRecord(p.record));
    p.record.playerId = kCreationSent;
  }
  for (const std::string& c : creations) SendUnlocked(held, serverSocket_, kMsgCreatePlayer, 0, 0, c);
  moved += static_cast<int>(creations.size());

  const int fromServer = ReceiveFromServer();
  if (fromServer < 0) return -1;
  moved += fromServer;
  if (isHost_) moved += ServeConnections();

  // Local delivery, in the order the messages came; a message for one
  // player is not relayed any further. A new player's id is taken as it
  // comes, so a message to that player right behind it finds the player.
  std::vector<Message> rest;
  for (Message& m : incoming_) {
    if (m.connection == -1 && m.header.from == 0 && m.header.type == kMsgPlayerCreated) {
      for (LocalPlayer& p : localPlayers_) {
        if (p.record.playerId != kCreationSent) continue;
        if (ValidId(m.header.to)) p.record.playerId = m.header.to;
        break;
      }
      continue;
    }
    bool delivered = false;
    if (m.header.type == kMsgGame) {
      for (LocalPlayer& p : localPlayers_) {
        if (p.record.playerId != m.header.to) continue;
        p.queue.push_back(m);
        delivered = true;
      }
    }
    if (!(delivered && m.header.to != kBroadcastId)) rest.push_back(std::move(m));
  }
  incoming_.clear();

  for (const Message& m : rest) {
    if (m.connection != -1) {
      if (isHost_ && m.connection >= 0) HandleOnHost(m, held);
      continue;
    }
    // From the host: replies to requests.
    if (m.header.from == 0 && m.header.type >= 100) replies_.push_back(m);
  }
  for (const int socket : failedSockets_) {
    for (size_t i = 0; i < connections_.size(); ++i) {
      if (connections_[i].socket == socket) {
        DropConnection(i);
        break;
      }
    }
  }
  moved += static_cast<int>(failedSockets_.size());
  failedSockets_.clear();
  return moved > 0 ? 1 : 0;
}

int NetSession::ReceiveFromServer() {
  int moved = 0;
  for (;;) {
    const int r = ReceiveMessage(serverSocket_, serverReader_);
    if (r == -2) return moved;
    if (r != 1) return -1;
    const MessageHeader& h = serverReader_.Header();
    incoming_.push_back(Message{h, std::string(reinterpret_cast<const char*>(serverReader_.Payload()), h.length), -1});
    serverReader_.Next();
    ++moved;
  }
}

int NetSession::ServeConnections() {
  int moved = 0;
  if (acceptPlayers_) {
    const int s = Sockets().TcpAccept(listenSocket_, nullptr);
    if (s >= 0) {
      if (connections_.size() >= kMaxConnections) {
        Sockets().Close(s);
      } else {
        Sockets().SetNoDelay(s);
        connections_.emplace_back();
        connections_.back().socket = s;
      }
      ++moved;
    }
  }
  for (size_t i = 0; i < connections_.size();) {
    Connection& c = connections_[i];
    const size_t wanted = c.reader.Wanted();
    const int r = ReceiveMessage(c.socket, c.reader);
    if (r == 1) {
      MessageHeader h = c.reader.Header();
      if (h.type == kMsgCreatePlayer) h.from = static_cast<uint16_t>(i);
      Message m{h, std::string(reinterpret_cast<const char*>(c.reader.Payload()), h.length), c.socket};
      incoming_.push_back(std::move(m));
      c.reader.Next();
      c.partialSince = 0;
      ++moved;
    } else if (r == -2) {
      const int64_t now = NowMs();
      // The clock runs from the last byte that arrived, not from the start
      // of the message: a large message on a busy host may take a while.
      if (!c.reader.Partial()) {
        c.partialSince = 0;
      } else if (c.partialSince == 0 || c.reader.Wanted() != wanted) {
        c.partialSince = now;
      } else if (now - c.partialSince > stallLimitMs_) {
        DropConnection(i);
        ++moved;
        continue;
      }
    } else {
      DropConnection(i);
      ++moved;
      continue;
    }
    ++i;
  }
  return moved;
}

void NetSession::DropConnection(size_t index) {
  const int socket = connections_[index].socket;
  RemoveRecords([](const PlayerRecord& r, int s) { return SameSocket(r, s); }, socket);
  Sockets().Close(socket);
  if (index + 1 != connections_.size()) connections_[index] = std::move(connections_.back());
  connections_.pop_back();
  // Messages it sent this pass are not served any more.
  for (Message& m : incoming_) {
    if (m.connection == socket) m.connection = -2;
  }
}

void NetSession::RemoveRecords(bool (*match)(const PlayerRecord&, int), int value) {
  for (size_t i = 0; i < allPlayers_.size();) {
    if (match(allPlayers_[i], value)) {
      leftPlayers_.push_back(allPlayers_[i].playerId);
      allPlayers_.erase(allPlayers_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

void NetSession::HandleOnHost(const Message& m, std::unique_lock<std::mutex>& held) {
  // m.connection holds the socket number of the client connection it came on.
  const int from = m.connection;
  Connection* conn = nullptr;
  for (Connection& c : connections_) {
    if (c.socket == from) conn = &c;
  }
  if (!conn) return;  // dropped since
  const MessageHeader& h = m.header;
  const uint8_t* payload = reinterpret_cast<const uint8_t*>(m.payload.data());
  auto socketOf = [&](uint16_t id) {
    for (const PlayerRecord& r : allPlayers_) {
      if (r.playerId == id) return r.socket;
    }
    return -1;
  };
  auto reply = [&](const std::string& body) {
    const int to = socketOf(h.from);
    if (to >= 0) SendUnlocked(held, to, h.type, h.from, 0, body);
  };

  if (h.type == kMsgGame) {
    if (h.to != kBroadcastId) {
      const int to = socketOf(h.to);
      if (to >= 0) SendUnlocked(held, to, kMsgGame, h.to, h.from, m.payload);
      return;
    }
    // allPlayers_ changes only on this thread, so it may be walked while sending.
    for (size_t i = 0; i < allPlayers_.size(); ++i) {
      const PlayerRecord r = allPlayers_[i];
      if (r.isQuery || r.isHostLocal || r.playerId == h.from) continue;
      SendUnlocked(held, r.socket, kMsgGame, r.playerId, h.from, m.payload);
    }
    return;
  }
  if (h.to != 0) return;  // only the host sends addressed replies and ids

  switch (h.type) {
    case kMsgPlayerCount: {
      uint16_t count = 0;
      for (const PlayerRecord& r : allPlayers_) {
        if (!r.isQuery && ValidId(r.playerId)) ++count;
      }
      reply(EncodeU16(count));
      break;
    }
    case kMsgPlayerIdByIndex: {
      int index = PayloadU16(payload, m.payload.size());
      uint16_t id = 0;
      for (const PlayerRecord& r : allPlayers_) {
        if (r.isQuery) continue;
        if (index-- == 0) {
          id = r.playerId;
          break;
        }
      }
      reply(EncodeU16(id));
      break;
    }
    case kMsgPlayerName: {
      const uint16_t id = PayloadU16(payload, m.payload.size());
      std::string name = "NO_DATA";
      for (const PlayerRecord& r : allPlayers_) {
        if (r.playerId == id) {
          name = r.name;
          break;
        }
      }
      reply(name);
      break;
    }
    case kMsgJoin:
      reply(EncodeU16(1));
      break;
    case kMsgCreatePlayer: {
      if (!acceptPlayers_ || nextPlayerId_ > kMaxPlayerId) break;
      if (conn->players >= kMaxPlayersPerConnection) {
        // Far more players than a game makes: a flood, not a player.
        for (size_t i = 0; i < connections_.size(); ++i) {
          if (&connections_[i] == conn) DropConnection(i);
        }
        break;
      }
      PlayerRecord r;
      if (!DecodePlayerRecord(payload, m.payload.size(), r)) break;
      r.socket = from;
      r.playerId = nextPlayerId_++;
      allPlayers_.push_back(r);
      ++conn->players;
      SendUnlocked(held, from, kMsgPlayerCreated, r.playerId, 0, "");
      break;
    }
    case kMsgRemovePlayer: {
      // A connection removes only players it created.
      const uint16_t id = h.from;
      for (size_t i = 0; i < allPlayers_.size();) {
        if (allPlayers_[i].playerId == id && allPlayers_[i].socket == from) {
          leftPlayers_.push_back(id);
          allPlayers_.erase(allPlayers_.begin() + static_cast<std::ptrdiff_t>(i));
          if (conn->players > 0) --conn->players;
        } else {
          ++i;
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace orv
