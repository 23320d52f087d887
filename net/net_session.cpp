#include "net/net_session.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/socket.h"

namespace orv {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool ValidId(int id) { return id >= 1 && id <= kMaxPlayerId; }

// Messages one connection may hand over in one pass, so a busy peer does not
// starve the others; the rest waits in its link for the next pass.
constexpr int kConnectionBatch = 16;
// The same for the connection to the host, whose messages are all for us.
constexpr int kServerBatch = 256;
// Replies nobody asked for are not kept beyond this.
constexpr size_t kMaxReplies = 16;
// What a queued message costs beside its text, so that many empty messages
// count too.
constexpr size_t kMessageOverhead = 64;
// The longest the thread sleeps when no peer has a deadline.
constexpr int kLongestWaitMs = 1000;

size_t Cost(const std::string& payload) { return payload.size() + kMessageOverhead; }

}  // namespace

NetSession::NetSession() : connectionIndex_(SocketTable::kEntries, -1) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

NetSession::~NetSession() {
  Shutdown();
  if (wakeFd_ >= 0) close(wakeFd_);
}

// ---- Game thread -------------------------------------------------------------

void NetSession::Wake() {
  const uint64_t one = 1;
  if (wakeFd_ >= 0 && write(wakeFd_, &one, sizeof one) < 0) {
    // The counter is full only when the thread has not read it for ages; it is awake anyway.
  }
}

void NetSession::Reset() {
  Shutdown();
  std::lock_guard<std::mutex> held(lock_);
  localPlayers_.clear();
  allPlayers_.clear();
  leftPlayers_.clear();
  replies_.clear();
  incoming_.clear();
  connections_.clear();
  std::fill(connectionIndex_.begin(), connectionIndex_.end(), -1);
  ids_.Reset();
  queryPlayerId_ = 0;
  ownIp_ = 0;
  ownPort_ = -1;
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
    listenFd_ = Sockets().Descriptor(listener);
    listenReady_ = true;
    server_ = SessionLink(self);
    isHost_ = true;
    uint32_t ip = 0;
    uint16_t local = 0;
    if (self >= 0 && platform::SocketLocalAddress(Sockets().Descriptor(self), ip, local)) {
      ownIp_ = ip;
      ownPort_ = local;
    }
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
    server_ = SessionLink(server);
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
  Wake();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  std::lock_guard<std::mutex> held(lock_);
  EndFromThread();
  acceptPlayers_ = true;
  ids_.Reset();
  queryPlayerId_ = 0;
}

int NetSession::ConnectionCount() {
  std::lock_guard<std::mutex> held(lock_);
  return static_cast<int>(connections_.size());
}

void NetSession::AcceptPlayers(bool accept) {
  {
    std::lock_guard<std::mutex> held(lock_);
    acceptPlayers_ = accept;
  }
  Wake();  // the listener joins or leaves the sockets the thread waits on
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
  Wake();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
  int id = 0;
  changed_.wait_until(held, deadline, [&] {
    const uint16_t newest = localPlayers_.back().record.playerId;
    if (newest != 0 && newest < kNoPlayerId) id = newest;
    // kNoPlayerId: the host refused its own creation (it accepts nobody, or every id is taken).
    return id != 0 || newest == kNoPlayerId || !running_;
  });
  if (id == 0 && !localPlayers_.empty()) localPlayers_.pop_back();
  return id;
}

int NetSession::CreatePlayer(const std::string& name) { return CreateRecord(name, false); }

