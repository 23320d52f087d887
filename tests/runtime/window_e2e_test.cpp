// The real window on a real X server (Xvfb), driven like a person with
// xdotool: placement, full screen, quit keys and focus.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"

namespace {

using orvtest::Child;
using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("tests/runtime/spine_game"); }

// Keys are read by polling once per frame, and a paused game looks at its
// window only every 200 ms: give it time to wake up before pressing.
void Press(VirtualDisplay& x, const std::string& window, const std::string& keys) {
  x.Xdotool({"windowfocus", "--sync", window});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Held for a while: the game samples the keyboard once per frame.
  x.Xdotool({"keydown", keys});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  x.Xdotool({"keyup", keys});
}

TEST(WindowE2E, WindowOpensAtItsSizeCentredAndEscapeEnds) {
  VirtualDisplay x(1280, 1024);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"SPINE_MODE", "frames"}, {"SPINE_FRAMES", "-1"}, {"SPINE_WIDTH", "640"},
                                   {"SPINE_HEIGHT", "480"}, {"SPINE_CAPTION", "placed"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  std::string id = x.FindWindow("placed");
  ASSERT_FALSE(id.empty());
  auto g = x.WindowGeometry(id);
  EXPECT_EQ(g.width, 640);
  EXPECT_EQ(g.height, 480);
  EXPECT_EQ(g.x, (1280 - 640) / 2);
  EXPECT_EQ(g.y, (1024 - 480) / 2);
  Press(x, id, "Escape");
  ASSERT_TRUE(game.Wait(10));
  EXPECT_EQ(game.ExitCode(), 0);
  EXPECT_NE(game.Out().find("ORV_ON_QUIT\nexit\n"), std::string::npos) << game.Out();
}

TEST(WindowE2E, FullScreenTakesTheWholeDisplay) {
  VirtualDisplay x(1024, 768);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"SPINE_MODE", "screen"}, {"SPINE_FRAMES", "-1"}, {"SPINE_SET_WIDTH", "1024"},
                                   {"SPINE_SET_HEIGHT", "768"}, {"SPINE_SET_FULLSCREEN", "1"},
                                   {"SPINE_CAPTION", "full"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  EXPECT_NE(game.Out().find("screen=320x200\nscreen=1024x768\n"), std::string::npos) << game.Out();
  std::string id = x.FindWindow("full");
  ASSERT_FALSE(id.empty());
  auto g = x.WindowGeometry(id);
  EXPECT_EQ(g.x, 0);
  EXPECT_EQ(g.y, 0);
  EXPECT_EQ(g.width, 1024);
  EXPECT_EQ(g.height, 768);
  // The frame really shows on the screen: the game clears to red.
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(x.Grab(pixels, w, h));
  EXPECT_EQ(pixels[static_cast<size_t>(h / 2) * w + w / 2], 0xFF0000u);
  Press(x, id, "Escape");
  EXPECT_TRUE(game.Wait(10));
}

TEST(WindowE2E, EscapeEndsOnlyWhileEnabledButAltF4Always) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"SPINE_MODE", "frames"}, {"SPINE_FRAMES", "-1"}, {"SPINE_ESCAPE", "0"},
                                   {"SPINE_CAPTION", "keys"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  std::string id = x.FindWindow("keys");
  ASSERT_FALSE(id.empty());
  Press(x, id, "Escape");
  EXPECT_FALSE(game.Wait(1.0));  // still running
  Press(x, id, "alt+F4");
  ASSERT_TRUE(game.Wait(10));
  EXPECT_EQ(game.ExitCode(), 0);
  EXPECT_NE(game.Out().find("exit\n"), std::string::npos);
}

TEST(WindowE2E, LosingFocusPausesAndTheTitleSaysSo) {
  VirtualDisplay x(1024, 768);
  ASSERT_TRUE(x.Ok());
  Child a({Game()}, x.ProgramOptions({{"SPINE_FRAMES", "-1"}, {"SPINE_CAPTION", "first"}}));
  Child b({Game()}, x.ProgramOptions({{"SPINE_FRAMES", "-1"}, {"SPINE_CAPTION", "second"}}));
  ASSERT_TRUE(a.WaitForOutput("ready\n", 20));
  ASSERT_TRUE(b.WaitForOutput("ready\n", 20));
  // Whichever window opened first may already be paused by the other.
  std::string idA = x.FindWindow("first( <pause>)?"), idB = x.FindWindow("second( <pause>)?");
  ASSERT_FALSE(idA.empty());
  ASSERT_FALSE(idB.empty());
  x.Xdotool({"windowfocus", "--sync", idA});
  // Opening the second window may already have paused the first; start
  // from a running first game: as many pause loops ended as begun.
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  };
  for (int i = 0; i < 200; ++i) {
    std::string out = a.Out();
    if (count(out, "pause loop in showscreen") == count(out, "pause loop ended") && x.WindowTitle(idA) == "first") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  size_t mark = a.Out().size();
  x.Xdotool({"windowfocus", "--sync", idB});  // the first loses the focus
  ASSERT_TRUE(a.WaitForOutput("pause loop in showscreen/hibernate\n", 10, mark)) << a.Out();
  EXPECT_EQ(x.WindowTitle(idA), "first <pause>");
  mark = a.Out().size();
  x.Xdotool({"windowfocus", "--sync", idA});
  ASSERT_TRUE(a.WaitForOutput("pause loop ended\n", 10, mark)) << a.Out();
  EXPECT_EQ(x.WindowTitle(idA), "first");
  Press(x, idA, "Escape");
  Press(x, idB, "Escape");
  EXPECT_TRUE(a.Wait(10)) << a.Out();
  EXPECT_TRUE(b.Wait(10)) << b.Out() << x.WindowTitle(idB);
}

TEST(WindowE2E, LatinOneCaptionReachesTheWindowSystemAsUtf8) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  // Game text is one byte per character: "Café ½" as the game holds it.
  Child game({Game()}, x.ProgramOptions({{"SPINE_FRAMES", "-1"}, {"SPINE_CAPTION", "Caf\xe9 \xbd"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  std::string id = x.FindWindow("Caf.*");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(x.WindowTitle(id), "Caf\xc3\xa9 \xc2\xbd");
  Press(x, id, "Escape");
  EXPECT_TRUE(game.Wait(10)) << game.Out();
}

}  // namespace
