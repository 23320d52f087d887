// A game's saves through the whole program on a real X server: a channel
// left open is saved at the game's end, a game killed while it saves leaves
// whole files, and a save that is gone is read from its backup at the next
// start.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

using orvtest::Child;
using orvtest::ReadFile;
using orvtest::VirtualDisplay;

std::string Save(int n) { return "version " + std::to_string(n) + "\r\n" + std::string(50000 + n, static_cast<char>('a' + n % 26)); }

// The version a channel save holds when it is whole, else -1.
int VersionOf(const std::string& bytes) {
  if (bytes.rfind("version ", 0) != 0) return -1;
  const int n = std::atoi(bytes.c_str() + 8);
  return bytes == Save(n) ? n : -1;
}

TEST(SavesE2E, OpenChannelsAreSavedAtTheEndKilledSavesStayWholeAndAMissingSaveComesFromItsBackup) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  // The game works in its own folder: a copy of it there.
  const std::string folder = orvtest::PrivateDir() + "/game";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string game = folder + "/save_game";
  if (link(orvtest::BinaryPath("tests/files/save_game").c_str(), game.c_str()) != 0)
    std::filesystem::copy_file(orvtest::BinaryPath("tests/files/save_game"), game);

  auto first = orvtest::RunProcess({game}, x.ProgramOptions({{"SAVE_MODE", "first"}}));
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "loaded nothing\nini none, lines NO_FILE\nexit\n");
  EXPECT_EQ(ReadFile(folder + "/slot.sav"), Save(1));
  EXPECT_EQ(ReadFile(folder + "/slot.ini"), "[save]\r\nversion=1\r\n");
  EXPECT_EQ(ReadFile(folder + "/slot.txt"), "1\r\n");

  Child loop({game}, x.ProgramOptions({{"SAVE_MODE", "loop"}}));
  ASSERT_TRUE(loop.WaitForOutput("saved 6\n", 30)) << loop.Out() << loop.Err();
  kill(loop.Pid(), SIGKILL);
  ASSERT_TRUE(loop.Wait(10));
  const int n = VersionOf(ReadFile(folder + "/slot.sav"));
  EXPECT_GE(n, 6);
  EXPECT_EQ(VersionOf(ReadFile(folder + "/slot.sav.bak")), n - 1);
  const std::string ini = ReadFile(folder + "/slot.ini");
  EXPECT_TRUE(ini.rfind("[save]\r\nversion=", 0) == 0 && ini.size() <= 22 && ini.ends_with("\r\n")) << ini;

  // The save is lost; its backup is read, and the log says so.
  ASSERT_EQ(unlink((folder + "/slot.sav").c_str()), 0);
  auto after = orvtest::RunProcess({game}, x.ProgramOptions());
  ASSERT_EQ(after.exitCode, 0) << after.err;
  EXPECT_EQ(after.out.substr(0, after.out.find('\n')), "loaded version " + std::to_string(n - 1));
  EXPECT_NE(orvtest::ErrorLogText().find("slot.sav is missing or unreadable: reading slot.sav.bak\n"), std::string::npos)
      << orvtest::ErrorLogText();
}

}  // namespace
