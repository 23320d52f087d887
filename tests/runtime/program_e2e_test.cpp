// A running game on a real X server (Xvfb): what it learns about the
// desktop, a window started hidden, and ending through the window's close
// request.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "tools/screen_grab/screen_grab.h"

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
  const std::string log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("Init Finalized\nShut down ORV\norv is shut down\n"), std::string::npos) << log;
}

TEST(ProgramE2E, ACrossFadeShowsABlendOfBothPicturesOnTheWay) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"COMMAND_MODE", "fade"}, {"COMMAND_CAPTION", "fading"}}));
  const std::string id = x.FindWindow("fading");
  ASSERT_FALSE(id.empty()) << game.Err();
  ASSERT_TRUE(game.WaitForOutput("fading\n", 20)) << game.Err();
  const auto g = x.WindowGeometry(id);
  orvtools::ScreenReader reader(x.Display());
  ASSERT_TRUE(reader.Ok());
  // Watch the window's centre (0x00RRGGBB) until the fade has ended.
  std::vector<std::pair<int, int>> seen;  // (red, green)
  std::vector<uint32_t> pixel;
  while (game.Out().find("fade=") == std::string::npos && game.Running()) {
    if (reader.Read(g.x + g.width / 2, g.y + g.height / 2, 1, 1, pixel))
      seen.emplace_back(static_cast<int>(pixel[0] >> 16 & 255), static_cast<int>(pixel[0] >> 8 & 255));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(game.Wait(10)) << game.Out();
  EXPECT_NE(game.Out().find("fade=1\n"), std::string::npos) << game.Out();
  ASSERT_FALSE(seen.empty());
  // Some frame in the middle is neither picture but both at once: the two
  // weights add up to the whole.
  int blends = 0;
  for (const auto& [red, green] : seen) {
    if (red >= 60 && red <= 195 && green >= 60 && green <= 195) {
      ++blends;
      EXPECT_NEAR(red + green, 255, 12) << red << " " << green;
    }
  }
  EXPECT_GT(blends, 0) << "no blended frame among " << seen.size() << " samples";
  // It runs from red to green, never back.
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i].second + 8, seen[i - 1].second) << i;
  EXPECT_EQ(seen.back().second >= 245 || seen.back().first <= 10 ? 1 : 0, 1)
      << seen.back().first << " " << seen.back().second;
}

}  // namespace
