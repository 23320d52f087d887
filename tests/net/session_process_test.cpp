// A session across processes: the host is a session object of the test,
// the players are separate game processes joining it over 127.0.0.1.
#include <gtest/gtest.h>


#include <chrono>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "net/net_message.h"
#include "net/net_session.h"
#include "net/socket_layer.h"
#include "support/test_support.h"

namespace {

int Count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

int IdOf(const std::string& out) {
  std::smatch m;
  return std::regex_search(out, m, std::regex("id (\\d+)")) ? std::stoi(m[1]) : 0;
}

// A host in this process with its own player Hal (101), and peer games.
class SessionProcesses : public testing::Test {
 protected:
  void SetUp() override {
    port = orvtest::OwnPort(11, [&](int p) { return host.Host(p); });
    ASSERT_NE(port, 0);
    hal = host.CreatePlayer("Hal");
    ASSERT_EQ(hal, 101);
  }
  std::unique_ptr<orvtest::Child> Peer(const std::string& name, int players) {
    orvtest::ProcessOptions opt;
    opt.env = {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"NET_PORT", std::to_string(port)},
               {"NET_NAME", name}, {"NET_PLAYERS", std::to_string(players)}, {"NET_TO", std::to_string(hal)},
               {"NET_WAIT_MS", "1500"}, {"NET_EXPECT", std::to_string(players - 2)}};
    return std::make_unique<orvtest::Child>(std::vector<std::string>{orvtest::BinaryPath("tests/net/net_peer")}, opt);
  }
  orv::NetSession host;
  int port = 0;
  int hal = 0;
};

TEST_F(SessionProcesses, PlayersInTwoGamesExchangeMessagesThroughTheHost) {
  auto peer = [&](const std::string& name) { return Peer(name, 3); };
  auto ann = peer("Ann");
  auto bob = peer("Bob");
  ASSERT_TRUE(ann->Wait(60));
  ASSERT_TRUE(bob->Wait(60));
  const std::string a = ann->Out(), b = bob->Out();
  const int annId = IdOf(a), bobId = IdOf(b);
  ASSERT_GT(annId, hal) << a << ann->Err();
  ASSERT_GT(bobId, hal) << b << bob->Err();

  // A broadcast reaches the other remote player once, never its sender.
  EXPECT_EQ(Count(b, "got " + std::to_string(annId) + " all from Ann\n"), 1) << b;
  EXPECT_EQ(Count(a, "got " + std::to_string(bobId) + " all from Bob\n"), 1) << a;
  EXPECT_EQ(Count(a, "all from Ann"), 0);
  EXPECT_EQ(Count(a + b, "only from"), 0) << "direct lines went to Hal alone";

  // Hal, on the host, gets the direct lines and no broadcasts.
  std::multiset<std::string> halGot;
  for (std::string m = host.GetMessage(hal); !m.empty(); m = host.GetMessage(hal)) halGot.insert(m);
  EXPECT_EQ(halGot, (std::multiset<std::string>{"only from Ann", "only from Bob"}));

  // Both games have left: their players and their query players.
  std::set<int> left;
  for (int i = 0; i < 5000 && left.size() < 4; ++i) {
    if (const int id = host.NextLeftPlayer()) left.insert(id);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(left.size(), 4u);
  EXPECT_EQ(left.count(annId) + left.count(bobId), 2u);
  EXPECT_EQ(host.PlayerCount(), 1);
}

// Three games play while a hostile peer sends every kind of bad input on
// connections of its own: the games lose nothing and the host stays up.
TEST_F(SessionProcesses, GamesPlayOnWhileAHostilePeerIsDropped) {
  std::vector<std::unique_ptr<orvtest::Child>> games;
  for (const char* name : {"Ann", "Bob", "Cy"}) games.push_back(Peer(name, 4));

  ASSERT_TRUE(orv::Sockets().Start());
  const std::string bad[] = {
      std::string("\x03\x01\x04\xFF\xFF\x01\x00", 7),               // longer than 1024
      std::string("\x63\x00\x00\x00\x00\x00\x00", 7),               // unknown type
      orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, "short"),       // creation of the wrong size
      orv::EncodeMessage(orv::kMsgGame, 4321, 999, "nobody"),         // ids that name nobody
      std::string("\x03\x05", 2),                                      // half a header, then leaves
  };
  int dropped = 0;
  for (const std::string& b : bad) {
    const int s = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
    ASSERT_GE(s, 0);
    orv::Sockets().Send(s, b.data(), b.size());
    char c[64];
    long got = -2;
    for (int i = 0; i < 300 && got == -2; ++i) {
      got = orv::Sockets().Recv(s, c, sizeof c);
      if (got == -2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (got == 0) ++dropped;
    orv::Sockets().Close(s);
  }
  orv::Sockets().Shutdown();
  EXPECT_EQ(dropped, 3) << "the three malformed messages end their connections";

  std::vector<std::string> out;
  std::vector<int> ids;
  for (auto& g : games) {
    ASSERT_TRUE(g->Wait(60));
    out.push_back(g->Out());
    ids.push_back(IdOf(out.back()));
    ASSERT_GT(ids.back(), hal) << out.back() << g->Err();
  }
  const char* names[] = {"Ann", "Bob", "Cy"};
  for (size_t i = 0; i < 3; ++i) {
    for (size_t j = 0; j < 3; ++j) {
      const std::string line = "got " + std::to_string(ids[j]) + " all from " + names[j] + "\n";
      EXPECT_EQ(Count(out[i], line), i == j ? 0 : 1) << names[i] << " from " << names[j] << ":\n" << out[i];
    }
  }
  std::multiset<std::string> halGot;
  for (std::string m = host.GetMessage(hal); !m.empty(); m = host.GetMessage(hal)) halGot.insert(m);
  EXPECT_EQ(halGot, (std::multiset<std::string>{"only from Ann", "only from Bob", "only from Cy"}));
  EXPECT_TRUE(host.IsRunning());
}

}  // namespace
