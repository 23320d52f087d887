// Settings and line files survive a kill at any moment: the file holds
// either the old or the new content, never a mixture or nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "files/atomic_write.h"
#include "files/ini_file.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;

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
