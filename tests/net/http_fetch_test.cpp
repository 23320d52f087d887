// HTTP fetches from a scripted raw server (split headers, zero bytes, cut
// bodies, stalls) and from a real one (python's http.server).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "orvane/net.h"
#include "support/test_support.h"

namespace {

// One connection served by a script: each step is sent after its pause;
// then the server closes (or, with `hold`, keeps the connection open silent
// until it is destroyed).
class RawServer {
 public:
  struct Step {
    std::string bytes;
    int pauseMs = 0;
  };
  RawServer(std::vector<Step> steps, bool hold = false) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(listener_, 1);
    thread_ = std::thread([this, steps, hold] {
      const int c = accept(listener_, nullptr, nullptr);
      if (c < 0) return;
      char buf[1024];
      while (request_.find("\r\n\r\n") == std::string::npos) {
        const ssize_t r = recv(c, buf, sizeof buf, 0);
        if (r <= 0) break;
        request_.append(buf, static_cast<size_t>(r));
      }
      for (const Step& s : steps) {
        std::this_thread::sleep_for(std::chrono::milliseconds(s.pauseMs));
        send(c, s.bytes.data(), s.bytes.size(), MSG_NOSIGNAL);
      }
      if (hold) recv(c, buf, sizeof buf, 0);  // until the client gives up
      close(c);
    });
  }
  ~RawServer() {
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  int Port() const { return port_; }
  const std::string& Request() const { return request_; }

 private:
  int listener_ = -1, port_ = 0;
  std::string request_;
  std::thread thread_;
};

// The text a fetch gives, every byte of it.
std::string Fetch(const char* host, const char* path, int port, int maximum, int timeout) {
  const RtString t = WebGetText(host, path, port, maximum, timeout);
  return std::string(t.CStr(), static_cast<size_t>(t.Length()));
}

const std::string kOk = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

TEST(HttpFetch, RequestAndHeaderSplitAcrossPackets) {
  std::string request;
  {
    RawServer server({{"HTTP/1.0 200 OK\nX-A: b\n", 0}, {"\nbo", 30}, {"dy", 30}});
    EXPECT_EQ(Fetch("127.0.0.1", "/a/b?c=1", server.Port(), 100, 2000), "body");
    request = server.Request();
  }
  EXPECT_EQ(request, "GET /a/b?c=1 HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Orvane\r\n\r\n");
}

TEST(HttpFetch, TextStopsAtItsMaximumAndAtAZeroByteWhileTheFileKeepsEveryByte) {
  {
    RawServer server({{kOk + std::string(1000, 'x'), 0}}, true);
    EXPECT_EQ(Fetch("127.0.0.1", "/", server.Port(), 10, 2000), std::string(10, 'x'))
        << "a full text ends the fetch without waiting for the close";
  }
  const std::string body("ab\0cd", 5);
  {
    RawServer server({{kOk + body, 0}});
    EXPECT_EQ(Fetch("127.0.0.1", "/", server.Port(), 100, 2000), "ab");
  }
  {
    RawServer server({{kOk + body, 0}});
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "got.bin", 2000), 1);
    EXPECT_EQ(orvtest::ReadFile("got.bin"), body);
  }
}

TEST(HttpFetch, TheAnnouncedLengthEndsTheFetchWhileTheServerKeepsTheConnection) {
  // The time-out is longer than the test may take: only the length can end these.
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
  {
    RawServer server({{header + "hel", 0}, {"lo and more", 20}}, true);
    EXPECT_EQ(Fetch("127.0.0.1", "/", server.Port(), 100, 30000), "hello");
  }
  {
    RawServer server({{header + "hello", 0}}, true);
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "kept.txt", 30000), 1);
  }
  EXPECT_EQ(orvtest::ReadFile("kept.txt"), "hello");
  {
    RawServer server({{"HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n", 0}}, true);
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "empty.txt", 30000), 1);
  }
  EXPECT_EQ(orvtest::ReadFile("empty.txt"), "");
}

TEST(HttpFetch, AFailedFetchLeavesTheOldFile) {
  orvtest::WriteFile("keep.txt", "old");
  {
    RawServer server({{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..", 0}});
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "keep.txt", 2000), 0) << "closed mid-body";
  }
  {
    RawServer server({{"HTTP/1.0 200 OK\r\nX: never ends\r\n", 0}});
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "keep.txt", 2000), 0) << "no empty line";
  }
  {
    RawServer server({{kOk + "part", 0}}, true);
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "keep.txt", 300), 0) << "stalled";
    EXPECT_EQ(SockLastError(), 10060);
  }
  EXPECT_EQ(orvtest::ReadFile("keep.txt"), "old");
  {
    RawServer server({{kOk + "new", 0}});
    EXPECT_EQ(WebGetToFile("127.0.0.1", "/", server.Port(), "keep.txt", 2000), 1);
  }
  EXPECT_EQ(orvtest::ReadFile("keep.txt"), "new");
  int leftovers = 0;
  for (const auto& e : std::filesystem::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (name.rfind("keep.txt", 0) == 0 && name != "keep.txt") ++leftovers;
  }
  EXPECT_EQ(leftovers, 0) << "no temporary file is left behind";
}

// A port nobody listens on any more: one the system handed out, released.
int ReleasedPort() {
  RawServer s({});
  return s.Port();
}

TEST(HttpFetch, RefusedConnectionGivesNothing) {
  EXPECT_EQ(Fetch("127.0.0.1", "/", ReleasedPort(), 10, 2000), "");
  EXPECT_EQ(SockLastError(), 10061);
  EXPECT_EQ(WebGetToFile("127.0.0.1", "/", ReleasedPort(), "none.txt", 2000), 0);
  EXPECT_FALSE(orvtest::Exists("none.txt"));
}

TEST(HttpFetch, RealServerTextBinaryLargeAndNotFound) {
  const std::string dir = orvtest::PrivateDir() + "/site";
  ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
  orvtest::WriteFile(dir + "/hello.txt", "hello, web");
  std::string binary;
  for (int i = 0; i < 3000; ++i) binary += static_cast<char>(i % 7 == 0 ? 0 : i & 0xFF);
  orvtest::WriteFile(dir + "/data.bin", binary);
  std::string large(5 << 20, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 2654435761u) >> 24);
  orvtest::WriteFile(dir + "/large.bin", large);

  const int port = ReleasedPort();
  orvtest::Child server({"/usr/bin/python3", "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1", "--directory", dir});
  ASSERT_EQ(SockStart(), 1);
  double up = -1;
  for (int i = 0; i < 100 && up < 0; ++i) {
    up = TcpConnect("127.0.0.1", port, 1000);
    if (up < 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_GE(up, 0) << server.Err();
  SockClose(up);
  SockShutdown();

  EXPECT_EQ(Fetch("127.0.0.1", "/hello.txt", port, 100, 5000), "hello, web");
  EXPECT_EQ(WebGetToFile("127.0.0.1", "/data.bin", port, "data.bin", 5000), 1);
  EXPECT_EQ(orvtest::ReadFile("data.bin"), binary);
  EXPECT_EQ(WebGetToFile("127.0.0.1", "/large.bin", port, "large.bin", 5000), 1);
  EXPECT_TRUE(orvtest::ReadFile("large.bin") == large);
  const std::string missing = Fetch("127.0.0.1", "/missing", port, 10000, 5000);
  EXPECT_NE(missing.find("404"), std::string::npos) << "an error page is a body like any other: " << missing;
}

}  // namespace
