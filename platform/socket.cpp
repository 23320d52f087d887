#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv::platform {

namespace {

thread_local int32_t lastError = 0;

struct ErrnoCode {
  int err;
  int32_t code;
};

// errno values and the numbers games know for them. EAGAIN and EWOULDBLOCK
// are the same value here; EPIPE (a send after the peer went away) is the
// reset games already handle.
constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},        {EBADF, 10009},         {EACCES, 10013},       {EFAULT, 10014},
    {EINVAL, 10022},       {EMFILE, 10024},        {EWOULDBLOCK, 10035},  {EINPROGRESS, 10036},
    {EALREADY, 10037},     {ENOTSOCK, 10038},      {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},   {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045}, {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},
    {ENETRESET, 10052},    {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},      {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},  {ELOOP, 10062},        {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},  {ENOTEMPTY, 10066},    {EUSERS, 10068},
    {EDQUOT, 10069},       {ESTALE, 10070},        {EREMOTE, 10071},      {EPIPE, 10054},
    {ENOMEM, 8},
};

int32_t Fail() {
  lastError = TranslateErrno(errno);
  return -1;
}

sockaddr_in MakeAddress(uint32_t ip, uint16_t port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(ip);
  return a;
}

bool SetIntOption(int fd, int level, int name, int value) {
  if (setsockopt(fd, level, name, &value, sizeof value) == 0) return true;
  Fail();
  return false;
}

// Waits for one event on fd; 1 ready, 0 timed out, -1 error. Interrupted waits
// resume with the time that is left.
int WaitFor(int fd, short events, int timeoutMs, short& revents) {
  pollfd p{fd, events, 0};
  int r;
  do {
    r = poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return Fail();
  revents = p.revents;
  return r;
}

}  // namespace

int32_t TranslateErrno(int err) {
  if (err == 0) return 0;
  for (const ErrnoCode& e : kErrnoCodes) {
    if (e.err == err) return e.code;
  }
  return err;
}

int32_t LastSocketError() { return lastError; }
void SetLastSocketError(int32_t code) { lastError = code; }

std::string SocketErrorMessage(int32_t code) {
  int err = -1;
  if (code == 0) {
    err = 0;
  } else if (code == kSockErrHostNotFound) {
    return "Unknown host";
  } else if (code == kSockErrNotInitialised) {
    return "Socket layer not started";
  } else {
    for (const ErrnoCode& e : kErrnoCodes) {
      if (e.code == code) {
        err = e.err;
        break;
      }
    }
    // Untranslated numbers are errno values that passed through as they were.
    if (err < 0 && code > 0 && code < 4096 && code != kSockErrTableFull) err = code;
  }
  if (err < 0) return "";
  char buffer[512];
  const char* text = strerror_r(err, buffer, sizeof buffer);
  return text ? text : "";
}

int SocketOpen(bool udp) {
  const int fd = udp ? socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)
                     : socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return fd < 0 ? Fail() : fd;
}

bool SocketSetReuse(int fd) { return SetIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1); }

bool SocketSetBroadcast(int fd) { return SetIntOption(fd, SOL_SOCKET, SO_BROADCAST, 1); }

bool SocketBind(int fd, uint32_t ip, uint16_t port) {
  const sockaddr_in a = MakeAddress(ip, port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
  Fail();
  return false;
}

bool SocketListen(int fd, int backlog) {
  if (listen(fd, backlog) == 0) return true;
  Fail();
  return false;
}

bool SocketSetNonBlocking(int fd, bool nonBlocking) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return Fail(), false;
  const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (wanted != flags && fcntl(fd, F_SETFL, wanted) < 0) return Fail(), false;
  return true;
}

bool SocketSetNoDelay(int fd) { return SetIntOption(fd, IPPROTO_TCP, TCP_NODELAY, 1); }

int SocketAccept(int fd, uint32_t& ip, uint16_t& port) {
  sockaddr_in a;
  socklen_t len = sizeof a;
  const int s = accept4(fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
  if (s < 0) return Fail();
  ip = ntohl(a.sin_addr.s_addr);
  port = ntohs(a.sin_port);
  return s;
}

int SocketConnect(int fd, uint32_t ip, uint16_t port) {
  const sockaddr_in a = MakeAddress(ip, port);
  int r;
  do {
    r = connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  } while (r < 0 && errno == EINTR);
  return r == 0 ? 0 : Fail();
}

int SocketWaitConnected(int fd, int timeoutMs) {
  short revents = 0;
  const int r = WaitFor(fd, POLLOUT, timeoutMs, revents);
  if (r <= 0) return r;
  // A refused connect shows as writable with an error: the socket's pending
  // error tells a finished connect from a failed one.
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return Fail();
  if (err != 0) {
    lastError = TranslateErrno(err);
    return -1;
  }
  return 1;
}

int SocketWaitWritable(int fd, int timeoutMs) {
  short revents = 0;
  const int r = WaitFor(fd, POLLOUT, timeoutMs, revents);
  return r < 0 ? -1 : r;
}

int SocketWaitReadable(int fd, int timeoutMs) {
  short revents = 0;
  const int r = WaitFor(fd, POLLIN, timeoutMs, revents);
  return r < 0 ? -1 : r;
}

long SocketSend(int fd, const char* data, size_t n) {
  const ssize_t r = send(fd, data, n, MSG_NOSIGNAL);
  return r < 0 ? Fail() : static_cast<long>(r);
}

long SocketSendTo(int fd, const char* data, size_t n, uint32_t ip, uint16_t port) {
  const sockaddr_in a = MakeAddress(ip, port);
  const ssize_t r = sendto(fd, data, n, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  return r < 0 ? Fail() : static_cast<long>(r);
}

long SocketRecv(int fd, char* data, size_t n) {
  const ssize_t r = recv(fd, data, n, 0);
  return r < 0 ? Fail() : static_cast<long>(r);
}

long SocketRecvFrom(int fd, char* data, size_t n, uint32_t& ip, uint16_t& port) {
  sockaddr_in a;
  socklen_t len = sizeof a;
  const ssize_t r = recvfrom(fd, data, n, 0, reinterpret_cast<sockaddr*>(&a), &len);
  if (r < 0) return Fail();
  ip = ntohl(a.sin_addr.s_addr);
  port = ntohs(a.sin_port);
  return static_cast<long>(r);
}

bool SocketClose(int fd) {
  // Linger off: close returns at once and the system sends what is queued.
  linger l{0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  shutdown(fd, SHUT_RDWR);
  if (close(fd) == 0) return true;
  Fail();
  return false;
}

bool SocketLocalAddress(int fd, uint32_t& ip, uint16_t& port) {
  sockaddr_in a;
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return Fail(), false;
  ip = ntohl(a.sin_addr.s_addr);
  port = ntohs(a.sin_port);
  return true;
}

bool ResolveName(const std::string& name, uint32_t& ip) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list) {
    lastError = kSockErrHostNotFound;
    return false;
  }
  ip = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(list);
  return true;
}

std::vector<uint32_t> HostAddresses() {
  std::vector<uint32_t> out;
  char host[128] = {};
  if (gethostname(host, sizeof host - 1) != 0) return out;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
  addrinfo* list = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &list) != 0) return out;
  for (const addrinfo* a = list; a; a = a->ai_next) {
    out.push_back(ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr));
  }
  freeaddrinfo(list);
  return out;
}

}  // namespace orv::platform
