// The game's socket commands on 127.0.0.1: receive results, UDP senders,
// accept on the wrong kind of socket, and address texts.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "orvane/net.h"

namespace {

constexpr double kLoopback = 2130706433;  // 127.0.0.1

class SocketCommandTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SockStart(), 1); }
  void TearDown() override { SockShutdown(); }
};

// Receives until something other than "nothing waiting" comes, for at most 5 s.
double RecvSoon(double sock, RtString& text, double maximum) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  double r = SockRecv(sock, text, maximum);
  while (r == -2 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r = SockRecv(sock, text, maximum);
  }
  return r;
}

TEST_F(SocketCommandTest, TcpReceiveResults) {
  const double listener = TcpListen(0);
  ASSERT_GE(listener, 0);
  const double client = TcpConnect("127.0.0.1", SockRemotePort(listener), 2000);
  ASSERT_GE(client, 0);
  EXPECT_EQ(SockRemoteIp(client), kLoopback);
  double ip = 0, server = -1;
  for (int i = 0; i < 5000 && server < 0; ++i) {
    server = TcpAccept(listener, ip);
    if (server < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(server, 0);
  EXPECT_EQ(ip, kLoopback);

  RtString text = "left over";
  EXPECT_EQ(SockRecv(server, text, 100), -2);
  EXPECT_EQ(text, "");
  EXPECT_EQ(SockLastError(), 10035);

  // Bytes are bytes: a zero inside a message arrives with it.
  const RtString message("ab\0cd", 5);
  EXPECT_EQ(SockSend(client, message), 5);
  EXPECT_EQ(RecvSoon(server, text, 3), 3);
  EXPECT_EQ(text, RtString("ab\0", 3));
  EXPECT_EQ(RecvSoon(server, text, 100), 2);
  EXPECT_EQ(text, "cd");

  // A receive of at most nothing is refused rather than read as a close.
  EXPECT_EQ(SockRecv(server, text, 0), -1);

  EXPECT_EQ(SockClose(client), 1);
  text = "left over";
  EXPECT_EQ(RecvSoon(server, text, 100), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(SockClose(client), 0) << "already closed";
  EXPECT_EQ(SockRemoteIp(client), 0);
}

TEST_F(SocketCommandTest, ABlockingReceiveWaitsForTheBytes) {
  const double listener = TcpListen(0);
  ASSERT_GE(listener, 0);
  const double client = TcpConnect("127.0.0.1", SockRemotePort(listener), 2000);
  ASSERT_GE(client, 0);
  double ip = 0, server = -1;
  for (int i = 0; i < 5000 && server < 0; ++i) {
    server = TcpAccept(listener, ip);
    if (server < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(server, 0);

  RtString text;
  EXPECT_EQ(SockRecv(server, text, 100), -2) << "non-blocking: nothing waiting yet";
  SockSetBlocking(server, 1);
  std::thread late([client] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SockSend(client, "late");
  });
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(SockRecv(server, text, 100), 4);
  const auto waited = std::chrono::steady_clock::now() - before;
  late.join();
  EXPECT_EQ(text, "late");
  EXPECT_GE(waited, std::chrono::milliseconds(100)) << "the receive waited for the bytes";

  SockSetBlocking(server, 0);
  EXPECT_EQ(SockRecv(server, text, 100), -2);
  SockClose(client);
  SockClose(server);
  SockClose(listener);
}

TEST_F(SocketCommandTest, AcceptOnUdpFailsWithErrorZero) {
  const double udp = UdpOpen(0);
  ASSERT_GE(udp, 0);
  EXPECT_EQ(TcpConnect("127.0.0.1", 1, 1000), -1);  // leaves a non-zero error behind
  ASSERT_NE(SockLastError(), 0);
  double ip = 77;
  EXPECT_EQ(TcpAccept(udp, ip), -1);
  EXPECT_EQ(SockLastError(), 0);
  EXPECT_EQ(ip, 77);
}

TEST_F(SocketCommandTest, UdpReceiveKeepsTheSenderAddressAndPort) {
  // A fixed port per process: UDP ports here may be shared, TCP ones not.
  const int port = 20000 + getpid() % 20000;
  const double receiver = UdpOpen(port);
  ASSERT_GE(receiver, 0);

  // A sender on another loopback address, so the whole IP is checked.
  const int raw = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = inet_addr("127.0.0.5");
  ASSERT_EQ(bind(raw, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
  socklen_t len = sizeof from;
  getsockname(raw, reinterpret_cast<sockaddr*>(&from), &len);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = inet_addr("127.0.0.1");
  ASSERT_EQ(sendto(raw, "ping", 4, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 4);

  RtString text;
  EXPECT_EQ(RecvSoon(receiver, text, 100), 4);
  EXPECT_EQ(text, "ping");
  EXPECT_EQ(SockRemoteIp(receiver), 2130706437);
  EXPECT_EQ(SockRemotePort(receiver), ntohs(from.sin_port));

  // Nothing more waiting: the stored sender is cleared.
  EXPECT_EQ(SockRecv(receiver, text, 100), -2);
  EXPECT_EQ(SockRemoteIp(receiver), 0);

  // And back through the game's own send, to the sender it saw.
  const double sender = UdpOpen(0);
  EXPECT_EQ(UdpSend(sender, "pong", kLoopback, port), 4);
  EXPECT_EQ(RecvSoon(receiver, text, 100), 4);
  EXPECT_EQ(text, "pong");
  EXPECT_EQ(SockRemoteIp(receiver), kLoopback);
  EXPECT_EQ(UdpSend(sender, "x", 0, port), -1);
  EXPECT_EQ(UdpSend(sender, "x", kLoopback, 0), -1);
  close(raw);
}

TEST(SocketAddresses, TextsAndResolution) {
  EXPECT_EQ(IpToText(2130706433), "127.0.0.1");
  EXPECT_EQ(IpToText(3232235777.0), "192.168.1.1");
  EXPECT_EQ(IpToText(-1), "255.255.255.255");
  EXPECT_EQ(ResolveHost("127.0.0.1"), kLoopback);
  EXPECT_EQ(ResolveHost("localhost"), kLoopback);

  // "" is this machine: its first listed non-loopback address, or loopback.
  const std::string list = LocalAddresses("\n").CStr();
  const std::string first = list.substr(0, list.find('\n'));
  const double self = ResolveHost("");
  if (first.empty()) {
    EXPECT_EQ(self, kLoopback);
  } else {
    EXPECT_EQ(IpToText(self).CStr(), first);
  }
  const size_t loop = list.find("127.0.0.1\n");
  if (loop != std::string::npos) {
    EXPECT_EQ(loop + 10, list.size()) << "loopback comes last";
  }
}

}  // namespace
