// Saves under SIGKILL: a child process saves in a loop and is killed at a
// random moment; what it leaves on disk must be a whole version of every
// file, the old or the new one, never a mixture, a cut or an empty file.
// Shared by the files tests (a few thousand kills) and the saves benchmark
// (ten thousand).
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "files/files_lifecycle.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"

namespace savetorture {

using Clock = std::chrono::steady_clock;

// What one kill round saw: the bytes the child reported before it died.
struct Round {
  std::string reported;
  bool killed = false;  // the child died of the SIGKILL, not of something else
};

// Forks a child that runs `work(report)`, which must loop forever calling
// report(byte) as it goes. The child is killed with SIGKILL at a random
// moment within about one cycle of its work (`cycle`, in seconds: the time
// from its start to the first byte `cycleEnd` it reports), so kills land
// all over the cycle. A `calibrate` round (and the first) waits for that
// byte to learn the cycle and kills at a random moment of the next one:
// learning it from the rounds that happen to get that far would favour the
// fast ones and shrink the cycle round by round. The child stamps every
// report with its own clock, so a parent that runs late does not shorten
// the cycle. No fixed waits: the parent waits for the child's reports or for
// the random deadline, whichever comes first.
template <class Work>
Round RunAndKill(Work work, char cycleEnd, std::mt19937_64& random, double& cycle, bool calibrate) {
  struct Report {
    char byte;
    int64_t ns;  // the child's steady clock when it reported
  };
  auto now = [] { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); };
  Round round;
  int fds[2];
  if (pipe(fds) != 0) return round;
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return round;
  }
  if (pid == 0) {
    close(fds[0]);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(3);
    auto report = [fd = fds[1], &now](char c) {
      const Report r{c, now()};
      if (write(fd, &r, sizeof r) != sizeof r) _exit(4);
    };
    report('r');
    work(report);
    _exit(5);  // not reached: the work never ends by itself
  }
  close(fds[1]);
  int64_t started = -1, cycleEnded = -1;
  std::string partial;
  auto readSome = [&](int64_t timeoutNs) {
    pollfd p{fds[0], POLLIN, 0};
    timespec t{static_cast<time_t>(timeoutNs / 1000000000), static_cast<long>(timeoutNs % 1000000000)};
    if (ppoll(&p, 1, timeoutNs < 0 ? nullptr : &t, nullptr) <= 0) return false;
    char buf[4096];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) return false;
    partial.append(buf, static_cast<size_t>(n));
    size_t used = 0;
    for (; partial.size() - used >= sizeof(Report); used += sizeof(Report)) {
      Report r;
      std::memcpy(&r, partial.data() + used, sizeof r);
      if (r.byte == 'r' && started < 0) {
        started = r.ns;
      } else {
        round.reported += r.byte;
        if (r.byte == cycleEnd && cycleEnded < 0) cycleEnded = r.ns;
      }
    }
    partial.erase(0, used);
    return true;
  };
  // The child is running once it says so.
  while (started < 0)
    if (!readSome(-1)) break;
  std::uniform_real_distribution<double> share(0.0, 1.15);
  int64_t deadline = cycle > 0 && !calibrate ? started + static_cast<int64_t>(share(random) * cycle * 1e9) : -1;
  while (started >= 0) {
    if (deadline < 0 && cycleEnded >= 0) {
      const double seen = static_cast<double>(cycleEnded - started) / 1e9;
      cycle = cycle > 0 ? 0.7 * cycle + 0.3 * seen : seen;
      deadline = cycleEnded + static_cast<int64_t>(share(random) * cycle * 1e9);
    }
    if (deadline >= 0 && now() >= deadline) break;
    const int64_t left = deadline < 0 ? 1000000000 : deadline - now();
    if (left > 0 && !readSome(std::min<int64_t>(left, 1000000000))) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {  // died by itself
        close(fds[0]);
        return round;
      }
    }
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  round.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  while (readSome(0)) {
  }
  close(fds[0]);
  return round;
}

// ---- Three saves: a file channel, an INI file and a line file ---------------------

enum Kind { kChannel, kIni, kLines, kKinds };
constexpr char kReportOf[kKinds] = {'c', 'i', 'l'};

inline uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Letters and digits only, so an INI value and a line keep every byte.
inline std::string Payload(uint64_t seed, size_t size) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(size, 'x');
  uint64_t x = seed;
  for (size_t i = 0; i < size; ++i) {
    if (i % 8 == 0) x = Mix(x);
    s[i] = kChars[(x >> (8 * (i % 8))) % 62];
  }
  return s;
}

struct Saves {
  std::string folder;
  size_t maxBytes = 65536;  // the largest save of random size
  uint64_t seed = 1;

