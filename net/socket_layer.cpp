#include "net/socket_layer.h"

#include <cstdio>
#include <vector>

#include "platform/socket.h"
#include "runtime/replay/replay_notes.h"

namespace orv {

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

thread_local int32_t lastSocketError = 0;

bool ValidPort(int port) { return port >= 0 && port <= 65535; }

}  // namespace

SocketTable::SocketTable() = default;

void SetLastSocketError(int32_t code) { lastSocketError = code; }

int32_t SocketTable::LastError() const { return lastSocketError; }
void SocketTable::SetLastError(int32_t code) const { SetLastSocketError(code); }

SocketTable::~SocketTable() {
  for (Entry& e : entries_) {
    if (e.sock >= 0) platform::SocketClose(e.sock);
    e.sock = -1;
  }
}

bool SocketTable::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (startCount_ == 0) {
    for (Entry& e : entries_) e = Entry{};
  }
  ++startCount_;
  return true;
}

void SocketTable::Shutdown() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (startCount_ == 0) return;
  if (--startCount_ > 0) return;
  CloseAllLocked();
}

void SocketTable::ShutdownCompletely() {
  std::lock_guard<std::mutex> lock(mutex_);
  startCount_ = 0;
  CloseAllLocked();
}

void SocketTable::CloseAllLocked() {
  for (Entry& e : entries_) {
    if (e.sock >= 0) platform::SocketClose(e.sock);
    e = Entry{};
  }
}

int SocketTable::StartCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startCount_;
}

bool SocketTable::Started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startCount_ > 0;
}

bool SocketTable::Get(int number, Entry& out) const {
  if (number >= 0 && number < kEntries) {
    std::lock_guard<std::mutex> lock(mutex_);
    out = entries_[static_cast<size_t>(number)];
    if (out.sock >= 0) return true;
  }
  return SockFail(platform::kSockErrNotSocket, false);
}

int SocketTable::Take(const Entry& e) {
  NoteUnreplayable(kNoteNetwork);
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < kEntries; ++i) {
    if (entries_[static_cast<size_t>(i)].sock < 0) {
      entries_[static_cast<size_t>(i)] = e;
      return i;
    }
  }
  return SockFail(platform::kSockErrTableFull, -1);
}

void SocketTable::SetAddress(int number, uint32_t ip, uint16_t port) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry& e = entries_[static_cast<size_t>(number)];
  e.ip = ip;
  e.port = port;
}

int SocketTable::TcpListen(int port) {
  if (!Started()) return SockFail(platform::kSockErrNotInitialised, -1);
  if (!ValidPort(port)) return SockFail(platform::kSockErrInvalid, -1);
  const int fd = platform::SocketOpen(false);
  if (fd < 0) return SockFailPlatform(-1);
  if (!platform::SocketSetReuse(fd) || !platform::SocketBind(fd, 0, static_cast<uint16_t>(port)) ||
      !platform::SocketListen(fd, kListenBacklog) || !platform::SocketSetNonBlocking(fd, true)) {
    const int failed = SockFailPlatform(-1);
    platform::SocketClose(fd);
    return failed;
  }
  // Port 0 lets the system choose; the entry keeps the port actually bound.
  uint32_t ip = 0;
  uint16_t bound = static_cast<uint16_t>(port);
  platform::SocketLocalAddress(fd, ip, bound);
  const int number = Take(Entry{fd, 0, bound, false});
  if (number < 0) platform::SocketClose(fd);
  else SetLastError(0);
  return number;
}

int SocketTable::TcpAccept(int listener, uint32_t* ip) {
  Entry l;
  if (!Get(listener, l)) return -1;
  if (l.isUdp) return SockFail(platform::kSockErrNone, -1);
  uint32_t peer = 0;
  uint16_t peerPort = 0;
  const int fd = platform::SocketAccept(l.sock, peer, peerPort);
  if (fd < 0) return SockFailPlatform(-1);
  if (!platform::SocketSetNonBlocking(fd, true)) {
    const int failed = SockFailPlatform(-1);
    platform::SocketClose(fd);
    return failed;
  }
  const int number = Take(Entry{fd, peer, peerPort, false});
  if (number < 0) {
    // No number to hand out: the connection cannot be used, so it is not kept.
    platform::SocketClose(fd);
    return -1;
  }
  SetLastError(0);
  if (ip) *ip = peer;
  return number;
}

