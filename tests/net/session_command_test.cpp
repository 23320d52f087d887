// The game's session commands on the runtime's own session object.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "net/net_session.h"
#include "orvane/net.h"
#include "runtime/runtime_state.h"
#include "support/test_support.h"

namespace {

// Polls a session answer for up to 5 s: the host's thread applies removals.
template <typename Check>
bool Soon(Check check, int polls = 500) {
  for (int i = 0; i < polls; ++i) {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return check();
}

TEST(SessionCommands, HostOnTheDefaultPortCreatePlayersAndAsk) {
  orv::Rt().net = std::make_unique<orv::NetSession>();
  // The default port is one for the whole machine: another test run may
  // hold it for a while.
  ASSERT_TRUE(Soon([] { return NetHost(0) == 1; }, 6000));
  EXPECT_EQ(NetIsRunning(), 1);
  // Port 0 means the game's default port.
  ASSERT_EQ(SockStart(), 1);
  const double probe = TcpConnect("127.0.0.1", 27910, 2000);
  EXPECT_GE(probe, 0);
  SockClose(probe);
  SockShutdown();

  EXPECT_EQ(NetCreatePlayer("Hal"), 101);
  EXPECT_EQ(NetPlayerCount(), 1);
  EXPECT_EQ(NetPlayerName(101), "Hal");
  EXPECT_EQ(NetPlayerIdByIndex(0), 101);
  EXPECT_EQ(NetPlayerName(70000), "NO_DATA");
  EXPECT_EQ(NetSendMessage(101, 70000, "x"), 0) << "no such id";
  EXPECT_EQ(NetGetMessage(101), "");
  // A text is one message of at most 1024 bytes; a longer one is refused, not cut.
  const std::string full(1024, 'f');
  EXPECT_EQ(NetSendMessage(101, 101, RtString(full.data(), 1024)), 1);
  EXPECT_EQ(NetSendMessage(101, 101, RtString((full + "g").data(), 1025)), 0);
  EXPECT_EQ(SockLastError(), 10040);
  EXPECT_EQ(NetSendMessage(101, 101, "end"), 1);
  RtString got;
  EXPECT_TRUE(Soon([&] { return !(got = NetGetMessage(101)).Empty(); }));
  EXPECT_EQ(std::string(got.CStr(), static_cast<size_t>(got.Length())), full);
  EXPECT_TRUE(Soon([&] { return !(got = NetGetMessage(101)).Empty(); }));
  EXPECT_EQ(got, "end") << "nothing of the refused text arrives";
  EXPECT_EQ(NetDroppedMessages(101), 0);

  const std::string list = NetLocalAddresses().CStr();
  EXPECT_TRUE(list.empty() || list.back() != '|');

  NetShutdown();
  EXPECT_EQ(NetIsRunning(), 0);
  EXPECT_EQ(NetCreatePlayer("late"), 0);
  orv::Rt().net.reset();
  EXPECT_EQ(NetHost(0), 0) << "no session before start-up";
}

TEST(SessionCommands, RemovedPlayersLeaveOnceAndAClosedHostCreatesNone) {
  orv::Rt().net = std::make_unique<orv::NetSession>();
  ASSERT_NE(orvtest::OwnPort(19, [](int port) { return NetHost(port) == 1; }), 0);
  EXPECT_EQ(NetNextLeftPlayer(), 0) << "nobody has left yet";
  ASSERT_EQ(NetCreatePlayer("Ann"), 101);
  ASSERT_EQ(NetCreatePlayer("Bob"), 102);

  NetRemovePlayer(102);
  EXPECT_TRUE(Soon([] { return NetPlayerCount() == 1; }));
  EXPECT_EQ(NetPlayerName(102), "NO_DATA");
  EXPECT_EQ(NetNextLeftPlayer(), 102);
  EXPECT_EQ(NetNextLeftPlayer(), 0) << "each departure is told once";

  // A host that accepts no players makes none, its own included, until it
  // accepts again.
  NetAcceptPlayers(0);
  EXPECT_EQ(NetCreatePlayer("late"), 0);
  NetAcceptPlayers(1);
  // The host's own query player took 103 when the count was first asked.
  EXPECT_EQ(NetCreatePlayer("Cid"), 104);
  EXPECT_EQ(NetPlayerCount(), 2);

  NetShutdown();
  orv::Rt().net.reset();
}

}  // namespace
