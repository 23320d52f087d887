// The system services seen from a running game: declared library functions,
// the command line, the GL entry-point query, the standard streams, other
// programs and the desktop's opener.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace {

const char* kGame = "tests/system/system_game";

orvtest::ProcessResult RunGame(std::map<std::string, std::string> env) {
  return orvtest::RunOffscreenGame(kGame, std::move(env));
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 100 && !orvtest::Exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return orvtest::Exists(path);
}

// An executable shell script in the private folder.
std::string Script(const std::string& name, const std::string& body) {
  const std::string path = orvtest::PrivateDir() + "/" + name;
  orvtest::WriteFile(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(SystemGame, DeclaredFunctionsAreFoundCaseFoldedAndReportedWhenMissing) {
  auto r = RunGame({{"SYSTEM_MODE", "imports"}, {"SYSTEM_IMPORTS", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Three declarations name the library in three casings: it loads once,
  // as "OrvTestImport.dll" finds liborvtestimport.so beside the program.
  // It is released by the shutdown, before the program says "exit".
  EXPECT_EQ(r.out,
            "add=5\ntwice=42\nmissing entry=null\nmissing module=null\nlibraries=1\n"
            "library released\nexit\n");
  // Failed loads are not remembered: each request of the missing library
  // reports it again.
  const std::string log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("Delay load DLLs\n"
                     "DECLARE entry not found: orv_test_Twice\n"
                     "DECLARE module not found: nosuchlibrary.dll\n"
                     "DECLARE module not found: nosuchlibrary.dll\n"),
            std::string::npos)
      << log;
  EXPECT_LT(log.find("Delay load DLLs"), log.find("Init Finalized"));
}

TEST(SystemGame, NoDeclarationsMeansNoImportStep) {
  auto r = RunGame({{"SYSTEM_MODE", "imports"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("libraries=0\n"), std::string::npos) << r.out;
  EXPECT_EQ(orvtest::ErrorLogText().find("Delay load"), std::string::npos);
}

TEST(SystemGame, CommandLineAndGlEntryPoints) {
  orvtest::ProcessOptions opt;
  opt.env = {{"SYSTEM_MODE", "info"}, {"SDL_VIDEODRIVER", "offscreen"}};
  const std::string game = orvtest::BinaryPath(kGame);
  auto r = orvtest::RunProcess({game, "two words", "plain", ""}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "command line=" + game + " \"two words\" plain \"\"\n"
                   // Named exactly as written; a made-up name gets a driver
                   // stub, which is no entry point.
                   "glext:glBindBufferARB=1\nGLEXT:glGenTextures=1\nGLEXT:glbindbufferarb=0\n"
                   "GLEXT:glMadeUpEntryARB=0\nGLEXT:glMadeUpEntry=0\nexit\n");
}

TEST(SystemGame, StandardStreamsAfterAttachingTheConsole) {
  // Not a terminal: nothing to attach, and the streams keep working.
  orvtest::ProcessOptions opt;
  opt.env = {{"SYSTEM_MODE", "streams"}, {"SDL_VIDEODRIVER", "offscreen"}};
  opt.stdinText = "first\n" + std::string(5000, 'x') + "\n";
  auto r = orvtest::RunProcess({orvtest::BinaryPath(kGame)}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // At most 4095 bytes a read; the rest is the next line.
  EXPECT_EQ(r.out, "out without line end|\n[first]\n[" + std::string(4095, 'x') + "]\n[" + std::string(905, 'x') +
                       "]\nexit\n");
  EXPECT_NE(r.err.find("to standard error"), std::string::npos) << r.err;

  // At the end of the input every read is empty; only one "\n" is removed.
  // A NUL is a byte of the line like any other.
  using namespace std::string_literals;
  opt.stdinText = "la\0st\0\n\n"s;
  r = orvtest::RunProcess({orvtest::BinaryPath(kGame)}, opt);
  EXPECT_EQ(r.out, "out without line end|\n[la\0st\0]\n[]\n[]\nexit\n"s);
}

TEST(SystemGame, RunProgramWaitsForTheExitCodeOnlyWhenAsked) {
  auto waited = RunGame({{"SYSTEM_MODE", "run"}, {"SYSTEM_COMMAND", "sh -c \"exit 7\""}, {"SYSTEM_WAIT", "1"}});
  ASSERT_EQ(waited.exitCode, 0) << waited.err;
  EXPECT_EQ(waited.out, "started=1\nexit code=7\nexit\n");

  const std::string done = orvtest::PrivateDir() + "/done";
  auto detached = RunGame({{"SYSTEM_MODE", "run"},
                           {"SYSTEM_COMMAND", "sh -c \"sleep 0.3; touch '" + done + "'; exit 7\""},
                           {"SYSTEM_WAIT", "0"}});
  ASSERT_EQ(detached.exitCode, 0) << detached.err;
  EXPECT_EQ(detached.out, "started=1\nexit code=0\nexit\n");
  EXPECT_TRUE(WaitForFile(done)) << "the program did not run";

  auto missing = RunGame({{"SYSTEM_MODE", "run"}, {"SYSTEM_COMMAND", "no-such-program-anywhere x"}});
  EXPECT_EQ(missing.out, "started=0\nexit code=0\nexit\n");
  auto empty = RunGame({{"SYSTEM_MODE", "run"}, {"SYSTEM_COMMAND", "   "}});
  EXPECT_EQ(empty.out, "started=0\nexit code=0\nexit\n");
}

TEST(SystemGame, RunProgramNeverHandsTheTextToAShell) {
  const std::string dir = orvtest::PrivateDir();
  const std::string record = Script("record.sh", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + dir +
                                                     "/args.txt\"\n");
  const std::string injected = dir + "/injected";
  const std::string command = "\"" + record + "\" \"a; touch " + injected + "\" $(touch " + injected + ") `touch " +
                              injected + "` ; touch " + injected + " | x && y";
  auto r = RunGame({{"SYSTEM_MODE", "run"}, {"SYSTEM_COMMAND", command}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "started=1\nexit code=0\nexit\n");
  EXPECT_EQ(orvtest::ReadFile(dir + "/args.txt"), "[a; touch " + injected + "][$(touch][" + injected + ")][`touch][" +
                                                      injected + "`][;][touch][" + injected + "][|][x][&&][y]");
  EXPECT_FALSE(orvtest::Exists(injected));
}

TEST(SystemGame, ShellOpenHandsTheTargetToTheOpener) {
  const std::string dir = orvtest::PrivateDir();
  mkdir((dir + "/bin").c_str(), 0755);
  Script("bin/xdg-open", "printf '%s|%s' \"$1\" \"$#\" > \"" + dir + "/opened.tmp\"\nmv \"" + dir + "/opened.tmp\" \"" +
                             dir + "/opened.txt\"\n");
  const std::string path = dir + "/bin:" + std::getenv("PATH");
  const std::string target = "https://example.invalid/a page?q=1;$(x)";

  // Escape does not end the program: the game goes on with the result.
  auto staying = RunGame({{"SYSTEM_MODE", "shell"}, {"SYSTEM_ESCAPE_QUITS", "0"}, {"SYSTEM_TARGET", target},
                          {"PATH", path}});
  ASSERT_EQ(staying.exitCode, 0) << staying.err;
  EXPECT_EQ(staying.out, "opened=1\nstill running\nexit\n");
  ASSERT_TRUE(WaitForFile(dir + "/opened.txt"));
  EXPECT_EQ(orvtest::ReadFile(dir + "/opened.txt"), target + "|1");
  std::remove((dir + "/opened.txt").c_str());

  // Escape ends the program (the default): the runtime shuts down first and
  // the program ends right after the request.
  auto leaving = RunGame({{"SYSTEM_MODE", "shell"}, {"SYSTEM_TARGET", target}, {"PATH", path}});
  ASSERT_EQ(leaving.exitCode, 0) << leaving.err;
  EXPECT_EQ(leaving.out, "");
  EXPECT_NE(orvtest::ErrorLogText().find("orv is shut down\n"), std::string::npos);
  ASSERT_TRUE(WaitForFile(dir + "/opened.txt"));
  EXPECT_EQ(orvtest::ReadFile(dir + "/opened.txt"), target + "|1");
}

// Dialog programs that record how they were asked and answer at once.
TEST(SystemGame, FileRequestTurnsTheFilterIntoDialogArguments) {
  const std::string dir = orvtest::PrivateDir();
  for (const char* name : {"zenity", "kdialog"}) {
    mkdir((dir + "/" + name).c_str(), 0755);
    Script(std::string(name) + "/" + name,
           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + dir + "/" + name + ".txt\"\n"
           "printf '%s\\n' 'C:\\games\\save.dat'\n");
  }
  const std::string game = orvtest::BinaryPath(kGame);
  const std::string folder = game.substr(0, game.rfind('/'));

  auto open = RunGame({{"SYSTEM_MODE", "file"}, {"SYSTEM_FILTER", "Text|*.txt;*.md|All|*.*"}, {"PATH", dir + "/zenity"}});
  ASSERT_EQ(open.exitCode, 0) << open.err;
  // Backslashes in the answer become slashes.
  EXPECT_EQ(open.out, "asking\nchosen=C:/games/save.dat\nfolder=" + folder + "\nexit\n");
  EXPECT_EQ(orvtest::ReadFile(dir + "/zenity.txt"),
            "--file-selection\n--title=Open\n--filename=" + folder +
                "/\n--file-filter=Text | *.txt *.md\n--file-filter=All | *.*\n");

  // A filter without "|" is one entry; the save dialog says so.
  RunGame({{"SYSTEM_MODE", "file"}, {"SYSTEM_SAVE", "1"}, {"SYSTEM_FILTER", "*.sav"}, {"PATH", dir + "/zenity"}});
  EXPECT_EQ(orvtest::ReadFile(dir + "/zenity.txt"),
            "--file-selection\n--title=Save As\n--save\n--filename=" + folder + "/\n--file-filter=*.sav | *.sav\n");

  // Without zenity, kdialog asks.
  auto kde = RunGame({{"SYSTEM_MODE", "file"}, {"SYSTEM_FILTER", "Text|*.txt|All|*.*"}, {"PATH", dir + "/kdialog"}});
  EXPECT_EQ(kde.out, "asking\nchosen=C:/games/save.dat\nfolder=" + folder + "\nexit\n");
  EXPECT_EQ(orvtest::ReadFile(dir + "/kdialog.txt"),
            "--getopenfilename\n" + folder + "/\n*.txt|Text\n*.*|All\n--title\nOpen\n");

  // No dialog program at all: no file, and the log says why, once.
  auto none = RunGame({{"SYSTEM_MODE", "file"}, {"PATH", dir + "/nothing"}});
  EXPECT_EQ(none.out, "asking\nchosen=NO_FILE\nfolder=" + folder + "\nexit\n");
  const std::string log = orvtest::ErrorLogText();
  const std::string line = "File dialog: neither zenity nor kdialog is installed\n";
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line), log.rfind(line));
}

}  // namespace
