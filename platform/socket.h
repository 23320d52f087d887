// The platform seam for sockets: IPv4 TCP and UDP over POSIX sockets.
//
// Every call returns what the system call returns (a descriptor, a byte
// count, 0 or -1) and, on failure, leaves the reason for LastSocketError()
// on the calling thread. Error numbers are the ones games are written
// against (10035 would block, 10054 reset, ...): games compare with them,
// so the system's errno values never reach game code.
// Addresses and ports are in host order throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::platform {

// Error numbers as games know them.
enum SocketErrorCode : int32_t {
  kSockErrNone = 0,               // success; also what an accept on a UDP socket leaves
  kSockErrTableFull = 8,          // no free socket number (set by the socket table)
  kSockErrInvalid = 10022,        // bad argument
  kSockErrWouldBlock = 10035,     // nothing to do without waiting
  kSockErrInProgress = 10036,     // a connect still running (also: a connect that timed out)
  kSockErrNotSocket = 10038,      // not an open socket
  kSockErrMessageSize = 10040,    // more bytes than one message holds
  kSockErrConnReset = 10054,      // the peer reset the connection
  kSockErrTimedOut = 10060,
  kSockErrConnRefused = 10061,
  kSockErrNotInitialised = 10093, // the socket layer was not started
  kSockErrHostNotFound = 11001,
};

// The game's number for an errno value; values without one pass through.
int32_t TranslateErrno(int err);
// The calling thread's error of the last failed call below, translated.
int32_t LastSocketError();
void SetLastSocketError(int32_t code);
// The system's text for a game error number, "" when there is none.
std::string SocketErrorMessage(int32_t code);

// A non-blocking-capable IPv4 socket, TCP or UDP; -1 on failure.
int SocketOpen(bool udp);
// SO_REUSEADDR = 1 (and, for UDP, SO_BROADCAST = 1).
bool SocketSetReuse(int fd);
bool SocketSetBroadcast(int fd);
bool SocketBind(int fd, uint32_t ip, uint16_t port);
bool SocketListen(int fd, int backlog);
bool SocketSetNonBlocking(int fd, bool nonBlocking);
// TCP_NODELAY: small messages leave at once instead of waiting for an acknowledgement.
bool SocketSetNoDelay(int fd);
// accept; the peer's address in host order. -1 when nothing is pending.
int SocketAccept(int fd, uint32_t& ip, uint16_t& port);
// Starts a connect; 0 connected, -1 failed or still running (error 10036 /
// 10035 tell the two apart).
int SocketConnect(int fd, uint32_t ip, uint16_t port);
// Waits up to timeoutMs for a started connect: 1 connected, 0 no answer in
// time, -1 refused or failed (the reason in LastSocketError).
int SocketWaitConnected(int fd, int timeoutMs);
// Waits up to timeoutMs until the socket can take more bytes (1) or not (0).
int SocketWaitWritable(int fd, int timeoutMs);
// Waits up to timeoutMs (-1: no limit) until bytes or a close can be read (1) or not (0).
int SocketWaitReadable(int fd, int timeoutMs);
// One send / sendto; never raises SIGPIPE when the peer has gone.
long SocketSend(int fd, const char* data, size_t n);
long SocketSendTo(int fd, const char* data, size_t n, uint32_t ip, uint16_t port);
// One recv / recvfrom; recvfrom reports the sender in host order.
long SocketRecv(int fd, char* data, size_t n);
long SocketRecvFrom(int fd, char* data, size_t n, uint32_t& ip, uint16_t& port);
// Linger off, both directions shut, descriptor closed. True when close succeeded.
bool SocketClose(int fd);
// The local address a socket is bound to (host order).
bool SocketLocalAddress(int fd, uint32_t& ip, uint16_t& port);

// The first IPv4 address of a host name or dotted number; false when unknown.
bool ResolveName(const std::string& name, uint32_t& ip);
// This machine's name and every IPv4 address it resolves to, in the order
// the system lists them.
std::vector<uint32_t> HostAddresses();

}  // namespace orv::platform
