// The quit keys and the start-up of input, seen from outside: the input test
// game runs as a process on the offscreen driver with pushed key events.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

orvtest::ProcessResult RunGame(std::map<std::string, std::string> env) {
  return orvtest::RunOffscreenGame("tests/input/input_game", std::move(env));
}

std::string Log() { return orvtest::ErrorLogText(); }

TEST(QuitKeys, EscapeEndsTheGameWhileEnabled) {
  auto r = RunGame({{"INPUT_MODE", "quit"}, {"INPUT_KEYS", "escape"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "escape down\nexit\n");
  EXPECT_NE(Log().find("Shut down ORV\norv is shut down\n"), std::string::npos) << Log();

  auto off = RunGame({{"INPUT_MODE", "quit"}, {"INPUT_KEYS", "escape"}, {"INPUT_ESCAPE", "0"}});
  ASSERT_EQ(off.exitCode, 0) << off.err;
  EXPECT_EQ(off.out, "escape down\nstill running after escape\nexit\n");
}

TEST(QuitKeys, AltF4EndsTheGameAlwaysButNeitherKeyAlone) {
  auto r = RunGame({{"INPUT_MODE", "quit"}, {"INPUT_KEYS", "altf4"}, {"INPUT_ESCAPE", "0"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "alone they do nothing\nalt+f4 down\nexit\n");
}

TEST(InputStart, AnExclusiveMouseThatCannotBeCapturedIsLoggedAndTheGameRuns) {
  // The offscreen driver has no relative mouse mode.
  auto r = RunGame({{"INPUT_MODE", "quit"}, {"INPUT_KEYS", "escape"}, {"INPUT_EXCLUSIVE", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "escape down\nexit\n");
  EXPECT_NE(Log().find("Create DXin\ncan't aquire mouse - first try\nNo DX_Mouse\nreptr\n"), std::string::npos)
      << Log();

  auto plain = RunGame({{"INPUT_MODE", "quit"}, {"INPUT_KEYS", "escape"}});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out, "escape down\nexit\n");
  EXPECT_NE(Log().find("Create DXin\nreptr\n"), std::string::npos) << Log();
}

}  // namespace
