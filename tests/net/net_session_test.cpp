// Sessions on this machine: a host and clients as session objects of one
// process, talking over real sockets; a raw socket plays the hostile peer.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/net_message.h"
#include "net/net_session.h"
#include "support/test_support.h"

namespace {

using orv::NetSession;

// A message for a local player, waited for up to 5 s; "" when none came.
std::string Await(NetSession& s, int player) {
  for (int i = 0; i < 5000; ++i) {
    std::string m = s.GetMessage(player);
    if (!m.empty()) return m;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return "";
}

// A game reading one player's messages on a thread of its own, as another
// process would, until it is destroyed.
class Reader {
 public:
  Reader(NetSession& s, int player) : thread_([this, &s, player] {
    while (!stop_) {
      if (s.GetMessage(player).empty()) std::this_thread::sleep_for(std::chrono::microseconds(200));
      else ++count_;
    }
  }) {}
  ~Reader() {
    stop_ = true;
    thread_.join();
  }
  int Count() const { return count_; }
  // True once `done` holds (waiting up to `seconds`).
  template <typename Done>
  bool WaitFor(Done done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::thread thread_;
};

// Messages still arriving after the wanted ones had time to.
std::string Stray(NetSession& s, int player) {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return s.GetMessage(player);
}

class SessionTest : public testing::Test {
 protected:
  void SetUp() override {
    port = orvtest::OwnPort(7, [&](int p) { return host.Host(p); });
    ASSERT_NE(port, 0);
  }
  std::unique_ptr<NetSession> Joined() {
    auto s = std::make_unique<NetSession>();
    EXPECT_TRUE(s->Join("127.0.0.1", port));
    return s;
  }
  NetSession host;
  int port = 0;
};

TEST_F(SessionTest, IdsCountsAndNames) {
  EXPECT_EQ(host.CreatePlayer("Hal"), 101);
  auto client = Joined();  // its join request creates its query player: 102
  EXPECT_EQ(client->CreatePlayer("Ann"), 103);
  EXPECT_EQ(client->PlayerCount(), 2) << "query players are not counted";
  EXPECT_EQ(host.PlayerCount(), 2);
  EXPECT_EQ(client->PlayerIdByIndex(0), 101);
  EXPECT_EQ(client->PlayerIdByIndex(1), 103);
  EXPECT_EQ(client->PlayerIdByIndex(2), 0);
  EXPECT_EQ(client->PlayerName(101), "Hal");
  EXPECT_EQ(host.PlayerName(103), "Ann");
  EXPECT_EQ(host.PlayerName(999), "NO_DATA");
}

TEST_F(SessionTest, BroadcastsReachRemotePlayersOnceEachAndDirectMessagesTheirTarget) {
  const int hal = host.CreatePlayer("Hal");
  auto a = Joined();
  auto b = Joined();
  const int ann = a->CreatePlayer("Ann");
  const int bob = b->CreatePlayer("Bob");
  const int bea = b->CreatePlayer("Bea");
  ASSERT_TRUE(hal && ann && bob && bea);

  ASSERT_TRUE(a->SendMessage(ann, 0, "hello all"));
  EXPECT_EQ(Await(*b, bob), "hello all");
  EXPECT_EQ(b->LastSender(), ann);
  EXPECT_EQ(Await(*b, bea), "hello all");
  EXPECT_EQ(Stray(*b, bob), "") << "one copy per player";
  EXPECT_EQ(Stray(host, hal), "") << "players on the host get no broadcasts";
  EXPECT_EQ(Stray(*a, ann), "") << "nor does the sender";

  ASSERT_TRUE(a->SendMessage(ann, hal, "to the host"));
  EXPECT_EQ(Await(host, hal), "to the host");
  ASSERT_TRUE(host.SendMessage(hal, bea, "to Bea"));
  EXPECT_EQ(Await(*b, bea), "to Bea");
  EXPECT_EQ(b->LastSender(), hal);
  EXPECT_EQ(Stray(*b, bob), "");
}

TEST_F(SessionTest, PlayersOfADisconnectedClientLeave) {
  auto a = Joined();
  const int ann = a->CreatePlayer("Ann");
  const int amy = a->CreatePlayer("Amy");
  a->RemovePlayer(amy);
  a->RemovePlayer(65280);  // not a player id: nothing is sent
  int left = 0;
  for (int i = 0; i < 5000 && !(left = host.NextLeftPlayer()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(left, amy);

  a->Shutdown();
  std::vector<int> gone;
  for (int i = 0; i < 5000 && gone.size() < 2; ++i) {
    if (const int id = host.NextLeftPlayer()) gone.push_back(id);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(gone, (std::vector<int>{101, ann})) << "the query player and Ann";
  EXPECT_EQ(host.PlayerCount(), 0);
}

TEST_F(SessionTest, AClientEndsWhenTheHostGoes) {
  auto a = Joined();
  EXPECT_TRUE(a->IsRunning());
  host.Shutdown();
  for (int i = 0; i < 5000 && a->IsRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(a->IsRunning());
  EXPECT_EQ(a->PlayerCount(), 0) << "requests fail at once";
}

TEST_F(SessionTest, HostilePeersAreDroppedWhileOthersPlayOn) {
  auto a = Joined();
  auto b = Joined();
  const int ann = a->CreatePlayer("Ann");
  const int bob = b->CreatePlayer("Bob");
  ASSERT_TRUE(ann && bob);

  ASSERT_TRUE(orv::Sockets().Start());
  auto raw = [&] {
    int s = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
    EXPECT_GE(s, 0);
    return s;
  };
  auto closedByHost = [&](int s) {
    char c;
    long r = -2;
    for (int i = 0; i < 5000 && r == -2; ++i) {
      r = orv::Sockets().Recv(s, &c, 1);
      if (r == -2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    orv::Sockets().Close(s);
    return r == 0;
  };
  // Too long, unknown type, a creation of the wrong size.
  for (const std::string& bad : {std::string("\x03\x01\x04\xFF\xFF\x01\x00", 7), std::string("\x63\x00\x00\x00\x00\x00\x00", 7),
                                 orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, "short")}) {
    const int s = raw();
    orv::Sockets().Send(s, bad.data(), bad.size());
    EXPECT_TRUE(closedByHost(s)) << static_cast<int>(bad[0]);
    ASSERT_TRUE(a->SendMessage(ann, bob, "still here"));
    EXPECT_EQ(Await(*b, bob), "still here");
  }

  // A creation whose name never ends is cut to 127 characters; messages
  // from and to players nobody has go nowhere.
  const int s = raw();
  orv::PlayerRecord r;
  std::string record = orv::EncodePlayerRecord(r);
  for (size_t i = 8; i < record.size(); ++i) record[i] = 'x';
  const std::string wire = orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, record) +
                           orv::EncodeMessage(orv::kMsgGame, 4321, 999, "nobody") +
                           orv::EncodeMessage(orv::kMsgRemovePlayer, 0, static_cast<uint16_t>(ann), "");
  orv::Sockets().Send(s, wire.data(), wire.size());
  int named = 0;
  for (int i = 0; i < 50 && !named; ++i) {
    if (a->PlayerName(bob + 1) == std::string(127, 'x')) named = 1;
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(named);
  EXPECT_EQ(host.NextLeftPlayer(), 0) << "a peer cannot remove another's player";
  ASSERT_TRUE(b->SendMessage(bob, ann, "and on"));
  EXPECT_EQ(Await(*a, ann), "and on");
  orv::Sockets().Close(s);
  orv::Sockets().Shutdown();
}

}  // namespace

namespace {

TEST_F(SessionTest, StalledAndNonReadingClientsAreDroppedWithoutLossForOthers) {
  host.SetStallLimit(1000);  // long enough for a busy machine, short for a test
  auto a = Joined();
  auto b = Joined();
  const int ann = a->CreatePlayer("Ann");
  const int bob = b->CreatePlayer("Bob");
  ASSERT_TRUE(ann && bob);
  ASSERT_TRUE(orv::Sockets().Start());

  // Half a header, then silence.
  const int half = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
  orv::Sockets().Send(half, "\x03\x05", 2);

  // A client with a player that never reads what is relayed to it.
  const int deaf = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
  const int small = 2048;
  setsockopt(orv::Sockets().Descriptor(deaf), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  orv::PlayerRecord r;
  orv::SetPlayerName(r, "deaf", 4);
  const std::string create = orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, orv::EncodePlayerRecord(r));
  orv::Sockets().Send(deaf, create.data(), create.size());
  int deafId = 0;
  for (int i = 0; i < 500 && !deafId; ++i) {
    if (a->PlayerName(bob + 1) == "deaf") deafId = bob + 1;
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(deafId, bob + 1);

  // Broadcast until the deaf client's buffers are full and it is dropped;
  // Bob's game reads on a thread of its own, as another process would.
  Reader bobs(*b, bob);
  const std::string block(1000, 'm');
  int sent = 0, left = 0;
  for (; sent < 20000 && !left; ++sent) {
    ASSERT_TRUE(a->SendMessage(ann, 0, block)) << sent;
    left = host.NextLeftPlayer();
  }
  // Or, when all of it fitted its queue, once it has taken nothing for the stall limit.
  for (int i = 0; i < 30000 && !left; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    left = host.NextLeftPlayer();
  }
  EXPECT_EQ(left, deafId);
  // The host relays what queued up meanwhile; on a loaded machine that takes a while.
  // A game that falls far behind loses its oldest messages, counted.
  const auto dropped = [&] { return static_cast<int>(b->DroppedMessages(bob)); };
  EXPECT_TRUE(bobs.WaitFor([&] { return bobs.Count() + dropped() >= sent; }, 30))
      << "no message to the others is lost: " << bobs.Count() << " and " << dropped() << " dropped of " << sent;

  char c;
  long res = -2;
  for (int i = 0; i < 5000 && res == -2; ++i) {
    res = orv::Sockets().Recv(half, &c, 1);
    if (res == -2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(res, 0) << "the half-sent message's connection is closed";
  orv::Sockets().Close(half);
  orv::Sockets().Close(deaf);
  orv::Sockets().Shutdown();
}

}  // namespace

namespace {

// True when the host closed the raw socket s within about 5 s.
bool ClosedByHost(int s) {
  char c[256];
  for (int i = 0; i < 5000; ++i) {
    const long r = orv::Sockets().Recv(s, c, sizeof c);
    if (r == 0) return true;
    if (r < 0 && r != -2) return false;
    if (r == -2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(SessionTest, ACreationFloodIsDroppedAndItsPlayersLeave) {
  auto a = Joined();
  auto b = Joined();
  const int ann = a->CreatePlayer("Ann");
  const int bob = b->CreatePlayer("Bob");
  ASSERT_TRUE(ann && bob);
  ASSERT_TRUE(orv::Sockets().Start());

  const int flood = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
  ASSERT_GE(flood, 0);
  orv::PlayerRecord r;
  orv::SetPlayerName(r, "spam", 4);
  const std::string one = orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, orv::EncodePlayerRecord(r));
  std::string wire;
  for (int i = 0; i < 2000; ++i) wire += one;
  orv::Sockets().Send(flood, wire.data(), wire.size());
  EXPECT_TRUE(ClosedByHost(flood)) << "a peer creating players without end is dropped";
  orv::Sockets().Close(flood);

  // Every player the flood made leaves; the player ids stay usable.
  int left = 0;
  for (int i = 0; i < 5000 && left < static_cast<int>(NetSession::kMaxPlayersPerConnection); ++i) {
    if (host.NextLeftPlayer()) ++left;
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(left, static_cast<int>(NetSession::kMaxPlayersPerConnection));
  ASSERT_TRUE(a->SendMessage(ann, bob, "after the flood"));
  EXPECT_EQ(Await(*b, bob), "after the flood");
  const int late = b->CreatePlayer("Late");
  EXPECT_GT(late, bob) << "creations of honest clients still succeed";
  orv::Sockets().Shutdown();
}

TEST_F(SessionTest, ConnectionsBeyondTheLimitAreRefused) {
  host.SetIdleLimit(600000);  // silent on purpose, however slow the machine
  ASSERT_TRUE(orv::Sockets().Start());
  // Until the host holds n connections (up to 5 s).
  auto holds = [&](int n) {
    for (int i = 0; i < 5000 && host.ConnectionCount() != n; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return host.ConnectionCount() == n;
  };
  // The host's own connection to itself is one of them.
  ASSERT_TRUE(holds(1));
  std::vector<int> raw;
  for (int i = 1; i < NetSession::kMaxConnections; ++i) {
    const int s = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
    ASSERT_GE(s, 0) << i;
    raw.push_back(s);
    ASSERT_TRUE(holds(i + 1)) << i;
  }
  const int extra = orv::Sockets().TcpConnect("127.0.0.1", port, 2000);
  ASSERT_GE(extra, 0);
  EXPECT_TRUE(ClosedByHost(extra)) << "the connection over the limit is closed";
  orv::Sockets().Close(extra);
  EXPECT_EQ(host.ConnectionCount(), NetSession::kMaxConnections);

  // One leaves; a newcomer then gets its place and its requests answered.
  orv::Sockets().Close(raw.back());
  raw.pop_back();
  ASSERT_TRUE(holds(NetSession::kMaxConnections - 1));
  auto c = Joined();
  EXPECT_GT(c->CreatePlayer("Cy"), 0);
  for (int s : raw) orv::Sockets().Close(s);
  orv::Sockets().Shutdown();
}

}  // namespace

namespace {

// A host played by the test on raw sockets: it answers creations and the
// join, and can write several messages in one send.
class ScriptedHost {
 public:
  ScriptedHost() {
    EXPECT_TRUE(orv::Sockets().Start());
    port = orvtest::OwnPort(13, [&](int p) { return (listener = orv::Sockets().TcpListen(p)) >= 0; });
  }
  ~ScriptedHost() {
    if (client >= 0) orv::Sockets().Close(client);
    if (listener >= 0) orv::Sockets().Close(listener);
    orv::Sockets().Shutdown();
  }
  // The next message from the client, waited for up to 5 s.
  bool Next(orv::MessageHeader& h) {
    for (int i = 0; i < 5000; ++i) {
      if (client < 0) client = orv::Sockets().TcpAccept(listener, nullptr);
      if (client >= 0) {
        const int r = orv::ReceiveMessage(client, reader);
        if (r == 1) {
          h = reader.Header();
          reader.Next();
          return true;
        }
        if (r != -2) return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  void Send(const std::string& wire) { orv::Sockets().Send(client, wire.data(), wire.size()); }
  int port = 0;
  int listener = -1;
  int client = -1;
  orv::MessageReader reader;
};

TEST(SessionClient, AMessageRightBehindANewPlayersIdReachesThatPlayer) {
  ScriptedHost host;
  ASSERT_GE(host.listener, 0);
  NetSession client;
  std::thread answer([&] {
    orv::MessageHeader h;
    // The join: its query player, then the join request.
    if (!host.Next(h) || h.type != orv::kMsgCreatePlayer) return;
    host.Send(orv::EncodeMessage(orv::kMsgPlayerCreated, 102, 0, ""));
    if (!host.Next(h) || h.type != orv::kMsgJoin) return;
    host.Send(orv::EncodeMessage(orv::kMsgJoin, 102, 0, orv::EncodeU16(1)));
    // The player, with a broadcast to it in the same write as its id.
    if (!host.Next(h) || h.type != orv::kMsgCreatePlayer) return;
    host.Send(orv::EncodeMessage(orv::kMsgPlayerCreated, 103, 0, "") +
              orv::EncodeMessage(orv::kMsgGame, 103, 101, "welcome"));
  });
  ASSERT_TRUE(client.Join("127.0.0.1", host.port));
  const int ann = client.CreatePlayer("Ann");
  answer.join();
  EXPECT_EQ(ann, 103);
  EXPECT_EQ(Await(client, ann), "welcome");
  EXPECT_EQ(client.LastSender(), 101);
  client.Shutdown();
}

TEST(SessionClient, ARequestTakesOnlyTheReplyOfItsOwnType) {
  ScriptedHost host;
  ASSERT_GE(host.listener, 0);
  NetSession client;
  std::thread answer([&] {
    orv::MessageHeader h;
    if (!host.Next(h) || h.type != orv::kMsgCreatePlayer) return;
    host.Send(orv::EncodeMessage(orv::kMsgPlayerCreated, 102, 0, ""));
    if (!host.Next(h) || h.type != orv::kMsgJoin) return;
    host.Send(orv::EncodeMessage(orv::kMsgJoin, 102, 0, orv::EncodeU16(1)));
    // The count asked for comes after an answer to another question.
    if (!host.Next(h) || h.type != orv::kMsgPlayerCount) return;
    host.Send(orv::EncodeMessage(orv::kMsgPlayerIdByIndex, 102, 0, orv::EncodeU16(105)) +
              orv::EncodeMessage(orv::kMsgPlayerCount, 102, 0, orv::EncodeU16(3)));
  });
  ASSERT_TRUE(client.Join("127.0.0.1", host.port));
  EXPECT_EQ(client.PlayerCount(), 3);
  answer.join();
  client.Shutdown();
}

}  // namespace