  std::string Path(Kind kind) const {
    static const char* const kNames[kKinds] = {"/save.bin", "/save.ini", "/save.txt"};
    return folder + kNames[kind];
  }
  size_t SizeOf(Kind kind, uint64_t version) const {
    return 1 + Mix(seed * 31 + static_cast<uint64_t>(kind) * 7 + version * 1000003) % maxBytes;
  }
  // The exact bytes of a version of a file.
  std::string Content(Kind kind, uint64_t version) const {
    const std::string v = std::to_string(version);
    const std::string data = Payload(Mix(seed + version * 3 + static_cast<uint64_t>(kind)), SizeOf(kind, version));
    if (kind == kChannel) return "v=" + v + "\n" + data;
    if (kind == kIni) return "[save]\r\nversion=" + v + "\r\ndata=" + data + "\r\n";
    // 256 lines of random length, together about the size of the save.
    std::string text;
    size_t at = 0;
    for (int i = 0; i < 256; ++i) {
      size_t length = std::min<size_t>(Mix(version * 256 + static_cast<uint64_t>(i)) % (2 * data.size() / 256 + 1), 1000);
      std::string line = v + ":" + std::to_string(i) + ":" + data.substr(std::min(at, data.size()), length);
      at += length;
      text += line + "\r\n";
    }
    return text;
  }
  // Writes a version the way a game does.
  void Save(Kind kind, uint64_t version) const {
    const std::string text = Content(kind, version);
    if (kind == kChannel) {
      if (!OpenFileChannel(0, Path(kind).c_str(), 0)) _exit(6);
      for (size_t at = 0; at < text.size(); at += 4096)
        FileWriteText(0, RtString(text.data() + at, static_cast<int32_t>(std::min<size_t>(4096, text.size() - at))));
      CloseFileChannel(0);
    } else if (kind == kIni) {
      IniOpen(Path(kind).c_str());
      IniPut("save", "version", std::to_string(version).c_str());
      IniPut("save", "data", text.substr(text.find("data=") + 5, text.size() - text.find("data=") - 7).c_str());
      IniOpen("");
    } else {
      size_t at = 0;
      for (int i = 0; i < 256; ++i) {
        size_t end = text.find("\r\n", at);
        WriteFileLine(Path(kind).c_str(), i, text.substr(at, end - at).c_str());
        at = end + 2;
      }
      orv::FlushLineFile();
    }
  }
  // The version a file holds, when it is whole: 0 for a missing file, -1
  // for anything that is not exactly one version's bytes.
  int64_t VersionIn(Kind kind, const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    if (!in) return access(path.c_str(), F_OK) == 0 ? -1 : 0;
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    const std::string prefix = kind == kChannel ? "v=" : kind == kIni ? "[save]\r\nversion=" : "";
    if (text.compare(0, prefix.size(), prefix) != 0) return -1;
    uint64_t version = std::strtoull(text.c_str() + prefix.size(), nullptr, 10);
    if (version == 0 || text != Expected(kind, version)) return -1;
    return static_cast<int64_t>(version);
  }

 private:
  // Content, kept for the few versions a round compares against.
  const std::string& Expected(Kind kind, uint64_t version) const {
    const uint64_t key = version * kKinds + static_cast<uint64_t>(kind);
    auto found = expected_.find(key);
    if (found != expected_.end()) return found->second;
    if (expected_.size() > 32) expected_.clear();
    return expected_.emplace(key, Content(kind, version)).first->second;
  }
  mutable std::map<uint64_t, std::string> expected_;
};

struct Result {
  int kills = 0;             // rounds that ended by the SIGKILL
  int64_t savesSeen = 0;     // saves the children finished before they were killed
  int strayFiles = 0;        // temporary files a kill left (named, not yet renamed)
  double seconds = 0;
  double cycleSeconds = 0;   // one round of the three saves, as last measured
  std::string problem;       // the first damaged file, "" when there was none
};

// `kills` rounds of saving the three files and killing the saver. After
// each kill every file must hold the version it held before, one of those
// the child reported as saved, or the one it was saving; its backup (when
// there is one) a whole version just before or equal to it.
inline Result Torture(const Saves& saves, int kills, std::mt19937_64& random) {
  Result result;
  const Clock::time_point start = Clock::now();
  // Whatever this process still holds goes to disk now, not in a child.
  IniOpen("");
  orv::FlushFileStores();
  int64_t held[kKinds] = {0, 0, 0};
  double cycle = 0;
  for (int round = 0; round < kills && result.problem.empty(); ++round) {
    const Round r = RunAndKill(
        [&](auto report) {
          for (uint64_t k = 1;; ++k)
            for (int kind = 0; kind < kKinds; ++kind) {
              saves.Save(static_cast<Kind>(kind), static_cast<uint64_t>(held[kind]) + k);
              report(kReportOf[kind]);
            }
        },
        kReportOf[kLines], random, cycle, round % 8 == 0);
    if (!r.killed) {
      result.problem = "round " + std::to_string(round) + ": the saver died by itself";
      break;
    }
    ++result.kills;
    for (int kind = 0; kind < kKinds && result.problem.empty(); ++kind) {
      const int64_t done = std::count(r.reported.begin(), r.reported.end(), kReportOf[kind]);
      result.savesSeen += done;
      const std::string path = saves.Path(static_cast<Kind>(kind));
      const int64_t now = saves.VersionIn(static_cast<Kind>(kind), path);
      // Saved `done` times for sure, maybe once more just before the kill.
      if (now != held[kind] + done && now != held[kind] + done + 1) {
        result.problem = "round " + std::to_string(round) + ": " + path + " holds " +
                         (now < 0 ? "damaged bytes" : "version " + std::to_string(now)) + " after version " +
                         std::to_string(held[kind]) + " and " + std::to_string(done) + " saves";
        break;
      }
      const int64_t backup = saves.VersionIn(static_cast<Kind>(kind), path + ".bak");
      if (backup != 0 && backup != now && backup != now - 1) {
        result.problem = "round " + std::to_string(round) + ": " + path + ".bak holds " +
                         (backup < 0 ? "damaged bytes" : "version " + std::to_string(backup)) + " beside version " +
                         std::to_string(now);
        break;
      }
      held[kind] = now;
    }
    // A kill between naming the new version and renaming it leaves that name.
    if (DIR* d = opendir(saves.folder.c_str())) {
      while (dirent* e = readdir(d))
        if (std::string(e->d_name).find(".tmp") != std::string::npos) {
          ++result.strayFiles;
          unlink((saves.folder + "/" + e->d_name).c_str());
        }
      closedir(d);
    }
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.cycleSeconds = cycle;
  return result;
}

}  // namespace savetorture
