// Network: the session host against raw TCP, and HTTP fetches against curl.
//
// The session figures come from interleaved rounds: each round runs the
// baseline and the variant once, in alternating order, so a machine whose
// load changes during the run shifts both alike. Every benchmark reports the
// ratio variant / baseline per round as its median and range, for wall time
// and for the CPU time of the whole process (every thread: the network
// threads do the relaying).
//   roundtrip: a relayed message round trip (player A to the host to player
//     B, and B's answer back the same way, 32-byte text) against a raw TCP
//     ping-pong of the same bytes between two sockets of this process.
//   broadcast: 8 clients each broadcast a line per round; the variant has 3
//     of them replaced by peers that never read (they stay connected: the
//     stall limit is longer than the run). Reported beside the ratio of
//     round times: honest messages per second, and the longest round, an
//     upper bound of any honest line's delay.
//   burst: the host's game sends 20,000 messages of 1,000 bytes to two
//     reading clients in one loop, against the same bytes over raw TCP.
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
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/http_fetch.h"
#include "net/net_message.h"
#include "net/net_session.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kText(32, 't');
const size_t kWireSize = orv::kMessageHeaderSize + kText.size();

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Sample {
  double wall = 0, cpu = 0;  // seconds
};

Sample Measure(const std::function<void()>& run) {
  const auto w0 = Clock::now();
  const double c0 = ProcessCpuSeconds();
  run();
  return {std::chrono::duration<double>(Clock::now() - w0).count(), ProcessCpuSeconds() - c0};
}

struct Spread {
  double median = 0, low = 0, high = 0;
};

