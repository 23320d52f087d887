// The runtime's start-up, frame, pause and shutdown, seen from outside: small
// games run as processes on the offscreen video driver.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>

#include "support/test_support.h"

namespace {

orvtest::ProcessResult RunGame(const std::string& game, std::map<std::string, std::string> env) {
  return orvtest::RunOffscreenGame("tests/runtime/" + game, std::move(env));
}

std::string Log() { return orvtest::ErrorLogText(); }

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

  // No display named at all and no driver asked for: the video system would
  // run the game offscreen where nobody sees it. It ends with the reason
  // and a failing status instead, the log as above.
  r = RunGame("spine_game", {{"SDL_VIDEODRIVER", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "ORV_ON_QUIT\nexit\n");
  EXPECT_EQ(r.err.rfind("spine_game: no display to open the game's window on: neither DISPLAY nor WAYLAND_DISPLAY", 0), 0u)
      << r.err;
  EXPECT_NE(r.err.find("SDL_VIDEODRIVER=offscreen"), std::string::npos) << r.err;
  EXPECT_EQ(Log(), log);
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

namespace {

TEST(Spine, RunTimeErrorWhileEndingStillFinishesTheShutdown) {
  // The quit event fails an assertion: the program cannot go back to the
  // event, but every stage still stops (a full-screen game gives the desktop
  // its mode back) and the process ends as usual.
  auto r = RunGame("spine_game", {{"SPINE_MODE", "error-in-quit"}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ready\nframes=3\nORV_ON_QUIT\nexit\n");
  const std::string log = Log(), end = "Init Finalized\nShut down ORV\norv is shut down\n";
  ASSERT_GE(log.size(), end.size()) << log;
  EXPECT_EQ(log.substr(log.size() - end.size()), end) << log;
}

TEST(Spine, CapturedCommandLineKeepsTheQuotingOfEachArgument) {
  orvtest::ProcessOptions opt;
  opt.env = {{"SDL_VIDEODRIVER", "offscreen"}, {"SPINE_MODE", "command-line"}};
  const std::string game = orvtest::BinaryPath("tests/runtime/spine_game");
  auto r = orvtest::RunProcess({game, "plain", "two words", "say \"hi\"", "", "end\\"}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, game + " plain \"two words\" \"say \\\"hi\\\"\" \"\" end\\\nORV_ON_QUIT\nexit\n");
}

TEST(Spine, EndAndRunStartsOneProgramAndNeverAShell) {
  const std::string dir = orvtest::PrivateDir();
  // Quoting groups an argument; nothing else in the line is special.
  auto quoted = RunGame("spine_game", {{"SPINE_MODE", "end-and-run"}, {"SPINE_RUN", "touch \"" + dir + "/two words\""}});
  EXPECT_EQ(quoted.exitCode, 0) << quoted.err;
  auto injected = RunGame("spine_game", {{"SPINE_MODE", "end-and-run"},
                                         {"SPINE_RUN", "true; touch " + dir + "/x $(touch " + dir + "/y) `touch " + dir + "/z`"}});
  EXPECT_EQ(injected.exitCode, 0) << injected.err;
  // The started program runs detached: give it a moment.
  for (int i = 0; i < 50 && !orvtest::Exists(dir + "/two words"); ++i) usleep(100000);
  EXPECT_TRUE(orvtest::Exists(dir + "/two words"));
  usleep(300000);
  EXPECT_FALSE(orvtest::Exists(dir + "/x"));
  EXPECT_FALSE(orvtest::Exists(dir + "/y"));
  EXPECT_FALSE(orvtest::Exists(dir + "/z"));
}

TEST(Spine, AClosedStandardOutputDoesNotCutTheShutdownShort) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);  // nobody will ever read: the first notice meets a broken pipe
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  orvtest::SpawnArguments args({orvtest::BinaryPath("tests/runtime/spine_game")},
                               {{"SDL_VIDEODRIVER", "offscreen"}, {"SPINE_MODE", "frames"}});
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, args.args[0], &actions, &attr, args.args.data(), args.envp.data()), 0);
  close(fds[1]);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(Log().find("Shut down ORV\norv is shut down\n"), std::string::npos) << Log();
}

TEST(Spine, AZeroWidthOrHeightTakesTheCreatedWindowsSize) {
  for (auto [w, h] : {std::pair{"0", "200"}, std::pair{"320", "0"}}) {
    auto r = RunGame("spine_game", {{"SPINE_MODE", "screen"}, {"SPINE_FRAMES", "1"}, {"SPINE_SHOW_DESKTOP", "1"},
                                    {"SPINE_WIDTH", w}, {"SPINE_HEIGHT", h}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int dw = 0, dh = 0, sw = 0, sh = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "desktop=%dx%d\nscreen=%dx%d", &dw, &dh, &sw, &sh), 4) << r.out;
    EXPECT_GT(dw, 1);
    EXPECT_GT(dh, 1);
    // The side given stays; the side left at 0 is the window's, never a single pixel.
    EXPECT_EQ(sw, std::string(w) == "0" ? dw : 320) << r.out;
    EXPECT_EQ(sh, std::string(h) == "0" ? dh : 200) << r.out;
  }
}

TEST(Spine, AFlipWhoseWindowIsGoneEndsTheProgram) {
  auto r = RunGame("spine_game", {{"SPINE_MODE", "window-gone"}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "destroyed\nORV_ON_QUIT\nexit\n");
  EXPECT_NE(Log().find("Shut down ORV\norv is shut down\n"), std::string::npos) << Log();
}

}  // namespace
