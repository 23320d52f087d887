// Durable saves: what writing a 100 KB save through a replacement flushed to
// the disk (and keeping a backup) costs against a plain write of the same
// bytes, and ten thousand SIGKILLs of a game saving a channel file, an INI
// file and a line file on the disk.
//
// The cost is measured in interleaved rounds: every round saves with each
// variant in a new random order, so a disk that slows down or a neighbour
// that takes the CPU for a while weighs on all variants alike. Printed per
// variant: the median of the per-round ratios to the plain write, their
// spread (lowest and highest round), for wall time and for the CPU time of
// the whole process (all threads).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/atomic_write.h"
#include "orvane/files.h"
#include "tests/files/save_torture.h"

namespace {

constexpr size_t kSaveBytes = 100 * 1024;
constexpr int kRounds = 15;
constexpr int kSavesPerRound = 20;

// A folder on the disk the temporary folder is on, removed afterwards.
struct Folder {
  std::string path;
  Folder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane-bench-saves-XXXXXX";
    path = mkdtemp(templ.data()) ? templ : "";
  }
  ~Folder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The plain write makes a new file, as file channels did before they were
// durable (removed, then created). Writing over the old file, truncated,
// is no plain write on ext4: it flushes the data at close by itself.
bool PlainWrite(const std::string& path, const std::string& bytes, bool flush, bool truncate = false) {
  if (!truncate) ::unlink(path.c_str());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = orv::WriteFully(fd, bytes.data(), bytes.size()) == bytes.size() && (!flush || fsync(fd) == 0);
  return ::close(fd) == 0 && ok;
}

struct Variant {
  const char* name;
  std::function<bool(const std::string& path, const std::string& bytes)> save;
  std::vector<double> wall, cpu;  // per round
};

std::string Spread(std::vector<double> ratios) {
  std::sort(ratios.begin(), ratios.end());
  char text[96];
  std::snprintf(text, sizeof text, "%8.2fx  (%.2f .. %.2f)", ratios[ratios.size() / 2], ratios.front(), ratios.back());
  return text;
}

void SaveCost(benchmark::State& state) {
  Folder folder;
  if (folder.path.empty()) {
    state.SkipWithError("no folder");
    return;
  }
  const std::string bytes = savetorture::Payload(7, kSaveBytes);
  std::vector<Variant> variants = {
      {"plain write", [](const std::string& p, const std::string& b) { return PlainWrite(p, b, false); }, {}, {}},
      {"plain write + fsync", [](const std::string& p, const std::string& b) { return PlainWrite(p, b, true); }, {}, {}},
      {"write over, truncated", [](const std::string& p, const std::string& b) {
         return PlainWrite(p, b, false, true);
       }, {}, {}},
      {"replacement", [](const std::string& p, const std::string& b) {
         return orv::ReplaceFileContents(p.c_str(), b.data(), b.size(), false);
       }, {}, {}},
      {"replacement + backup", [](const std::string& p, const std::string& b) {
         return orv::ReplaceFileContents(p.c_str(), b.data(), b.size(), true);
       }, {}, {}},
      {"game channel", [](const std::string& p, const std::string& b) {
         if (!OpenFileChannel(0, p.c_str(), 0)) return false;
         FileWriteText(0, RtString(b.data(), static_cast<int32_t>(b.size())));
         CloseFileChannel(0);
         return ErrorCode() == 0;
       }, {}, {}},
  };
  std::mt19937 random(12345);
  std::vector<size_t> order(variants.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      std::shuffle(order.begin(), order.end(), random);
      for (size_t i : order) {
        Variant& v = variants[i];
        const std::string path = folder.path + "/save" + std::to_string(i) + ".dat";
        const auto wall0 = std::chrono::steady_clock::now();
        const double cpu0 = ProcessCpuSeconds();
        for (int n = 0; n < kSavesPerRound; ++n)
          if (!v.save(path, bytes)) state.SkipWithError(v.name);
        v.cpu.push_back(ProcessCpuSeconds() - cpu0);
        v.wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count());
      }
    }
  }
  std::printf("\n100 KB save, %d rounds of %d saves per variant, interleaved; ratio to the plain write\n", kRounds,
              kSavesPerRound);
  std::printf("  %-22s %12s   %-36s %s\n", "variant", "ms per save", "wall: median (lowest .. highest)", "cpu, all threads");
  const Variant& base = variants[0];
  for (const Variant& v : variants) {
    std::vector<double> wall, cpu, ms = v.wall;
    for (size_t r = 0; r < v.wall.size(); ++r) {
      wall.push_back(v.wall[r] / base.wall[r]);
      cpu.push_back(base.cpu[r] > 0 ? v.cpu[r] / base.cpu[r] : 0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-22s %12.3f   %-36s %s\n", v.name, ms[ms.size() / 2] * 1000 / kSavesPerRound, Spread(wall).c_str(),
                Spread(cpu).c_str());
    std::sort(wall.begin(), wall.end());
    state.counters[v.name] = wall[wall.size() / 2];
  }
}
BENCHMARK(SaveCost)->Name("save_100KB_interleaved")->Iterations(1)->Unit(benchmark::kMillisecond);

// Ten thousand kills on the disk (ORVANE_SAVE_KILLS changes the count).
void KillTorture(benchmark::State& state) {
  Folder folder;
  const char* count = std::getenv("ORVANE_SAVE_KILLS");
  const int kills = count && std::atoi(count) > 0 ? std::atoi(count) : 10000;
  savetorture::Saves saves;
  saves.folder = folder.path;
  saves.maxBytes = kSaveBytes;
  saves.seed = std::random_device{}();
  std::mt19937_64 random(saves.seed);
  savetorture::Result result;
  for (auto _ : state) result = savetorture::Torture(saves, kills, random);
  if (!result.problem.empty()) state.SkipWithError(result.problem.c_str());
  state.counters["kills"] = result.kills;
  state.counters["saves_seen"] = static_cast<double>(result.savesSeen);
  state.counters["left_temp_files"] = result.strayFiles;
  state.counters["ms_per_round_of_3_saves"] = result.cycleSeconds * 1000;
  std::printf("\n%d kills on %s in %.1f s: %s; %lld whole saves seen, %d temporary files left by a kill, %.2f ms per "
              "round of three saves\n",
              result.kills, folder.path.c_str(), result.seconds, result.problem.empty() ? "every file whole" : result.problem.c_str(),
              static_cast<long long>(result.savesSeen), result.strayFiles, result.cycleSeconds * 1000);
}
BENCHMARK(KillTorture)->Name("save_kill_torture")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