Spread Of(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

// Runs baseline and variant once per round, alternating which goes first,
// and reports their per-round ratios of time per operation (median and
// range, wall and CPU) and each side's median wall time per operation.
void Interleave(benchmark::State& state, const char* name, int rounds, int baseOps, int variantOps,
                const std::function<void()>& baseline, const std::function<void()>& variant) {
  std::vector<double> wall, cpu, baseWall, varWall;
  for (int r = 0; r < rounds; ++r) {
    Sample b, v;
    if (r % 2 == 0) {
      b = Measure(baseline);
      v = Measure(variant);
    } else {
      v = Measure(variant);
      b = Measure(baseline);
    }
    const double scale = static_cast<double>(baseOps) / variantOps;
    wall.push_back(v.wall / b.wall * scale);
    cpu.push_back(v.cpu / b.cpu * scale);
    baseWall.push_back(b.wall / baseOps * 1e6);
    varWall.push_back(v.wall / variantOps * 1e6);
  }
  const Spread w = Of(wall), c = Of(cpu), bw = Of(baseWall), vw = Of(varWall);
  state.counters["ratio_wall"] = w.median;
  state.counters["ratio_wall_min"] = w.low;
  state.counters["ratio_wall_max"] = w.high;
  state.counters["ratio_cpu"] = c.median;
  state.counters["ratio_cpu_min"] = c.low;
  state.counters["ratio_cpu_max"] = c.high;
  state.counters["baseline_us_per_op"] = bw.median;
  state.counters["variant_us_per_op"] = vw.median;
  std::printf("%s: %d interleaved rounds: variant/baseline wall %.2fx (%.2f-%.2f), cpu %.2fx (%.2f-%.2f); "
              "baseline %.1f us, variant %.1f us per operation (medians)\n",
              name, rounds, w.median, w.low, w.high, c.median, c.low, c.high, bw.median, vw.median);
}

bool ReadAll(int fd, char* buf, size_t n) {
  for (size_t got = 0; got < n;) {
    const ssize_t r = recv(fd, buf + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

// Two connected loopback sockets of this process.
struct RawPair {
  RawPair() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    listen(listener, 1);
    client = socket(AF_INET, SOCK_STREAM, 0);
    connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a);
    server = accept(listener, nullptr, nullptr);
    close(listener);
    const int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~RawPair() {
    close(client);
    close(server);
  }
  int client = -1, server = -1;
};

// A host on a port of this process's own.
bool HostSomewhere(orv::NetSession& host, int salt, int& port) {
  for (int i = 0; i < 50; ++i) {
    port = 30000 + (getpid() * 7 + salt * 131 + i * 977) % 20000;
    if (host.Host(port)) return true;
  }
  return false;
}

void RoundTrip(benchmark::State& state) {
  // Many short rounds: a load spike on a shared machine spoils one round, not the median.
  constexpr int kTrips = 500;
  RawPair raw;
  std::thread echo([&] {
    std::string buf(kWireSize, '\0');
    while (ReadAll(raw.server, buf.data(), buf.size())) send(raw.server, buf.data(), buf.size(), MSG_NOSIGNAL);
  });
  const std::string wire = orv::EncodeMessage(orv::kMsgGame, 102, 101, kText);

  orv::NetSession host, a, b;
  int port = 0;
  if (!HostSomewhere(host, 1, port)) return state.SkipWithError("cannot host");
  if (!a.Join("127.0.0.1", port) || !b.Join("127.0.0.1", port)) return state.SkipWithError("cannot join");
  const int ann = a.CreatePlayer("Ann"), bob = b.CreatePlayer("Bob");
  // Both games look for messages in a loop, as a game does every frame;
  // Bob's game answers while the relayed side runs and sleeps otherwise, so
  // its looking is not charged to the baseline.
  std::mutex m;
  std::condition_variable cv;
  bool active = false, stop = false;
  std::thread answer([&] {
    for (;;) {
      {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return active || stop; });
        if (stop) return;
      }
      const std::string got = b.GetMessage(bob);
      if (got.empty()) std::this_thread::yield();
      else b.SendMessage(bob, ann, got);
    }
  });
  auto setActive = [&](bool on) {
    std::lock_guard<std::mutex> l(m);
    active = on;
    cv.notify_all();
  };

  auto rawTrips = [&] {
    std::string back(kWireSize, '\0');
    for (int i = 0; i < kTrips; ++i) {
      send(raw.client, wire.data(), wire.size(), MSG_NOSIGNAL);
      ReadAll(raw.client, back.data(), back.size());
    }
  };
  auto relayedTrips = [&] {
    setActive(true);
    for (int i = 0; i < kTrips; ++i) {
      a.SendMessage(ann, bob, kText);
      while (a.GetMessage(ann).empty()) std::this_thread::yield();
    }
    setActive(false);
  };
  for (auto _ : state) {
    rawTrips();  // warm-up
    relayedTrips();
    Interleave(state, "roundtrip relayed / raw TCP", 21, kTrips, kTrips, rawTrips, relayedTrips);
  }
  {
    std::lock_guard<std::mutex> l(m);
    stop = true;
    cv.notify_all();
  }
  answer.join();
  shutdown(raw.client, SHUT_RDWR);
  echo.join();
}

BENCHMARK(RoundTrip)->Name("roundtrip_interleaved")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A peer that creates a player and never reads again.
int DeafPeer(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  const int small = 4096;
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  orv::PlayerRecord r;
  orv::SetPlayerName(r, "deaf", 4);
  const std::string create = orv::EncodeMessage(orv::kMsgCreatePlayer, 0, 0, orv::EncodePlayerRecord(r));
  send(s, create.data(), create.size(), MSG_NOSIGNAL);
  return s;
}

// 8 clients, `deaf` of them peers that never read; every honest one
// broadcasts one line per round and a round ends when every honest copy has
// arrived. Counts honest deliveries and the longest round.
struct BroadcastGame {
  static constexpr int kClients = 8;
  explicit BroadcastGame(int deaf, int salt) : honest(kClients - deaf) {
    host.SetStallLimit(3600 * 1000);  // the peers that never read stay for the whole run
    if (!HostSomewhere(host, salt, port)) return;
    for (int i = 0; i < honest; ++i) {
      clients.push_back(std::make_unique<orv::NetSession>());
      if (!clients.back()->Join("127.0.0.1", port)) return;
      ids.push_back(clients.back()->CreatePlayer("p" + std::to_string(i)));
    }
    for (int i = 0; i < deaf; ++i) deafSockets.push_back(DeafPeer(port));
    while (host.PlayerCount() < kClients) std::this_thread::yield();
    ok = true;
  }
  ~BroadcastGame() {
    for (int s : deafSockets) close(s);
  }
  void Rounds(int n) {
    for (int round = 0; round < n; ++round) {
      const auto start = Clock::now();
      for (int i = 0; i < honest; ++i) clients[static_cast<size_t>(i)]->SendMessage(ids[static_cast<size_t>(i)], 0, kText);
      for (int i = 0; i < honest; ++i) {
        for (int got = 0; got < honest - 1;) {
          if (clients[static_cast<size_t>(i)]->GetMessage(ids[static_cast<size_t>(i)]).empty()) std::this_thread::yield();
          else ++got;
        }
      }
      worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      delivered += honest * (honest - 1);
    }
  }
  orv::NetSession host;
  int port = 0, honest = 0;
  bool ok = false;
  std::vector<std::unique_ptr<orv::NetSession>> clients;
  std::vector<int> ids, deafSockets;
  double worstMs = 0;
  long delivered = 0;
};

void Broadcast(benchmark::State& state) {
  constexpr int kRoundsPerSample = 300;
  BroadcastGame all(0, 2), some(3, 3);
  if (!all.ok || !some.ok) return state.SkipWithError("cannot set up the games");
  double allWall = 0, someWall = 0;
  for (auto _ : state) {
    all.Rounds(20);  // warm-up
    some.Rounds(20);
    all.worstMs = some.worstMs = 0;
    all.delivered = some.delivered = 0;
    // Per round: every honest client broadcasts once and every honest copy arrives.
    Interleave(
        state, "broadcast: 5 honest + 3 never reading / 8 honest, per round", 9, kRoundsPerSample, kRoundsPerSample,
        [&] {
          const auto t = Clock::now();
          all.Rounds(kRoundsPerSample);
          allWall += std::chrono::duration<double>(Clock::now() - t).count();
        },
        [&] {
          const auto t = Clock::now();
          some.Rounds(kRoundsPerSample);
          someWall += std::chrono::duration<double>(Clock::now() - t).count();
        });
  }
  state.counters["honest_msgs_per_s_8_honest"] = static_cast<double>(all.delivered) / allWall;
  state.counters["honest_msgs_per_s_3_deaf"] = static_cast<double>(some.delivered) / someWall;
  state.counters["worst_honest_delay_ms_8_honest"] = all.worstMs;
  state.counters["worst_honest_delay_ms_3_deaf"] = some.worstMs;
  std::printf("broadcast: %.0f honest messages/s with 3 never reading (%.0f with 8 honest); worst honest delay "
              "%.2f ms (%.2f ms)\n",
              static_cast<double>(some.delivered) / someWall, static_cast<double>(all.delivered) / allWall,
              some.worstMs, all.worstMs);
}

BENCHMARK(Broadcast)->Name("broadcast_interleaved")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The host's own game sends a burst of kBurst messages of 1,000 bytes,
// alternately to two clients whose games read everything.
void Burst(benchmark::State& state) {
  constexpr int kBurst = 20000;
  const std::string block(1000, 'b');
  RawPair raw;
  std::atomic<long> rawGot{0};
  std::thread reader([&] {
    std::vector<char> buf(1 << 16);
    for (;;) {
      const ssize_t r = recv(raw.server, buf.data(), buf.size(), 0);
      if (r <= 0) return;
      rawGot += r;
    }
  });
  const std::string rawWire = orv::EncodeMessage(orv::kMsgGame, 102, 101, block);

  orv::NetSession host, a, b;
  int port = 0;
  if (!HostSomewhere(host, 4, port)) return state.SkipWithError("cannot host");
  if (!a.Join("127.0.0.1", port) || !b.Join("127.0.0.1", port)) return state.SkipWithError("cannot join");
  const int hal = host.CreatePlayer("Hal"), ann = a.CreatePlayer("Ann"), bob = b.CreatePlayer("Bob");
  std::atomic<long> got{0};
  std::atomic<bool> stop{false};
  auto drain = [&](orv::NetSession& s, int id) {
    while (!stop) {
      if (s.GetMessage(id).empty()) std::this_thread::sleep_for(std::chrono::microseconds(100));
      else ++got;
    }
  };
  std::thread r1([&] { drain(a, ann); });
  std::thread r2([&] { drain(b, bob); });
  long lost = 0;

  auto rawBurst = [&] {
    const long until = rawGot + static_cast<long>(kBurst * rawWire.size());
    for (int i = 0; i < kBurst; ++i) send(raw.client, rawWire.data(), rawWire.size(), MSG_NOSIGNAL);
    while (rawGot < until) std::this_thread::yield();
  };
  auto hostBurst = [&] {
    const long before = got + static_cast<long>(a.DroppedMessages(ann) + b.DroppedMessages(bob));
    for (int i = 0; i < kBurst; ++i) {
      if (!host.SendMessage(hal, i % 2 ? bob : ann, block)) ++lost;
    }
    while (got + static_cast<long>(a.DroppedMessages(ann) + b.DroppedMessages(bob)) < before + kBurst - lost) {
      std::this_thread::yield();
    }
  };
  for (auto _ : state) Interleave(state, "burst: host's game to 2 clients / raw TCP", 9, kBurst, kBurst, rawBurst, hostBurst);
  state.counters["dropped_by_readers"] = static_cast<double>(a.DroppedMessages(ann) + b.DroppedMessages(bob));
  state.counters["refused_sends"] = static_cast<double>(lost);
  stop = true;
  r1.join();
  r2.join();
  shutdown(raw.client, SHUT_RDWR);
  reader.join();
}

BENCHMARK(Burst)->Name("burst_interleaved")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

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
