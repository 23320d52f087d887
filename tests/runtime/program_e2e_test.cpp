// A running game on a real X server (Xvfb): what it learns about the
// desktop, a window started hidden, and ending through the window's close
// request.
#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"

namespace {

using orvtest::Child;
using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("tests/runtime/command_game"); }

std::string FirstWord(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  in >> word;
  return word;
}

TEST(ProgramE2E, DesktopSizeIsTheDisplaysNotTheWindows) {
  VirtualDisplay x(1152, 864);
  ASSERT_TRUE(x.Ok());
  orvtest::ProcessOptions opt = x.ProgramOptions({{"COMMAND_MODE", "desktop"}});
  auto r = orvtest::RunProcess({Game()}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "desktop=1152x864\nexit\n");
}

TEST(ProgramE2E, HiddenStartKeepsTheWindowHiddenWhileFramesRun) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"ORVANE_HIDDEN", "1"}, {"COMMAND_CAPTION", "hidden game"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  // The game goes on with its frames behind the scenes...
  ASSERT_TRUE(game.WaitForOutput("frame 20\n", 20)) << game.Out() << game.Err();
  // ...with a window that exists but was never mapped.
  const std::string any = FirstWord(x.Xdotool({"search", "--name", "^hidden game$"}));
  EXPECT_FALSE(any.empty());
  EXPECT_EQ(FirstWord(x.Xdotool({"search", "--onlyvisible", "--name", "^hidden game$"})), "");
  EXPECT_TRUE(game.Running());
}

TEST(ProgramE2E, ClosingTheWindowEndsTheGameInOrder) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"COMMAND_CAPTION", "closing"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  const std::string id = x.FindWindow("closing");
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(game.WaitForOutput("frame 10\n", 20));
  ASSERT_TRUE(x.RequestClose(id));
  ASSERT_TRUE(game.Wait(10)) << game.Out();
  EXPECT_EQ(game.ExitCode(), 0);
  EXPECT_EQ(game.Signal(), 0);
  const std::string out = game.Out();
  EXPECT_EQ(out.substr(out.size() - 5), "exit\n") << out;
  const std::string log = orvtest::ReadFile(orvtest::PrivateDir() + "/ErrorLog.txt");
  EXPECT_NE(log.find("Init Finalized\nShut down ORV\norv is shut down\n"), std::string::npos) << log;
}

}  // namespace
