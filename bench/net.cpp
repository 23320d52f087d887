// Network: HTTP fetches against curl; the round trip of a relayed session message (player A to the host
// to player B, and B's answer back the same way) against a raw TCP
// ping-pong of the same bytes between two sockets of this process.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "net/http_fetch.h"
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

namespace {

// Fetching a 50 MB file from python's http.server into a file: curl as the
// baseline, WebGetToFile as the variant, both against the same server.
struct WebServer {
  WebServer() {
    dir = "/tmp/orvane-bench-web-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::string big(50u << 20, 'w');
    FILE* f = std::fopen((dir + "/big.bin").c_str(), "wb");
    if (f) {
      std::fwrite(big.data(), 1, big.size(), f);
      std::fclose(f);
    }
    port = 30000 + (getpid() + 104729) % 20000;
    const std::string portText = std::to_string(port);
    const char* argv[] = {"/usr/bin/python3", "-m", "http.server", portText.c_str(), "--bind", "127.0.0.1",
                          "--directory", dir.c_str(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn(&pid, argv[0], &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    for (int i = 0; i < 100; ++i) {
      if (!orv::WebGetText("127.0.0.1", "/", port, 1, 1000).empty()) break;
      usleep(50000);
    }
  }
  ~WebServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    std::remove((dir + "/big.bin").c_str());
    std::remove((dir + "/got.bin").c_str());
    rmdir(dir.c_str());
  }
  std::string dir;
  int port = 0;
  pid_t pid = -1;
};

WebServer& Web() {
  static WebServer server;
  return server;
}

void CurlFetch(benchmark::State& state) {
  WebServer& w = Web();
  const std::string url = "http://127.0.0.1:" + std::to_string(w.port) + "/big.bin";
  const std::string out = w.dir + "/got.bin";
  const char* argv[] = {"/usr/bin/curl", "-s", "-o", out.c_str(), url.c_str(), nullptr};
  for (auto _ : state) {
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      return state.SkipWithError("no curl");
    }
    waitpid(pid, nullptr, 0);
  }
  state.SetBytesProcessed(state.iterations() * (50 << 20));
}

void WebGetToFileFetch(benchmark::State& state) {
  WebServer& w = Web();
  const std::string out = w.dir + "/got.bin";
  for (auto _ : state) {
    if (!orv::WebGetToFile("127.0.0.1", "/big.bin", w.port, out, 10000)) return state.SkipWithError("fetch failed");
  }
  state.SetBytesProcessed(state.iterations() * (50 << 20));
}

BENCHMARK(CurlFetch)->Name("fetch50mb/baseline")->UseRealTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(WebGetToFileFetch)->Name("fetch50mb/WebGetToFile")->UseRealTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
