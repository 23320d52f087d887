// A game that crashes on a real X server leaves a report beside its error
// log naming the function that crashed, says where on standard error, and
// the next start of the same game (only that game) logs once that the
// report is waiting.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("tests/runtime/crash_game"); }

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The first line of the report that starts with `prefix`.
std::string LineOf(const std::string& text, const std::string& prefix) {
  size_t at = 0;
  if (text.compare(0, prefix.size(), prefix) != 0) {
    at = text.find("\n" + prefix);
    if (at == std::string::npos) return "";
    ++at;
  }
  return text.substr(at, text.find('\n', at) - at);
}

TEST(CrashReports, EachCrashLeavesAReportNamingItsFunctionAndTheNextStartSaysSoOnce) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  struct Case {
    const char* mode;
    int signal;
    const char* crash;     // the report's "crash:" line starts so
    const char* function;  // the first frame of the backtrace
  } cases[] = {
      {"null", SIGSEGV, "crash: SIGSEGV (invalid memory access) at address 0x0", "CrashByNullPointer()"},
      {"abort", SIGABRT, "crash: SIGABRT (aborted)", "CrashByAbort()"},
      {"throw", SIGABRT, "crash: uncaught exception std::runtime_error: the level file is damaged", "CrashByThrow()"},
  };
  std::vector<std::string> reports;
  for (const Case& c : cases) {
    auto r = orvtest::RunProcess({Game()}, x.ProgramOptions({{"CRASH_MODE", c.mode}}));
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's handler, there before the report's, ends the process its own way.
    EXPECT_TRUE(r.signal == c.signal || r.exitCode > 0) << c.mode << "\n" << r.err;
#else
    EXPECT_EQ(r.signal, c.signal) << c.mode << "\n" << r.err;
#endif
    // One line on standard error names the report.
    const std::string marker = "; report written to ";
    const size_t at = r.err.find(marker);
    ASSERT_NE(at, std::string::npos) << r.err;
    const std::string path = r.err.substr(at + marker.size(), r.err.find('\n', at) - at - marker.size());
    EXPECT_EQ(path.substr(0, orvtest::PrivateDir().size() + 7), orvtest::PrivateDir() + "/crash-") << path;
    reports.push_back(path);
    const std::string report = orvtest::ReadFile(path);
    EXPECT_EQ(LineOf(report, "crash: ").rfind(c.crash, 0), 0u) << report;
    EXPECT_EQ(LineOf(report, "program: "), "program: " + Game()) << report;
    EXPECT_EQ(LineOf(report, "version: ").rfind("version: 000.001 (built ", 0), 0u) << report;
    EXPECT_EQ(LineOf(report, "window: "), "window: 320 x 200") << report;
    const std::string renderer = LineOf(report, "GL renderer: ");
    EXPECT_GT(renderer.size(), 13u) << report;
    EXPECT_EQ(renderer.find("no window"), std::string::npos) << report;
    // The crashing function is a frame of the backtrace, with its file; for
    // a fault it is the first.
    const std::string first = LineOf(report, "#0  ");
    if (c.signal == SIGSEGV) {
      EXPECT_NE(first.find(c.function), std::string::npos) << report;
    }
    EXPECT_NE(report.find(std::string(c.function) + " at "), std::string::npos) << report;
    EXPECT_NE(report.find("crash_game.cpp:"), std::string::npos) << report;
    // The end of the error log, up to the crash.
    EXPECT_NE(report.find("Init Finalized\n"), std::string::npos) << report;
    // This start of the game announced the report of the one before.
    if (reports.size() > 1) {
      EXPECT_EQ(Count(orvtest::ErrorLogText(), "crash report waiting: " + reports[reports.size() - 2] + "\n"), 1)
          << orvtest::ErrorLogText();
    }
  }
  ASSERT_EQ(reports.size(), 3u);

  // Another game started in the same place has nothing waiting.
  auto other = orvtest::RunProcess({orvtest::BinaryPath("tests/runtime/plain_game")}, x.ProgramOptions());
  ASSERT_EQ(other.exitCode, 0) << other.err;
  EXPECT_EQ(Count(orvtest::ErrorLogText(), "crash report waiting"), 0) << orvtest::ErrorLogText();
  // The crashed game's next start names the last report, right after the log starts...
  auto again = orvtest::RunProcess({Game()}, x.ProgramOptions());
  ASSERT_EQ(again.exitCode, 0) << again.err;
  const std::string log = orvtest::ErrorLogText();
  EXPECT_EQ(log.rfind("Start new log...\ncrash report waiting: " + reports.back() + "\ntimer\n", 0), 0u) << log;
  // ...and the start after that none.
  again = orvtest::RunProcess({Game()}, x.ProgramOptions());
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(Count(orvtest::ErrorLogText(), "crash report waiting"), 0) << orvtest::ErrorLogText();
}

}  // namespace
