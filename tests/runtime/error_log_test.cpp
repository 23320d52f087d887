#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "orvane/runtime.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "files/files_test_support.h"
#include "support/test_support.h"

namespace {

std::string LogPath() { return orvtest::PrivateDir() + "/ErrorLog.txt"; }

TEST(ErrorLog, LinesAreAppendedByteForByteWithNothingAdded) {
  orv::StartLog();
  orv::LogLine("timer\n");
  orv::LogLine("no newline");
  orv::LogLine(nullptr);
  orv::LogLine("");
  orv::LogFormat("exepath=curdir= %s\n", "/games/x");
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "Start new log...\ntimer\nno newlineNULLexepath=curdir= /games/x\n");
  EXPECT_TRUE(orv::ErrorLogPath() == LogPath().c_str());
}

// Started from a terminal, the log file is named once and every logged text
// also shows there, so a player sees why a game stopped; the file is the same.
TEST(ErrorLog, ATerminalOnStandardErrorSeesTheLogFileNamedAndEveryText) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const int side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  ASSERT_GE(side, 0);
  termios raw;
  ASSERT_EQ(tcgetattr(side, &raw), 0);
  cfmakeraw(&raw);  // the bytes as written, without "\n" -> "\r\n"
  ASSERT_EQ(tcsetattr(side, TCSANOW, &raw), 0);
  const int savedError = dup(STDERR_FILENO);
  dup2(side, STDERR_FILENO);
  orv::StartLog();
  orv::LogLine("timer\n");
  LogText("Media/player.png is missing\n");
  orv::LogLine("no newline");
  dup2(savedError, STDERR_FILENO);
  close(savedError);
  close(side);

  std::string shown;
  char buffer[256];
  pollfd ready{terminal, POLLIN, 0};
  while (poll(&ready, 1, 5000) == 1) {
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;  // everything read: the other side is closed
    shown.append(buffer, static_cast<size_t>(n));
  }
  close(terminal);
  const std::string texts = "Start new log...\ntimer\nMedia/player.png is missing\nno newline";
  EXPECT_EQ(shown, "Error log: " + LogPath() + "\n" + texts);
  EXPECT_EQ(orvtest::ReadFile(LogPath()), texts);

  // Standard error that is not a terminal (here a pipe the test reads) gets nothing.
  testing::internal::CaptureStderr();
  orv::StartLog();
  orv::LogLine("timer\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ErrorLog, StartLogRestartsTheFile) {
  orv::LogLine("old run\n");
  orv::StartLog();
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "Start new log...\n");
}

TEST(ErrorLog, LongTextsAreLoggedWhole) {
  std::string big(5000, 'x');
  orv::StartLog();
  orv::LogFormat("%s\n", big.c_str());
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "Start new log...\n" + big + "\n");
}

// A regular file where the temporary folder should be cannot hold a log for
// any user, root included, so this case is real wherever the suite runs.
TEST(ErrorLog, AnUnusableFolderDropsTheLineSilentlyAndLoggingGoesOn) {
  orv::StartLog();
  const std::string notAFolder = orvtest::PrivateDir() + "/not-a-folder";
  orvtest::WriteFile(notAFolder, "plain file\n");
  setenv("TMPDIR", notAFolder.c_str(), 1);
  testing::internal::CaptureStderr();
  orv::LogLine("dropped\n");  // must neither crash nor throw
  orv::LogFormat("%s\n", "dropped too");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("TMPDIR", orvtest::PrivateDir().c_str(), 1);
  EXPECT_EQ(orvtest::ReadFile(notAFolder), "plain file\n");
  orv::LogLine("after\n");
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "Start new log...\nafter\n");

  // A folder without write permission. Root writes there anyway, so the
  // lines are logged by a child that runs as an unprivileged user (as root,
  // "nobody"); it must end normally and say nothing on standard error.
  ASSERT_EQ(chmod(orvtest::PrivateDir().c_str(), 0755), 0);
  const std::string dir = orvtest::PrivateDir() + "/readonly";
  ASSERT_EQ(mkdir(dir.c_str(), 0555), 0);
  setenv("TMPDIR", dir.c_str(), 1);
  const int code = filestest::RunUnprivileged([] {
    const int err = memfd_create("stderr", 0);
    if (err < 0 || dup2(err, 2) != 2) return 10;
    orv::LogLine("dropped\n");
    orv::LogFormat("%s\n", "dropped too");
    return lseek(2, 0, SEEK_END) == 0 ? 0 : 11;
  });
  setenv("TMPDIR", orvtest::PrivateDir().c_str(), 1);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(orvtest::Exists(dir + "/ErrorLog.txt"));
  orv::LogLine("still after\n");
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "Start new log...\nafter\nstill after\n");
}

TEST(ErrorState, CodesTextsAndLines) {
  ClearError();
  EXPECT_TRUE(ErrorText() == "0000 success");
  orv::SetCurrentLine(2, 40);
  EXPECT_EQ(SetErrorCode(3), 3);
  EXPECT_TRUE(ErrorText() == "0003 no such file");
  EXPECT_EQ(orv::Rt().errorLine, 40);
  SetErrorCode(8);
  EXPECT_TRUE(ErrorText() == "0008 unknown error");
  SetErrorCode(9);
  EXPECT_TRUE(ErrorText() == "0009 out of bounds");
  SetErrorCode(20);
  EXPECT_TRUE(ErrorText() == "0020 out of data");
  SetErrorCode(7);
  EXPECT_TRUE(ErrorText() == "0007 out of memory");
  orv::SetCurrentLine(2, 41);
  ClearError();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(orv::Rt().errorLine, 40);  // clearing leaves the line
}

TEST(ErrorState, DebugOutputIsSilentWithoutADebugger) {
  ASSERT_FALSE(orv::DebuggerAttached());
  testing::internal::CaptureStderr();
  DebugOut("TX should not appear");
  EXPECT_EQ(DebugBreakpoint(0x1f), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ErrorStateDeathTest, AssertionEndsTheProgramOnlyForZero) {
  AssertValue(5);
  AssertValue(-1);
  EXPECT_EXIT(AssertValue(0), testing::ExitedWithCode(0), "");
}

TEST(ErrorStateDeathTest, EndProgramWritesDebugLinesAndExit) {
  auto end = [] {
    orv::Rt().settings.debugMode = 1;
    orv::SetCurrentLine(4, 17);
    SetErrorCode(3);
    orv::SetCurrentLine(4, 18);
    EndWithSuccess();
  };
  std::remove(LogPath().c_str());
  EXPECT_EXIT(end(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(orvtest::ReadFile(LogPath()), "-End On Line\n0\n17\n18\n4\n");

  auto quiet = [] {
    orv::Rt().settings.debugMode = 0;
    EndWithSuccess();
  };
  std::remove(LogPath().c_str());
  EXPECT_EXIT(quiet(), testing::ExitedWithCode(0), "");
  EXPECT_FALSE(orvtest::Exists(LogPath()));
}

}  // namespace
