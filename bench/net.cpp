// Network: the round trip of a relayed session message (player A to the host
// to player B, and B's answer back the same way) against a raw TCP
// ping-pong of the same bytes between two sockets of this process.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "net/net_message.h"
#include "net/net_session.h"

namespace {

const std::string kText(32, 't');
const size_t kWireSize = orv::kMessageHeaderSize + kText.size();

bool ReadAll(int fd, char* buf, size_t n) {
  for (size_t got = 0; got < n;) {
    const ssize_t r = recv(fd, buf + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

void RawPingPong(benchmark::State& state) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  listen(listener, 1);
  const int client = socket(AF_INET, SOCK_STREAM, 0);
  connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a);
  const int server = accept(listener, nullptr, nullptr);
  const int one = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::thread echo([&] {
    std::string buf(kWireSize, '\0');
    while (ReadAll(server, buf.data(), buf.size())) send(server, buf.data(), buf.size(), MSG_NOSIGNAL);
  });
  const std::string wire = orv::EncodeMessage(orv::kMsgGame, 102, 101, kText);
  std::string back(kWireSize, '\0');
  for (auto _ : state) {
    send(client, wire.data(), wire.size(), MSG_NOSIGNAL);
    if (!ReadAll(client, back.data(), back.size())) state.SkipWithError("echo ended");
  }
  shutdown(client, SHUT_RDWR);
  echo.join();
  close(client);
  close(server);
  close(listener);
}

void RelayedRoundTrip(benchmark::State& state) {
  orv::NetSession host;
  const int port = 30000 + getpid() % 20000;
  if (!host.Host(port)) return state.SkipWithError("cannot host");
  orv::NetSession a, b;
  if (!a.Join("127.0.0.1", port) || !b.Join("127.0.0.1", port)) return state.SkipWithError("cannot join");
  const int ann = a.CreatePlayer("Ann"), bob = b.CreatePlayer("Bob");
  std::atomic<bool> stop{false};
  std::thread answer([&] {
    while (!stop) {
      const std::string m = b.GetMessage(bob);
      if (m.empty()) std::this_thread::yield();
      else b.SendMessage(bob, ann, m);
    }
  });
  for (auto _ : state) {
    a.SendMessage(ann, bob, kText);
    while (a.GetMessage(ann).empty()) std::this_thread::yield();
  }
  stop = true;
  answer.join();
}

BENCHMARK(RawPingPong)->Name("roundtrip/baseline")->UseRealTime();
BENCHMARK(RelayedRoundTrip)->Name("roundtrip/relayed")->UseRealTime();

}  // namespace

namespace {

// Messages per second through the host: 8 joined players each broadcast one
// line per round, and the round ends when every copy (8 x 7) has arrived.
void Broadcast8(benchmark::State& state) {
  constexpr int kClients = 8;
  orv::NetSession host;
  const int port = 30000 + (getpid() + 7919) % 20000;
  if (!host.Host(port)) return state.SkipWithError("cannot host");
  std::unique_ptr<orv::NetSession> clients[kClients];
  int ids[kClients];
  for (int i = 0; i < kClients; ++i) {
    clients[i] = std::make_unique<orv::NetSession>();
    if (!clients[i]->Join("127.0.0.1", port)) return state.SkipWithError("cannot join");
    ids[i] = clients[i]->CreatePlayer("p" + std::to_string(i));
  }
  while (host.PlayerCount() < kClients) std::this_thread::yield();
  for (auto _ : state) {
    for (int i = 0; i < kClients; ++i) clients[i]->SendMessage(ids[i], 0, kText);
    for (int i = 0; i < kClients; ++i) {
      for (int got = 0; got < kClients - 1;) {
        if (clients[i]->GetMessage(ids[i]).empty()) std::this_thread::yield();
        else ++got;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kClients * (kClients - 1));
}

BENCHMARK(Broadcast8)->Name("broadcast_8_clients")->UseRealTime();

}  // namespace
