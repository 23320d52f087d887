// The runtime's start-up, frame, pause and shutdown, seen from outside: small
// games run as processes on the offscreen video driver.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/test_support.h"

namespace {

orvtest::ProcessResult RunGame(const std::string& game, std::map<std::string, std::string> env) {
  orvtest::ProcessOptions opt;
  opt.env = std::move(env);
  opt.env.emplace("SDL_VIDEODRIVER", "offscreen");
  opt.timeoutSeconds = 30;
  return orvtest::RunProcess({orvtest::BinaryPath("tests/runtime/" + game)}, opt);
}

std::string Log() { return orvtest::ReadFile(orvtest::PrivateDir() + "/ErrorLog.txt"); }

std::string Quote(const std::string& s) { return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); }

TEST(Spine, NormalRunLogsEveryStartAndShutdownStepInOrder) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "frames"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ready\nframes=3\nORV_ON_QUIT\nexit\n");
  const std::string dir = orvtest::BinaryPath("tests/runtime");
  const std::string expected =
      "Start new log\\.\\.\\.\ntimer\nvexl\nvexl init\nWIN32 init video\n"
      "(\\*\\*\\* OpenGL Software Emulation - update driver!\n)?"
      "get accurate timer - 1st call\nflip - 1st call\n"
      "(BGRA ext supported\n|BGRA ext NOT supported\n[^\n]*\n)"
      "Texture size limit: [0-9]+\ninit fbo\n2D VP\nOGVX init \\[OK\\]\n"
      "Cptn\nNetwork\nInput\nWindow mode\nCreate DXin\nreptr\ngetexe\ncd\n"
      "exepath=curdir= " + Quote(dir) + "\nInit Finalized\n"
      "Shut down ORV\norv is shut down\n";
  EXPECT_TRUE(std::regex_match(Log(), std::regex(expected))) << Log();
}

TEST(Spine, DebugModeAddsTheEndLines) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "error"}, {"SPINE_DEBUG", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string log = Log();
  // error 7 was set on line 12 of module 3; the program ended on line 15.
  EXPECT_NE(log.find("Init Finalized\n-End On Line\n7\n11\n15\n3\nShut down ORV\n"), std::string::npos) << log;

  auto quiet = RunGame("spine_game", {{"SPINE_MODE", "error"}});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_NE(Log().find("Init Finalized\nShut down ORV\n"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("-End On Line"), std::string::npos);
}

TEST(Spine, EndingTwiceShutsDownOnce) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "end-twice"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ready\nframes=3\nORV_ON_QUIT\nexit\n");
  std::string log = Log();
  EXPECT_EQ(log.find("Shut down ORV\n"), log.rfind("Shut down ORV\n"));
  EXPECT_NE(log.find("orv is shut down\n"), std::string::npos);
}

TEST(Spine, FocusLossPausesAndFocusGainResumes) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "pause"}, {"SPINE_CAPTION", "paused game"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The loss is seen in the flip of frame 3; the next flip holds the game
  // until the focus returns, so the frame counter does not move meanwhile.
  // The title carries the pause mark only while paused.
  EXPECT_EQ(r.out,
            "pushed focus loss at frame=3\n"
            "ORV_ON_PAUSE frame=3\ntitle=paused game <pause>\n"
            "pause loop in showscreen/hibernate\n"
            "ORV_ON_RESUME frame=4\ntitle=paused game\n"
            "pause loop ended\n"
            "ORV_ON_QUIT\nexit\n");
}

TEST(Spine, DebugModeNeverPauses) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "pause"}, {"SPINE_DEBUG", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "pushed focus loss at frame=3\nORV_ON_QUIT\nexit\n");
}

TEST(Spine, MessageHookSeesEachEventBeforeDispatch) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "hook"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "ORV_WIN32_MSG user event param=7\nORV_WIN32_MSG user event param=7\n"
            "messages seen=1\nORV_ON_QUIT\nexit\n");
}

TEST(Spine, EmptyFunctionTableRunsQuietly) {
  auto r = RunGame("plain_game", {});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ok\nexit\n");
  EXPECT_EQ(r.err, "");
}

TEST(Spine, NoDisplayEndsInOrderAfterTheFailedWindow) {
  auto r = RunGame("spine_game", {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", ":9999"}});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "ORV_ON_QUIT\nexit\n");  // the game never ran
  std::string log = Log();
  EXPECT_EQ(log, "Start new log...\ntimer\nvexl\nvexl init\nWIN32 init video\n");
}

TEST(Spine, RefusedFullScreenFallsBackToAWindow) {
  // The display has no 700 x 500 mode: full screen is refused, the game goes on windowed.
  auto r = RunGame("spine_game", {{"SPINE_MODE", "screen"}, {"SPINE_FRAMES", "1"}, {"SPINE_SET_WIDTH", "700"},
                                  {"SPINE_SET_HEIGHT", "500"}, {"SPINE_SET_FULLSCREEN", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "screen=320x200\nscreen=700x500\nready\nORV_ON_QUIT\nexit\n");
  EXPECT_NE(Log().find("Init Finalized\nNo Fullscreen Mode available\nShut down ORV\n"), std::string::npos) << Log();
}

TEST(Spine, HiddenStartKeepsTheWindowHidden) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "frames"}, {"ORVANE_HIDDEN", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ready\nframes=3\nORV_ON_QUIT\nexit\n");
}

}  // namespace
