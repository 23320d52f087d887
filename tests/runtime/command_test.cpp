// Runtime commands seen from a running game: calls by name, the frame rate
// the game sets, the pause switch, ending into another program, and the log
// text a game writes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "orvane/runtime.h"
#include "support/test_support.h"

namespace {

orvtest::ProcessResult RunGame(std::map<std::string, std::string> env) {
  return orvtest::RunOffscreenGame("tests/runtime/command_game", std::move(env));
}

std::string Log() { return orvtest::ErrorLogText(); }

// The number after `key=` in the output; -1 when it is missing.
long Value(const std::string& out, const std::string& key) {
  size_t at = out.find(key + "=");
  return at == std::string::npos ? -1 : std::atol(out.c_str() + at + key.size() + 1);
}

TEST(RuntimeCommands, CallByNameCallsOnlyTheFunctionOfThatExactName) {
  auto r = RunGame({{"COMMAND_MODE", "call"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "GREET=1 greetings=1\ngreet=0 greetings=1\nMISSING=0 greetings=1\nexit\n");
}

TEST(RuntimeCommands, TheFrameRateTheGameSetsPacesTheFlip) {
  // Settings ask for 500 frames a second; the game asks for 30: 30 frames
  // then take a second, whatever the settings said.
  const auto start = std::chrono::steady_clock::now();
  auto slow = RunGame({{"COMMAND_MODE", "pacing"}, {"COMMAND_FPS", "500"}, {"COMMAND_SET_FPS", "30"}});
  const double wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(slow.exitCode, 0) << slow.err;
  const long paced = Value(slow.out, "ms");
  EXPECT_GE(paced, 950) << slow.out;
  EXPECT_LT(paced, 3000) << slow.out;
  EXPECT_GE(wallMs, 950);

  // And the other way round: 0 lifts the 30 of the settings to the
  // fastest rate, 2 ms a frame.
  auto fast = RunGame({{"COMMAND_MODE", "pacing"}, {"COMMAND_FPS", "30"}, {"COMMAND_SET_FPS", "0"}});
  ASSERT_EQ(fast.exitCode, 0) << fast.err;
  const long unpaced = Value(fast.out, "ms");
  EXPECT_GE(unpaced, 0) << fast.out;
  EXPECT_LT(unpaced, paced / 2) << fast.out;
}

TEST(RuntimeCommands, FocusChangesPauseOnlyWhileTheRuntimeIsActive) {
  auto r = RunGame({{"COMMAND_MODE", "inactive"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Switched off, a focus loss neither pauses nor holds the frames; switched
  // back on (any non-zero value is on), the same loss pauses again.
  EXPECT_EQ(r.out,
            "off=0\nframes ran while inactive\non=1\n"
            "ORV_ON_PAUSE\nORV_ON_RESUME\nframes ran while active\nexit\n");
}

TEST(RuntimeCommands, EndAndRunShutsDownThenStartsTheProgram) {
  // The program started records whether the game had already shut down.
  const std::string dir = orvtest::PrivateDir();
  const std::string script = dir + "/after.sh";
  orvtest::WriteFile(script, "#!/bin/sh\ngrep -c 'orv is shut down' \"" + dir + "/ErrorLog.txt\" > \"" + dir +
                                 "/ran.tmp\"\nmv \"" + dir + "/ran.tmp\" \"" + dir + "/ran.txt\"\n");
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
  auto r = RunGame({{"COMMAND_MODE", "end-and-run"}, {"COMMAND_RUN", script}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ending\n");
  for (int i = 0; i < 100 && !orvtest::Exists(dir + "/ran.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(orvtest::Exists(dir + "/ran.txt")) << "the program was not started";
  EXPECT_EQ(orvtest::ReadFile(dir + "/ran.txt"), "1\n");
  EXPECT_NE(Log().find("Init Finalized\nShut down ORV\n"), std::string::npos) << Log();

  // Nothing to run: the game still ends in order.
  auto plain = RunGame({{"COMMAND_MODE", "end-and-run"}, {"COMMAND_RUN", ""}});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_NE(Log().find("orv is shut down\n"), std::string::npos) << Log();
}

TEST(RuntimeCommands, LogTextAppendsTheTextAsItIs) {
  const std::string log = orvtest::PrivateDir() + "/ErrorLog.txt";
  orvtest::WriteFile(log, "earlier\n");
  LogText("no newline");
  LogText(" 100%s %d\n");  // a text, not a format
  LogText("");
  EXPECT_EQ(orvtest::ReadFile(log), "earlier\nno newline 100%s %d\n");
}

}  // namespace
