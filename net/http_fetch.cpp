#include "net/http_fetch.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/atomic_write.h"
#include "net/socket_layer.h"
#include "platform/socket.h"

namespace orv {

namespace {

// Receives the response; true when it ended normally.
bool ReceiveBody(int sock, int timeoutMs, const std::function<bool(const char*, size_t)>& body) {
  SocketTable& t = Sockets();
  HeaderSplitter split;
  int64_t bodyBytes = 0;
  // Large receives: a big download costs a few system calls per megabyte,
  // not a thousand; where the header ends does not depend on the size.
  std::vector<char> buffer(64 * 1024);
  char* chunk = buffer.data();
  for (;;) {
    const long r = t.Recv(sock, chunk, buffer.size());
    if (r == kSockNothingWaiting) {
      if (platform::SocketWaitReadable(t.Descriptor(sock), timeoutMs) == 0) {
        return SockFail(platform::kSockErrTimedOut, false);
      }
      continue;
    }
    if (r < 0) return false;
    if (r == 0) {
      // A reset is not an end: what came may be cut anywhere.
      if (t.LastError() != 0) return false;
      const int64_t announced = split.ContentLength();
      if (!split.InBody() || (announced >= 0 && bodyBytes < announced)) {
        return SockFail(platform::kSockErrConnReset, false);
      }
      return true;
    }
    const size_t start = split.Feed(chunk, static_cast<size_t>(r));
    if (!split.InBody()) continue;
    // A server that keeps the connection open after the announced length
    // has sent the whole body: the fetch ends there, not at the time-out.
    const int64_t announced = split.ContentLength();
    size_t n = static_cast<size_t>(r) - start;
    if (announced >= 0 && static_cast<int64_t>(n) > announced - bodyBytes) {
      n = static_cast<size_t>(announced - bodyBytes);
    }
    bodyBytes += static_cast<int64_t>(n);
    if (n > 0 && !body(chunk + start, n)) return true;
    if (announced >= 0 && bodyBytes >= announced) return true;
  }
}

}  // namespace

bool HttpFetch(const std::string& host, const std::string& path, int port, int timeoutMs,
               const std::function<bool(const char*, size_t)>& body) {
  if (port == 0) port = 80;
  if (timeoutMs < 1 || timeoutMs > SocketTable::kMaxConnectWaitMs) timeoutMs = SocketTable::kMaxConnectWaitMs;
  SocketTable& t = Sockets();
  t.Start();
  bool ok = false;
  const int sock = t.TcpConnect(host, port, timeoutMs);
  if (sock >= 0) {
    const std::string request =
        "GET " + path + " HTTP/1.0\r\nHost:" + host + "\r\nAccept: */*\r\nUser-Agent: Orvane\r\n\r\n";
    ok = t.Send(sock, request.data(), request.size()) == static_cast<long>(request.size()) &&
         ReceiveBody(sock, timeoutMs, body);
  }
  // Closing and stopping must not hide why the fetch failed.
  const int32_t reason = t.LastError();
  if (sock >= 0) t.Close(sock);
  t.Shutdown();
  t.SetLastError(ok ? 0 : reason);
  return ok;
}

bool WebGetToFile(const std::string& host, const std::string& path, int port, const std::string& gamePath,
                  int timeoutMs) {
  // The download goes to a new file beside the target that replaces it,
  // flushed to the disk, only once the whole body has come: a failed fetch
  // or a crash leaves the old file as it was.
  FileReplacement file;
  if (gamePath.empty() || !file.Begin(gamePath.c_str(), InPlaceRewrite::kRefused)) return false;
  bool written = true;
  const bool fetched = HttpFetch(host, path, port, timeoutMs, [&](const char* data, size_t n) {
    written = WriteFully(file.Fd(), data, n) == n;
    return written;
  });
  return fetched && written && file.Commit(false);
}

std::string WebGetText(const std::string& host, const std::string& path, int port, int maximum, int timeoutMs) {
  if (maximum < 1) return "";
  std::string text;
  bool ended = false;
  const bool ok = HttpFetch(host, path, port, timeoutMs, [&](const char* data, size_t n) {
    const size_t room = static_cast<size_t>(maximum) - text.size();
    const size_t take = n < room ? n : room;
    const void* zero = std::memchr(data, 0, take);
    text.append(data, zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : take);
    // Full, or cut at a zero byte: nothing later can change the text.
    ended = zero || text.size() >= static_cast<size_t>(maximum);
    return !ended;
  });
  return ok ? text : std::string();
}

}  // namespace orv