int SocketTable::TcpConnect(const std::string& host, int port, int timeoutMs) {
  if (!Started()) return SockFail(platform::kSockErrNotInitialised, -1);
  if (!ValidPort(port)) return SockFail(platform::kSockErrInvalid, -1);
  const int64_t ip = ResolveHost(host);
  if (ip < 0) return -1;
  if (timeoutMs < 1 || timeoutMs > kMaxConnectWaitMs) timeoutMs = kMaxConnectWaitMs;
  const int fd = platform::SocketOpen(false);
  if (fd < 0) return SockFailPlatform(-1);
  // Take the number first: a full table is known before anything is sent.
  const int number = Take(Entry{fd, static_cast<uint32_t>(ip), static_cast<uint16_t>(port), false});
  if (number < 0) {
    platform::SocketClose(fd);
    return -1;
  }
  bool ok = platform::SocketSetNonBlocking(fd, true);
  if (ok && platform::SocketConnect(fd, static_cast<uint32_t>(ip), static_cast<uint16_t>(port)) != 0) {
    const int32_t err = platform::LastSocketError();
    ok = false;
    if (err == platform::kSockErrWouldBlock || err == platform::kSockErrInProgress) {
      const int r = platform::SocketWaitConnected(fd, timeoutMs);
      if (r == 0) platform::SetLastSocketError(platform::kSockErrInProgress);
      ok = r == 1;
    }
  }
  if (!ok) {
    const int32_t why = platform::LastSocketError();
    // Closing must not overwrite why the connect failed.
    Close(number);
    return SockFail(why, -1);
  }
  SetLastError(0);
  return number;
}

int SocketTable::UdpOpen(int port) {
  if (!Started()) return SockFail(platform::kSockErrNotInitialised, -1);
  if (!ValidPort(port)) return SockFail(platform::kSockErrInvalid, -1);
  const int fd = platform::SocketOpen(true);
  if (fd < 0) return SockFailPlatform(-1);
  if (!platform::SocketSetReuse(fd) || (port != 0 && !platform::SocketBind(fd, 0, static_cast<uint16_t>(port))) ||
      !platform::SocketSetBroadcast(fd) || !platform::SocketSetNonBlocking(fd, true)) {
    const int failed = SockFailPlatform(-1);
    platform::SocketClose(fd);
    return failed;
  }
  const int number = Take(Entry{fd, 0, static_cast<uint16_t>(port), true});
  if (number < 0) platform::SocketClose(fd);
  else SetLastError(0);
  return number;
}

long SocketTable::Send(int number, const char* data, size_t n, int stallMs) {
  Entry e;
  if (!Get(number, e)) return kSockFailed;
  size_t sent = 0;
  while (sent < n) {
    const long r = platform::SocketSend(e.sock, data + sent, n - sent);
    if (r >= 0) {
      sent += static_cast<size_t>(r);
      continue;
    }
    if (platform::LastSocketError() != platform::kSockErrWouldBlock) return SockFailPlatform(-1);
    // The system's buffer is full: wait until it drains instead of spinning.
    const int w = platform::SocketWaitWritable(e.sock, stallMs >= 0 ? stallMs : 100);
    if (w < 0) return SockFailPlatform(-1);
    if (w == 0 && stallMs >= 0) return SockFail(platform::kSockErrTimedOut, -1);
  }
  SetLastError(0);
  return static_cast<long>(n);
}

long SocketTable::SendSome(int number, const char* data, size_t n) {
  Entry e;
  if (!Get(number, e)) return -1;
  size_t sent = 0;
  while (sent < n) {
    const long r = platform::SocketSend(e.sock, data + sent, n - sent);
    if (r < 0) break;
    sent += static_cast<size_t>(r);
  }
  if (sent < n && platform::LastSocketError() != platform::kSockErrWouldBlock) return SockFailPlatform(-1);
  SetLastError(0);
  return static_cast<long>(sent);
}

long SocketTable::UdpSend(int number, const char* data, size_t n, uint32_t ip, int port) {
  Entry e;
  if (!Get(number, e)) return -1;
  if (ip == 0 || port <= 0 || port > 65535) return SockFail(platform::kSockErrInvalid, -1);
  for (;;) {
    const long r = platform::SocketSendTo(e.sock, data, n, ip, static_cast<uint16_t>(port));
    if (r >= 0) break;
    if (platform::LastSocketError() != platform::kSockErrWouldBlock) return SockFailPlatform(-1);
    if (platform::SocketWaitWritable(e.sock, 100) < 0) return SockFailPlatform(-1);
  }
  SetLastError(0);
  return static_cast<long>(n);
}

long SocketTable::Recv(int number, char* data, size_t maximum) {
  Entry e;
  if (!Get(number, e)) return kSockFailed;
  long r;
  if (e.isUdp) {
    SetAddress(number, 0, 0);
    uint32_t ip = 0;
    uint16_t port = 0;
    r = platform::SocketRecvFrom(e.sock, data, maximum, ip, port);
    if (r >= 0) SetAddress(number, ip, port);
  } else {
    r = platform::SocketRecv(e.sock, data, maximum);
  }
  if (r >= 0) {
    SetLastError(0);
    return r;
  }
  const int32_t err = platform::LastSocketError();
  if (err == platform::kSockErrConnReset) return SockFail(err, kSockClosed);
  if (err == platform::kSockErrWouldBlock) return SockFail(err, kSockNothingWaiting);
  return SockFail(err, kSockFailed);
}

