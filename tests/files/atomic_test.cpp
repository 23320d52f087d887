// Settings and line files survive a kill at any moment: the file holds
// either the old or the new content, never a mixture or nothing; and their
// new content is on the disk before it takes the old one's name.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "files/atomic_write.h"
#include "files/ini_file.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"
#include "support/test_support.h"

// The file system calls the writer makes, seen where it makes them: this
// program's own fsync, fdatasync and rename stand in front of the C
// library's, note each call while `g_noting` is set, and pass it on.
bool g_noting = false;
std::vector<std::string> g_calls;

std::string BareName(std::string path) { return path.substr(path.rfind('/') + 1); }

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void NoteSync(int fd) {
  if (!g_noting) return;
  char path[4096];
  ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
  g_calls.push_back("sync " + BareName(std::string(path, n > 0 ? static_cast<size_t>(n) : 0)));
}

extern "C" int fsync(int fd) {
  NoteSync(fd);
  return Next<int (*)(int)>("fsync")(fd);
}
extern "C" int fdatasync(int fd) {
  NoteSync(fd);
  return Next<int (*)(int)>("fdatasync")(fd);
}
extern "C" int rename(const char* from, const char* to) noexcept {
  if (g_noting) g_calls.push_back("rename " + BareName(from) + " " + BareName(to));
  return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

namespace {

using orvtest::ReadFile;

TEST(Durability, SettingsAndLineFilesReachTheDiskBeforeTheyReplaceTheOldFile) {
  orvtest::WriteFile("durable.ini", "[s]\r\nk=old\r\n");
  orvtest::WriteFile("durable.txt", "old\r\n");
  g_calls.clear();
  g_noting = true;
  IniOpen("durable.ini");
  IniPut("s", "k", "new");
  IniOpen("");
  WriteFileLine("durable.txt", 0, "new");
  orv::FlushLineFile();
  g_noting = false;
  for (const std::string target : {"durable.ini", "durable.txt"}) {
    // The one rename onto the file, from a file synced before it.
    std::vector<size_t> renames;
    for (size_t i = 0; i < g_calls.size(); ++i)
      if (g_calls[i].rfind("rename ", 0) == 0 && g_calls[i].ends_with(" " + target)) renames.push_back(i);
    ASSERT_EQ(renames.size(), 1u) << target << testing::PrintToString(g_calls);
    const std::string& rename = g_calls[renames[0]];
    const std::string temp = rename.substr(7, rename.size() - 7 - target.size() - 1);
    const auto synced = std::find(g_calls.begin(), g_calls.end(), "sync " + temp);
    EXPECT_LT(synced - g_calls.begin(), static_cast<ptrdiff_t>(renames[0])) << testing::PrintToString(g_calls);
  }
  EXPECT_EQ(ReadFile("durable.ini"), "[s]\r\nk=new\r\n");
  EXPECT_EQ(ReadFile("durable.txt"), "new\r\n");
}

// Runs `work` forever in a child, kills it after a growing delay, and checks
// the file after each kill with `valid`.
template <class Work, class Check>
void KillRepeatedly(Work work, Check valid) {
  for (int round = 0; round < 12; ++round) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) work();
    }
    std::this_thread::sleep_for(std::chrono::microseconds(300 + round * 700));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    valid();
  }
}

TEST(KillSafety, IniSavesLeaveTheOldOrTheNewFile) {
  // Big values, so a plain rewrite would be caught half-written.
  std::string a(200000, 'a'), b(150000, 'b');
  {
    orv::IniFile ini;
    ini.Load("kill.ini");
    ini.Put("s", "v", a.c_str());
  }  // saved by its destructor
  const std::string textA = "[s]\r\nv=" + a + "\r\n", textB = "[s]\r\nv=" + b + "\r\n";
  ASSERT_EQ(ReadFile("kill.ini"), textA);
  bool flip = false;
  KillRepeatedly(
      [&] {
        IniOpen("kill.ini");
        IniPut("s", "v", (flip = !flip) ? b.c_str() : a.c_str());
        IniOpen("");
      },
      [&] {
        std::string now = ReadFile("kill.ini");
        EXPECT_TRUE(now == textA || now == textB) << now.size();
      });
}

TEST(KillSafety, LineFileWriteBackLeavesTheOldOrTheNewFile) {
  std::string a(1000, 'a'), b(900, 'b');
  std::string textA, textB;
  for (int i = 0; i < 256; ++i) {
    textA += a + "\r\n";
    textB += b + "\r\n";
  }
  ASSERT_TRUE(orv::ReplaceFileContents("kill.txt", textA.data(), textA.size()));
  bool flip = false;
  KillRepeatedly(
      [&] {
        flip = !flip;
        for (int i = 0; i < 256; ++i) WriteFileLine("kill.txt", i, flip ? b.c_str() : a.c_str());
        WriteFileLine("other.txt", 0, "switch");  // writes kill.txt back
      },
      [&] {
        std::string now = ReadFile("kill.txt");
        EXPECT_TRUE(now == textA || now == textB) << now.size();
      });
}

}  // namespace
