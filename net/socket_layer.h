// The socket layer: small socket numbers (0-1023) in place of the system's
// descriptors, the peer address of each, and the system's non-blocking
// behaviour turned into simple result codes. Game commands, the multiplayer
// session and the HTTP fetch share the one table.
//
// Depends on: platform/socket.h (POSIX sockets).
//
// The game thread and the session's network thread both take and release
// entries, so the table and the start count sit behind a mutex; the I/O
// itself runs outside it, on a copy of the entry. Each thread uses only the
// entries it took.
//
// Result codes of sending and receiving: a byte count; 0 when the peer closed
// or reset the connection; -2 when nothing is waiting; -1 on other errors.
// lastSocketError (per thread) holds the number of the last failure (the numbers games
// know: 10035 would block, 10054 reset, 10061 refused, 8 table full, ...).
// A failure records its number and gives the neutral result in one
// expression, as every other command does with its error code:
// `return SockFail(platform::kSockErrInvalid, -1);`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/socket.h"

namespace orv {

// Receive results besides byte counts.
inline constexpr long kSockClosed = 0;
inline constexpr long kSockFailed = -1;
inline constexpr long kSockNothingWaiting = -2;

// Sets the calling thread's lastSocketError.
void SetLastSocketError(int32_t code);

// Records `code` as the calling thread's last socket error and returns `neutral`.
template <class T>
T SockFail(int32_t code, T neutral) {
  SetLastSocketError(code);
  return neutral;
}
// The same with the error of the platform call that just failed.
template <class T>
T SockFailPlatform(T neutral) {
  return SockFail(platform::LastSocketError(), neutral);
}

class SocketTable {
 public:
  static constexpr int kEntries = 1024;
  static constexpr int kListenBacklog = 10;
  static constexpr int kMaxConnectWaitMs = 30000;

  SocketTable();
  ~SocketTable();

  // Starts nest; only the first one marks every entry free. Always true here.
  bool Start();
  // The last shutdown closes every open entry; more shutdowns than starts do nothing.
  void Shutdown();
  // Drops the start count to zero and closes every open entry, however many
  // starts the game left standing: the end of the runtime.
  void ShutdownCompletely();
  int StartCount() const;

  // TCP server socket on every local address; the number or -1.
  int TcpListen(int port);
  // The next pending connection as a new number (peer IP through ip), or -1
  // when none is pending, the table is full, or the number is a UDP socket
  // (lastSocketError 0 in that case).
  int TcpAccept(int listener, uint32_t* ip);
  // Connects within timeoutMs (below 1 or above 30000: 30000). A connect
  // that gets no answer in time fails with 10036. The number or -1.
  int TcpConnect(const std::string& host, int port, int timeoutMs);
  // UDP socket, bound to port unless it is 0, broadcasts allowed; the number or -1.
  int UdpOpen(int port);

  // Sends every byte (waiting while the system's buffer is full); the count
  // or -1. With stallMs >= 0 a peer that takes no bytes for that long fails
  // the send with 10060.
  long Send(int number, const char* data, size_t n, int stallMs = -1);
  // Sends what the system takes now without waiting: the count (0 when its
  // buffer is full), or -1 when the connection failed.
  long SendSome(int number, const char* data, size_t n);
  // One datagram to ip:port; a zero address or port gives -1.
  long UdpSend(int number, const char* data, size_t n, uint32_t ip, int port);
  // One receive of at most maximum bytes. On UDP the stored address becomes
  // the sender (cleared first, so it reads 0 when nothing came).
  long Recv(int number, char* data, size_t maximum);
  // Receives exactly n bytes: n, 0 on close or reset, -1 on errors, -2 when
  // nothing at all was waiting. Once part has arrived it waits for the rest;
  // with stallMs >= 0 a rest that takes longer than that fails with 10060.
  long RecvExact(int number, char* data, size_t n, int stallMs = -1);

  // Frees the number, then closes the socket; true when the close succeeded.
  bool Close(int number);
  bool SetBlocking(int number, bool blocking);
  // Small writes go out at once (no coalescing while an acknowledgement is due).
  bool SetNoDelay(int number);
  // The stored address: listening = local, connected = peer, UDP = last
  // sender. 0 for a free number.
  uint32_t RemoteIp(int number) const;
  int RemotePort(int number) const;
  // The system descriptor behind a number (-1 when free), for waiting on it.
  int Descriptor(int number) const;

  // The last error of the calling thread: the game thread and the session's
  // network thread each see their own, so neither decides on the other's.
  int32_t LastError() const;
  void SetLastError(int32_t code) const;

 private:
  struct Entry {
    int sock = -1;
    uint32_t ip = 0;
    uint16_t port = 0;
    bool isUdp = false;
  };

  // Copy of an entry in use; false (error 10038) when the number is free or out of range.
  bool Get(int number, Entry& out) const;
  // Lowest free entry taken for sock, or -1 (error 8).
  int Take(const Entry& e);
  void SetAddress(int number, uint32_t ip, uint16_t port);
  bool Started() const;
  // Closes and frees every entry; the caller holds mutex_.
  void CloseAllLocked();

  mutable std::mutex mutex_;
  std::array<Entry, kEntries> entries_;
  int startCount_ = 0;
};

// The process-wide socket table.
SocketTable& Sockets();

// Drops one start of the socket layer; at zero every socket is closed.
void SockShutdown();

// IP of a name in host order, or -1. The empty name is this machine: its
// first non-loopback address, else the loopback address.
int64_t ResolveHost(const std::string& name);
// "a.b.c.d" of a host-order IP.
std::string IpToText(uint32_t ip);

struct AddressList {
  std::string text;  // each address followed by the separator; "127.0.0.1" last
  int count = 0;
};
// This machine's IPv4 addresses in the system's order, loopback moved to the end.
AddressList LocalAddresses(const std::string& separator);
// "code text" of lastSocketError, "" when the system has no text for it.
std::string SockErrorText();

}  // namespace orv
