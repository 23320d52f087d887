// The game's session commands on the runtime's own session object.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "net/net_session.h"
#include "orvane/net.h"
#include "runtime/runtime_state.h"

namespace {

TEST(SessionCommands, HostOnTheDefaultPortCreatePlayersAndAsk) {
  orv::Rt().net = std::make_unique<orv::NetSession>();
  ASSERT_EQ(NetHost(0), 1);
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

  const std::string list = NetLocalAddresses().CStr();
  EXPECT_TRUE(list.empty() || list.back() != '|');

  NetShutdown();
  EXPECT_EQ(NetIsRunning(), 0);
  EXPECT_EQ(NetCreatePlayer("late"), 0);
  orv::Rt().net.reset();
  EXPECT_EQ(NetHost(0), 0) << "no session before start-up";
}

}  // namespace
