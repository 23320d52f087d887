// The socket table on 127.0.0.1: nested starts, the number limit, connect
// time-outs and failures, exact receives, and sends to a peer that has gone.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "net/socket_layer.h"
#include "platform/socket.h"

namespace {

using orv::Sockets;
constexpr uint32_t kLoopback = 0x7F000001;

class SocketTableTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Sockets().Start()); }
  void TearDown() override {
    while (Sockets().StartCount() > 0) Sockets().Shutdown();
  }
};

// Polls a call that may answer "not yet" until it answers, for at most 5 s.
template <class F>
auto Eventually(F f, decltype(f()) notYet) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto r = f();
  while (r == notYet && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r = f();
  }
  return r;
}

// A listener on a port the system picks, a client connected to it and the
// accepted end.
struct Pair {
  int listener = -1, client = -1, server = -1;
};

Pair Connected() {
  Pair p;
  p.listener = Sockets().TcpListen(0);
  if (p.listener < 0) return p;
  p.client = Sockets().TcpConnect("127.0.0.1", Sockets().RemotePort(p.listener), 2000);
  uint32_t ip = 0;
  p.server = Eventually([&] { return Sockets().TcpAccept(p.listener, &ip); }, -1);
  EXPECT_EQ(ip, kLoopback);
  return p;
}

TEST_F(SocketTableTest, StartsNestAndTheLastShutdownClosesEverything) {
  ASSERT_TRUE(Sockets().Start());
  const int s = Sockets().UdpOpen(0);
  ASSERT_GE(s, 0);
  Sockets().Shutdown();
  EXPECT_GE(Sockets().Descriptor(s), 0) << "one start is still open";
  Sockets().Shutdown();
  EXPECT_EQ(Sockets().Descriptor(s), -1);
  Sockets().Shutdown();  // more shutdowns than starts: the shutdown path calls it freely
  EXPECT_EQ(Sockets().StartCount(), 0);
  EXPECT_EQ(Sockets().UdpOpen(0), -1);
  EXPECT_EQ(Sockets().LastError(), orv::platform::kSockErrNotInitialised);
}

TEST_F(SocketTableTest, TheNumberAfterTheLastFailsWithEightAndFreedNumbersAreReused) {
  rlimit lim;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
  if (lim.rlim_cur < 1200) {
    lim.rlim_cur = lim.rlim_max < 1200 ? lim.rlim_max : 1200;
    setrlimit(RLIMIT_NOFILE, &lim);
  }
  if (lim.rlim_cur < 1100) GTEST_SKIP() << "too few descriptors allowed";
  for (int i = 0; i < orv::SocketTable::kEntries; ++i) ASSERT_EQ(Sockets().UdpOpen(0), i);
  EXPECT_EQ(Sockets().UdpOpen(0), -1);
  EXPECT_EQ(Sockets().LastError(), 8);
  EXPECT_EQ(Sockets().TcpListen(0), -1);
  EXPECT_EQ(Sockets().LastError(), 8);
  EXPECT_TRUE(Sockets().Close(517));
  EXPECT_EQ(Sockets().UdpOpen(0), 517);
}

TEST_F(SocketTableTest, ConnectFailuresGiveTheirNumbersAndFreeTheirEntries) {
  // A port nobody listens on: taken from a listener that is closed again.
  const int l = Sockets().TcpListen(0);
  const int port = Sockets().RemotePort(l);
  Sockets().Close(l);
  EXPECT_EQ(Sockets().TcpConnect("127.0.0.1", port, 2000), -1);
  EXPECT_EQ(Sockets().LastError(), 10061);
  EXPECT_EQ(orv::SockErrorText().rfind("10061 ", 0), 0u) << orv::SockErrorText();
  EXPECT_EQ(Sockets().Descriptor(0), -1);
}

TEST_F(SocketTableTest, ConnectTimesOutWith10036AndTimeoutZeroWaitsLong) {
  // A listener whose queue is full drops new handshakes; the client retries
  // after about a second.
  const int listener = Sockets().TcpListen(0);
  const int port = Sockets().RemotePort(listener);
  int timedOut = 0;
  for (int i = 0; i < 40 && !timedOut; ++i) {
    if (Sockets().TcpConnect("127.0.0.1", port, 100) < 0) {
      ASSERT_EQ(Sockets().LastError(), 10036);
      timedOut = 1;
    }
  }
  ASSERT_TRUE(timedOut) << "the listener's queue never filled";

  // Timeout 0 must mean the longest wait, not none: this connect only
  // succeeds after the queue is drained and the client has retried.
  std::future<int> late = std::async(std::launch::async, [&] { return Sockets().TcpConnect("127.0.0.1", port, 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<int> accepted;
  auto drain = [&] {
    for (int s; (s = Sockets().TcpAccept(listener, nullptr)) >= 0;) accepted.push_back(s);
  };
  drain();
  ASSERT_EQ(late.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_GE(late.get(), 0);
  drain();
}

TEST_F(SocketTableTest, ExactReceiveWaitsForTheRestAndReportsCloseAndStall) {
  const Pair p = Connected();
  ASSERT_GE(p.server, 0);
  char buf[8];
  EXPECT_EQ(Sockets().RecvExact(p.server, buf, 8), orv::kSockNothingWaiting);

  ASSERT_EQ(Sockets().Send(p.client, "abc", 3), 3);
  std::thread rest([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Sockets().Send(p.client, "defgh", 5);
  });
  EXPECT_EQ(Eventually([&] { return Sockets().RecvExact(p.server, buf, 8); }, orv::kSockNothingWaiting), 8);
  rest.join();
  EXPECT_EQ(std::string(buf, 8), "abcdefgh");

  // Half a message and then silence: with a stall limit the wait ends.
  ASSERT_EQ(Sockets().Send(p.client, "xy", 2), 2);
  EXPECT_EQ(Eventually([&] { return Sockets().RecvExact(p.server, buf, 4, 50); }, orv::kSockNothingWaiting),
            orv::kSockFailed);
  EXPECT_EQ(Sockets().LastError(), 10060);

  Sockets().Close(p.client);
  EXPECT_EQ(Eventually([&] { return Sockets().RecvExact(p.server, buf, 4); }, orv::kSockNothingWaiting),
            orv::kSockClosed);
}

TEST_F(SocketTableTest, SendingToAPeerThatHasGoneFailsWithoutKillingTheProcess) {
  const Pair p = Connected();
  ASSERT_GE(p.server, 0);
  Sockets().Close(p.server);
  const std::string block(65536, 'z');
  long r = 0;
  for (int i = 0; i < 100 && r >= 0; ++i) {
    r = Sockets().Send(p.client, block.data(), block.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(r, -1);
  EXPECT_EQ(Sockets().LastError(), 10054);
}

TEST(SocketErrors, TextIsCodeThenSystemText) {
  Sockets().SetLastError(0);
  EXPECT_EQ(orv::SockErrorText(), "0 Success");
  Sockets().SetLastError(10035);
  EXPECT_EQ(orv::SockErrorText(), std::string("10035 ") + std::strerror(EWOULDBLOCK));
  Sockets().SetLastError(987654);
  EXPECT_EQ(orv::SockErrorText(), "");
}

}  // namespace