long SocketTable::RecvExact(int number, char* data, size_t n, int stallMs) {
  Entry e;
  if (!Get(number, e)) return kSockFailed;
  size_t got = 0;
  while (got < n) {
    const long r = platform::SocketRecv(e.sock, data + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      continue;
    }
    if (r == 0) return kSockClosed;
    const int32_t err = platform::LastSocketError();
    if (err == platform::kSockErrConnReset) return SockFail(err, kSockClosed);
    if (err != platform::kSockErrWouldBlock) return SockFail(err, kSockFailed);
    if (got == 0) return SockFail(err, kSockNothingWaiting);
    // Part of it is here: wait for the rest rather than spin on the socket.
    int w;
    do {
      w = platform::SocketWaitReadable(e.sock, stallMs);
    } while (w == 0 && stallMs < 0);
    if (w < 0) return SockFailPlatform(kSockFailed);
    if (w == 0) return SockFail(platform::kSockErrTimedOut, kSockFailed);
  }
  SetLastError(0);
  return static_cast<long>(n);
}

bool SocketTable::Close(int number) {
  int fd = -1;
  if (number >= 0 && number < kEntries) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& e = entries_[static_cast<size_t>(number)];
    fd = e.sock;
    e = Entry{};
  }
  if (fd < 0) return SockFail(platform::kSockErrNotSocket, false);
  if (!platform::SocketClose(fd)) return SockFailPlatform(false);
  SetLastError(0);
  return true;
}

bool SocketTable::SetBlocking(int number, bool blocking) {
  Entry e;
  if (!Get(number, e)) return false;
  if (!platform::SocketSetNonBlocking(e.sock, !blocking)) return SockFailPlatform(false);
  SetLastError(0);
  return true;
}

bool SocketTable::SetNoDelay(int number) {
  Entry e;
  if (!Get(number, e)) return false;
  if (!platform::SocketSetNoDelay(e.sock)) return SockFailPlatform(false);
  SetLastError(0);
  return true;
}

uint32_t SocketTable::RemoteIp(int number) const {
  if (number < 0 || number >= kEntries) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const Entry& e = entries_[static_cast<size_t>(number)];
  return e.sock >= 0 ? e.ip : 0;
}

int SocketTable::RemotePort(int number) const {
  if (number < 0 || number >= kEntries) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const Entry& e = entries_[static_cast<size_t>(number)];
  return e.sock >= 0 ? e.port : 0;
}

int SocketTable::Descriptor(int number) const {
  if (number < 0 || number >= kEntries) return -1;
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_[static_cast<size_t>(number)].sock;
}

SocketTable& Sockets() {
  static SocketTable table;
  return table;
}

void SockShutdown() { Sockets().Shutdown(); }

std::string IpToText(uint32_t ip) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
  return text;
}

AddressList LocalAddresses(const std::string& separator) {
  // The list is bounded like a fixed 2048-byte buffer: an address that would
  // reach that size is left out, and so is everything after it.
  constexpr size_t kLimit = 2048;
  AddressList list;
  bool loopback = false;
  auto add = [&](uint32_t ip) {
    const std::string item = IpToText(ip) + separator;
    if (list.text.size() + item.size() >= kLimit) return false;
    list.text += item;
    ++list.count;
    return true;
  };
  for (uint32_t ip : platform::HostAddresses()) {
    if (ip == kLoopback) {
      loopback = true;
      continue;
    }
    if (!add(ip)) return list;
  }
  if (loopback) add(kLoopback);
  return list;
}

int64_t ResolveHost(const std::string& name) {
  uint32_t ip = 0;
  if (!name.empty()) {
    if (!platform::ResolveName(name, ip)) return SockFailPlatform(int64_t{-1});
    return ip;
  }
  const AddressList local = LocalAddresses("\n");
  const std::string first = local.text.substr(0, local.text.find('\n'));
  for (const std::string& candidate : {first, std::string("127.0.0.1"), std::string("localhost.local")}) {
    if (!candidate.empty() && platform::ResolveName(candidate, ip)) return ip;
  }
  return SockFail(platform::kSockErrHostNotFound, int64_t{-1});
}

std::string SockErrorText() {
  const int32_t code = Sockets().LastError();
  const std::string text = platform::SocketErrorMessage(code);
  if (text.empty()) return "";
  return std::to_string(code) + " " + text;
}

}  // namespace orv