bool NetSession::SendWhole(uint8_t type, uint16_t to, uint16_t from, const std::string& payload) {
  const std::string wire = EncodeMessage(type, to, from, payload);
  std::unique_lock<std::mutex> held(lock_);
  // A burst larger than the queue waits for the network thread to send part
  // of it; only a host that takes nothing for the stall limit fails it.
  int64_t progressAt = NowMs();
  size_t queued = server_.Queued();
  while (server_.Socket() >= 0 && server_.Queued() > 0 && server_.Queued() + wire.size() > kMaxQueuedBytes) {
    const int64_t now = NowMs();
    if (server_.Queued() < queued) {
      queued = server_.Queued();
      progressAt = now;
    }
    if (now - progressAt > stallLimitMs_) return false;
    changed_.wait_for(held, std::chrono::milliseconds(stallLimitMs_ - (now - progressAt) + 1));
  }
  if (server_.Socket() < 0) return false;
  const bool waiting = server_.Queued() > 0;
  if (!server_.Send(wire, NowMs())) return false;
  // The thread now has bytes to send when the socket takes them.
  if (!waiting && server_.Queued() > 0) Wake();
  return true;
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
  {
    std::lock_guard<std::mutex> held(lock_);
    replies_.clear();
  }
  if (!SendWhole(type, 0, query, payload)) return false;
  std::unique_lock<std::mutex> held(lock_);
  // Only the answer to this question counts: a reply of another type or to
  // another player is not this one's.
  auto answered = [&] {
    while (!replies_.empty()) {
      const MessageHeader& h = replies_.front().header;
      if (h.type == type && h.to == query) return true;
      replies_.pop_front();
    }
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
  if (!changed_.wait_until(held, deadline, [&] { return answered() || !running_; }) || replies_.empty()) {
    return false;
  }
  reply = std::move(replies_.front());
  replies_.pop_front();
  return true;
}

void NetSession::RemovePlayer(int id) {
  if (!ValidId(id)) return;
  SendWhole(kMsgRemovePlayer, 0, static_cast<uint16_t>(id), "");
}

bool NetSession::SendMessage(int from, int to, const std::string& text) {
  if (text.size() > kMaxMessagePayload) {
    // One message holds 1024 bytes; cutting the text would deliver another one.
    return SockFail(platform::kSockErrMessageSize, false);
  }
  if (to == 0) to = kBroadcastId;
  return SendWhole(kMsgGame, static_cast<uint16_t>(to), static_cast<uint16_t>(from), text);
}

std::string NetSession::GetMessage(int player) {
  std::lock_guard<std::mutex> held(lock_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (LocalPlayer& p : localPlayers_) {
      if (p.record.playerId != player || p.queue.empty()) continue;
      Message m = std::move(p.queue.front());
      p.queue.pop_front();
      p.queuedBytes -= Cost(m.payload);
      lastSender_ = m.header.from;
      return std::move(m.payload);
    }
    // Nothing queued: what has reached the socket is taken now instead of
    // at the network thread's next turn, which saves a game that asks often
    // a hand-over between threads. A closed connection is left for the
    // network thread to find.
    if (attempt > 0 || !running_ || server_.Socket() < 0) break;
    server_.MarkReady(POLLIN);
    if (ReceiveFromServer(NowMs()) <= 0) break;
    changed_.notify_all();
  }
  return "";
}

int NetSession::LastSender() const {
  std::lock_guard<std::mutex> held(lock_);
  return lastSender_;
}

uint64_t NetSession::DroppedMessages(int player) const {
  std::lock_guard<std::mutex> held(lock_);
  uint64_t dropped = 0;
  for (const LocalPlayer& p : localPlayers_) {
    if (p.record.playerId == player) dropped += p.dropped;
  }
  return dropped;
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

void NetSession::SetIdleLimit(int ms) {
  std::lock_guard<std::mutex> held(lock_);
  idleLimitMs_ = ms;
}

bool NetSession::IsRunning() const {
  std::lock_guard<std::mutex> held(lock_);
  return running_;
}

// ---- Network thread ----------------------------------------------------------

void NetSession::ThreadMain() {
  std::unique_lock<std::mutex> held(lock_);
  bool busy = true;
  while (!stopRequested_) {
    WaitForSockets(held, busy);
    if (stopRequested_) break;
    const int moved = Pass(NowMs());
    if (moved < 0) break;
    if (moved > 0) changed_.notify_all();
    // poll() sees only what the sockets hold: bytes already read but left
    // for the next pass (a batch was full) are waited for by nobody.
    busy = server_.Buffered();
    for (const Connection& c : connections_) busy = busy || c.link.Buffered();
  }
  EndFromThread();
  changed_.notify_all();
}

// Closes every socket of the session; called with the lock held. Only the
// start this session made is given back: a game's own use of the socket
// layer outlives the session.
void NetSession::EndFromThread() {
  for (Connection& c : connections_) {
    connectionIndex_[static_cast<size_t>(c.link.Socket())] = -1;
    c.link.Close();
  }
  connections_.clear();
  if (listenSocket_ >= 0) Sockets().Close(listenSocket_);
  listenSocket_ = listenFd_ = -1;
  server_.Close();
  if (layerStarted_) Sockets().Shutdown();
  layerStarted_ = false;
  running_ = false;
  stopRequested_ = true;
}

int NetSession::NextTimeoutMs(int64_t now) const {
  int64_t soonest = now + kLongestWaitMs;
  for (const Connection& c : connections_) {
    if (c.own) continue;
    if (c.link.Partial()) soonest = std::min(soonest, c.link.LastInput() + stallLimitMs_ + 1);
    if (c.link.Queued() > 0) soonest = std::min(soonest, c.link.LastOutput() + stallLimitMs_ + 1);
    if (c.behindSince != 0) soonest = std::min(soonest, c.behindSince + stallLimitMs_ + 1);
    if (!c.created) soonest = std::min(soonest, c.openedAt + idleLimitMs_ + 1);
  }
  return static_cast<int>(std::clamp<int64_t>(soonest - now, 0, kLongestWaitMs));
}

void NetSession::WaitForSockets(std::unique_lock<std::mutex>& held, bool busy) {
  // Only this thread opens and closes the sockets it waits on, so they stay
  // valid while it waits without the lock.
  pollFds_.clear();
  auto add = [&](const SessionLink& l) {
    pollFds_.push_back(pollfd{l.Descriptor(), static_cast<short>(POLLIN | (l.Queued() > 0 ? POLLOUT : 0)), 0});
  };
  pollFds_.push_back(pollfd{wakeFd_, POLLIN, 0});
  add(server_);
  pollFds_.push_back(pollfd{isHost_ && acceptPlayers_ ? listenFd_ : -1, POLLIN, 0});
  for (const Connection& c : connections_) add(c.link);
  const int timeout = busy ? 0 : NextTimeoutMs(NowMs());
  held.unlock();
  const int n = poll(pollFds_.data(), pollFds_.size(), timeout);
  held.lock();
  if (n <= 0) return;
  if (pollFds_[0].revents & POLLIN) {
    uint64_t count;
    if (read(wakeFd_, &count, sizeof count) < 0) {
      // Nothing to read: another wake-up took it.
    }
  }
  server_.MarkReady(pollFds_[1].revents);
  if (pollFds_[2].revents) listenReady_ = true;
  for (size_t i = 0; i < connections_.size(); ++i) connections_[i].link.MarkReady(pollFds_[3 + i].revents);
}

int NetSession::Pass(int64_t now) {
  int moved = 0;
  // Creations waiting to go to the host.
  for (LocalPlayer& p : localPlayers_) {
    if (p.record.playerId != kCreationPending) continue;
    p.record.playerId = kCreationSent;
    if (!server_.Send(EncodeMessage(kMsgCreatePlayer, 0, 0, EncodePlayerRecord(p.record)), now)) return -1;
    ++moved;
  }
  const long flushed = server_.Flush(now);
  if (flushed < 0) return -1;
  moved += flushed > 0;

  const int fromServer = ReceiveFromServer(now);
  if (fromServer < 0) return -1;
  moved += fromServer;
  if (!isHost_) return moved;
  moved += ServeConnections(now);

  // Messages from clients, in the order they came: a message for a player
  // of the host's game is delivered here and not relayed any further.
  for (Message& m : incoming_) {
    bool delivered = false;
    if (m.header.type == kMsgGame) {
      for (LocalPlayer& p : localPlayers_) {
        if (p.record.playerId != m.header.to) continue;
        Deliver(p, m);
        delivered = true;
      }
    }
    if (!delivered || m.header.to == kBroadcastId) HandleOnHost(m, now);
  }
  incoming_.clear();
  for (size_t i = connections_.size(); i-- > 0;) {
    if (!connections_[i].failed) continue;
    DropConnection(i);
    ++moved;
  }
  return moved;
}

void NetSession::Deliver(LocalPlayer& p, const Message& m) {
  // A player whose game does not read (the query player, or a game that
  // stopped) loses its oldest messages, never the process its memory.
  while (!p.queue.empty() &&
         (p.queue.size() >= kMaxPlayerQueue || p.queuedBytes + Cost(m.payload) > kMaxPlayerQueueBytes)) {
    p.queuedBytes -= Cost(p.queue.front().payload);
    p.queue.pop_front();
    ++p.dropped;
  }
  p.queue.push_back(m);
  p.queuedBytes += Cost(m.payload);
}

int NetSession::ReceiveFromServer(int64_t now) {
  int moved = 0;
  for (; moved < kServerBatch; ++moved) {
    const int r = server_.Receive(now);
    if (r == -2) break;
    if (r != 1) return -1;
    const MessageHeader& h = server_.Header();
    if (h.type == kMsgPlayerCreated && h.from == 0) {
      // A new player's id is taken as it comes, so a message to that player
      // right behind it finds the player.
      for (LocalPlayer& p : localPlayers_) {
        if (p.record.playerId != kCreationSent) continue;
        if (ValidId(h.to)) p.record.playerId = h.to;
        break;
      }
    } else if (h.type == kMsgGame) {
      const Message m{h, std::string(reinterpret_cast<const char*>(server_.Payload()), h.length), -1};
      for (LocalPlayer& p : localPlayers_) {
        if (p.record.playerId == h.to) Deliver(p, m);
      }
    } else if (h.from == 0 && h.type >= 100) {
      // Replies to requests; one nobody waits for is dropped by the next request.
      if (replies_.size() >= kMaxReplies) replies_.pop_front();
      replies_.push_back(Message{h, std::string(reinterpret_cast<const char*>(server_.Payload()), h.length), -1});
    }
    server_.Next();
  }
  return moved;
}

int NetSession::ServeConnections(int64_t now) {
  int moved = 0;
  if (acceptPlayers_ && listenReady_) {
    uint32_t ip = 0;
    const int s = Sockets().TcpAccept(listenSocket_, &ip);
    if (s < 0) {
      listenReady_ = false;
    } else if (connections_.size() >= kMaxConnections) {
      Sockets().Close(s);
      ++moved;
    } else {
      Sockets().SetNoDelay(s);
      Connection c;
      c.link = SessionLink(s);
      c.openedAt = c.creditAt = now;
      c.credit = static_cast<double>(kMaxPlayersPerConnection);
      c.own = ip == ownIp_ && Sockets().RemotePort(s) == ownPort_;
      connectionIndex_[static_cast<size_t>(s)] = static_cast<int>(connections_.size());
      connections_.push_back(std::move(c));
      ++moved;
    }
  }
  for (size_t i = 0; i < connections_.size(); ++i) {
    Connection& c = connections_[i];
    const long flushed = c.link.Flush(now);
    if (flushed < 0) c.failed = true;
    moved += flushed > 0;
    for (int k = 0; k < kConnectionBatch && !c.failed; ++k) {
      const int r = c.link.Receive(now);
      if (r == -2) break;
      if (r != 1) {
        // Closed, failed or broken: what came before still counts.
        c.failed = true;
        break;
      }
      MessageHeader h = c.link.Header();
      if (h.type == kMsgCreatePlayer) h.from = static_cast<uint16_t>(i);
      incoming_.push_back(
          Message{h, std::string(reinterpret_cast<const char*>(c.link.Payload()), h.length), c.link.Socket()});
      c.link.Next();
      ++moved;
    }
    if (c.failed || c.own) continue;
    if (c.link.Queued() <= kMaxQueuedBytes) c.behindSince = 0;
    // The clock runs from the last byte that arrived or left, not from the
    // start of the message: a large message on a busy host may take a while.
    if ((c.link.Partial() && now - c.link.LastInput() > stallLimitMs_) ||
        (c.link.Queued() > 0 && now - c.link.LastOutput() > stallLimitMs_) ||
        (c.behindSince != 0 && now - c.behindSince > stallLimitMs_) ||
        (!c.created && now - c.openedAt > idleLimitMs_)) {
      c.failed = true;
    }
  }
  return moved;
}

NetSession::Connection* NetSession::ConnectionOf(int socket) {
  if (socket < 0 || socket >= SocketTable::kEntries) return nullptr;
  const int index = connectionIndex_[static_cast<size_t>(socket)];
  return index < 0 ? nullptr : &connections_[static_cast<size_t>(index)];
}

void NetSession::Leave(const PlayerRecord& r) {
  if (leftPlayers_.size() >= kMaxLeftPlayers) leftPlayers_.pop_front();
  leftPlayers_.push_back(r.playerId);
  ids_.Release(r.playerId);
}

void NetSession::DropConnection(size_t index) {
  const int socket = connections_[index].link.Socket();
  for (size_t i = 0; i < allPlayers_.size();) {
    if (allPlayers_[i].socket == socket) {
      Leave(allPlayers_[i]);
      allPlayers_.erase(allPlayers_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  connections_[index].link.Close();
  connectionIndex_[static_cast<size_t>(socket)] = -1;
  if (index + 1 != connections_.size()) {
    connections_[index] = std::move(connections_.back());
    connectionIndex_[static_cast<size_t>(connections_[index].link.Socket())] = static_cast<int>(index);
  }
  connections_.pop_back();
}

void NetSession::SendTo(Connection& c, uint8_t type, uint16_t to, uint16_t from, const std::string& payload,
                        int64_t now) {
  if (c.failed) return;
  // A client this far behind is not keeping up; waiting for it would hold
  // up everyone else. The host's own connection is read by this thread.
  if (!c.own && c.link.Queued() + kMessageHeaderSize + payload.size() > kHardQueuedBytes) {
    c.failed = true;
    return;
  }
  if (!c.link.Send(EncodeMessage(type, to, from, payload), now)) c.failed = true;
  if (c.behindSince == 0 && c.link.Queued() > kMaxQueuedBytes) c.behindSince = now;
}

void NetSession::HandleOnHost(const Message& m, int64_t now) {
  // m.connection holds the socket number of the client connection it came on.
  const int from = m.connection;
  Connection* conn = ConnectionOf(from);
  if (!conn) return;
  const MessageHeader& h = m.header;
  const uint8_t* payload = reinterpret_cast<const uint8_t*>(m.payload.data());
  // A connection speaks only for the players it created.
  const bool owned = ValidId(h.from) && ids_.Owner(h.from) == from;
  auto reply = [&](const std::string& body) { SendTo(*conn, h.type, h.from, 0, body, now); };

  if (h.type == kMsgGame) {
    if (!owned && h.from != 0) return;
    if (h.to != kBroadcastId) {
      if (Connection* target = ValidId(h.to) ? ConnectionOf(ids_.Owner(h.to)) : nullptr) {
        SendTo(*target, kMsgGame, h.to, h.from, m.payload, now);
      }
      return;
    }
    for (const PlayerRecord& r : allPlayers_) {
      if (r.isQuery || r.isHostLocal || r.playerId == h.from) continue;
      if (Connection* target = ConnectionOf(r.socket)) SendTo(*target, kMsgGame, r.playerId, h.from, m.payload, now);
    }
    return;
  }
  if (h.to != 0) return;  // only the host sends addressed replies and ids
  if (h.type == kMsgCreatePlayer) return CreateOnHost(*conn, m, now);
  if (!owned) return;

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
    case kMsgRemovePlayer:
      for (size_t i = 0; i < allPlayers_.size(); ++i) {
        if (allPlayers_[i].playerId != h.from) continue;
        Leave(allPlayers_[i]);
        allPlayers_.erase(allPlayers_.begin() + static_cast<std::ptrdiff_t>(i));
        if (conn->players > 0) --conn->players;
        break;
      }
      break;
    default:
      break;
  }
}

void NetSession::CreateOnHost(Connection& c, const Message& m, int64_t now) {
  if (c.failed) return;
  // The host's own creation that cannot be made fails at once instead of
  // waiting out the request time.
  auto refuse = [&] {
    if (!c.own) return;
    for (LocalPlayer& p : localPlayers_) {
      if (p.record.playerId != kCreationSent) continue;
      p.record.playerId = kNoPlayerId;
      break;
    }
  };
  if (!acceptPlayers_) return refuse();
  if (!c.own) {
    // Far more players than a game makes, or players made (and removed)
    // faster than any game does: a flood, not a player.
    c.credit = std::min(static_cast<double>(kMaxPlayersPerConnection),
                        c.credit + static_cast<double>(now - c.creditAt) * kCreationsPerSecond / 1000.0);
    c.creditAt = now;
    if (c.players >= kMaxPlayersPerConnection || c.credit < 1) {
      c.failed = true;
      return;
    }
    c.credit -= 1;
  }
  PlayerRecord r;
  if (!DecodePlayerRecord(reinterpret_cast<const uint8_t*>(m.payload.data()), m.payload.size(), r)) return;
  const uint16_t id = ids_.Take(c.link.Socket());
  if (id == 0) return refuse();
  r.socket = c.link.Socket();
  r.playerId = id;
  allPlayers_.push_back(r);
  ++c.players;
  c.created = true;
  SendTo(c, kMsgPlayerCreated, id, 0, "", now);
}

}  // namespace orv
