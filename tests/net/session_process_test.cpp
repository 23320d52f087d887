// A session across processes: the host is a session object of the test,
// the players are separate game processes joining it over 127.0.0.1.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "net/net_session.h"
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

TEST(SessionProcesses, PlayersInTwoGamesExchangeMessagesThroughTheHost) {
  orv::NetSession host;
  int port = 0;
  for (int i = 0; i < 20 && port == 0; ++i) {
    const int p = 30000 + (getpid() * 11 + i * 137) % 20000;
    if (host.Host(p)) port = p;
  }
  ASSERT_NE(port, 0);
  const int hal = host.CreatePlayer("Hal");
  ASSERT_EQ(hal, 101);

  auto peer = [&](const std::string& name) {
    orvtest::ProcessOptions opt;
    opt.env = {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"NET_PORT", std::to_string(port)},
               {"NET_NAME", name}, {"NET_PLAYERS", "3"}, {"NET_TO", std::to_string(hal)}, {"NET_WAIT_MS", "1500"}};
    return std::make_unique<orvtest::Child>(std::vector<std::string>{orvtest::BinaryPath("tests/net/net_peer")}, opt);
  };
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

}  // namespace
