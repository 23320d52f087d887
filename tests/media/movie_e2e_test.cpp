// A movie played by a real game under Xvfb, driven with xdotool: the
// pictures reach the window in order, a key press ends the movie, the loop
// flag replays it, and the key that started a movie does not end it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "support/test_support.h"
#include "tests/media/media_files.h"
#include "tools/screen_grab/screen_grab.h"

namespace {

using orvtest::Child;
using orvtest::VirtualDisplay;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class MovieGame : public testing::Test {
 protected:
  VirtualDisplay x{800, 600};

  std::unique_ptr<Child> Start(const std::string& movie, bool loop, bool afterKey = false) {
    orvtest::ProcessOptions opt = x.ProgramOptions();
    opt.env["SDL_AUDIODRIVER"] = "disk";
    opt.env["SDL_DISKAUDIOFILE"] = orvtest::PrivateDir() + "/audio.raw";
    opt.env["MOVIE"] = movie;
    opt.env["MOVIE_LOOP"] = loop ? "1" : "0";
    if (afterKey) opt.env["MOVIE_AFTER_KEY"] = "1";
    return std::make_unique<Child>(std::vector<std::string>{orvtest::BinaryPath("tests/media/movie_game")}, opt);
  }

  std::string Window() { return x.FindWindow("movie", 20); }

  // The frame number shown at a point of the window (the counter colour:
  // red 8 x frame, green 128), or -1.
  int CounterAt(const std::string& id, int px, int py) {
    const VirtualDisplay::Geometry g = x.WindowGeometry(id);
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> p;
    if (!reader.Read(g.x + px, g.y + py, 1, 1, p) || p.empty()) return -1;
    const int r = p[0] >> 16 & 255, gr = p[0] >> 8 & 255, b = p[0] & 255;
    if (std::abs(gr - 128) > 12 || std::abs(r + b - 255) > 16) return -1;
    return (r + 4) / 8;
  }

  bool Black(const std::string& id, int px, int py) {
    const VirtualDisplay::Geometry g = x.WindowGeometry(id);
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> p;
    return reader.Read(g.x + px, g.y + py, 1, 1, p) && !p.empty() && (p[0] & 0xF8F8F8) == 0;
  }

  void Press(const std::string& id, const std::string& key) {
    x.Xdotool({"windowfocus", "--sync", id});
    Sleep(100);
    x.Xdotool({"keydown", key});
    Sleep(150);
    x.Xdotool({"keyup", key});
  }

  // "result R after T ms" from the game's output; false when not there yet.
  static bool Result(const Child& game, double& result, double& ms) {
    const std::string out = game.Out();
    const size_t at = out.find("result ");
    return at != std::string::npos && std::sscanf(out.c_str() + at, "result %lf after %lf ms", &result, &ms) == 2;
  }
};

TEST_F(MovieGame, PicturesShowInOrderLetterboxedAndAKeyEndsTheMovie) {
  ASSERT_TRUE(x.Ok());
  // 160 x 90 in the 320 x 240 window: 320 x 180, black bands of 30 rows.
  const std::string movie = mediatest::CounterMovie("long.mp4", 160, 90, 10, 8, {"-c:v", "mpeg4", "-q:v", "2"});
  auto game = Start(movie, false);
  ASSERT_TRUE(game->WaitForOutput("playing", 20)) << game->Err();
  const std::string id = Window();
  ASSERT_FALSE(id.empty());
  Sleep(700);
  // The pictures advance at 10 per second of real time: the bounds follow the
  // time the two reads really lay apart, so a slow read on a busy machine
  // widens them instead of failing the test.
  using Clock = std::chrono::steady_clock;
  const auto before1 = Clock::now();
  const int early = CounterAt(id, 160, 120);
  const auto after1 = Clock::now();
  EXPECT_TRUE(Black(id, 160, 10));
  EXPECT_TRUE(Black(id, 160, 229));
  EXPECT_GE(CounterAt(id, 2, 32), 0);  // the movie's top-left corner
  Sleep(1000);
  const auto before2 = Clock::now();
  const int later = CounterAt(id, 160, 120);
  const auto after2 = Clock::now();
  auto tenths = [](Clock::duration d) { return std::chrono::duration<double>(d).count() * 10; };
  EXPECT_GE(early, 0);
  EXPECT_GE(later - early, tenths(before2 - after1) - 3) << early << " then " << later;
  EXPECT_LE(later - early, tenths(after2 - before1) + 3) << early << " then " << later;
  Press(id, "a");
  ASSERT_TRUE(game->Wait(10)) << game->Out();
  double result = -1, ms = 0;
  ASSERT_TRUE(Result(*game, result, ms)) << game->Out();
  EXPECT_EQ(result, 0);
  EXPECT_LT(ms, 5000);
}

TEST_F(MovieGame, TheLoopFlagReplaysUntilAKey) {
  ASSERT_TRUE(x.Ok());
  const std::string movie = mediatest::CounterMovie("short.mkv", 160, 120, 10, 1, {"-c:v", "mjpeg", "-q:v", "2", "-c:a", "flac"});
  auto game = Start(movie, true);
  ASSERT_TRUE(game->WaitForOutput("playing", 20)) << game->Err();
  const std::string id = Window();
  ASSERT_FALSE(id.empty());
  // Three rounds of the one-second movie: the counter starts again.
  bool wrapped = false;
  int last = -1;
  for (int i = 0; i < 60 && !wrapped; ++i) {
    const int n = CounterAt(id, 160, 120);
    if (n >= 0 && last >= 5 && n < last) wrapped = true;
    if (n >= 0) last = n;
    Sleep(50);
  }
  EXPECT_TRUE(wrapped);
  Sleep(1500);
  double result = -1, ms = 0;
  EXPECT_FALSE(Result(*game, result, ms)) << "the loop ended by itself";
  Press(id, "b");
  ASSERT_TRUE(game->Wait(10)) << game->Out();
  ASSERT_TRUE(Result(*game, result, ms)) << game->Out();
  EXPECT_EQ(result, 0);
  EXPECT_GT(ms, 2500);
}

TEST_F(MovieGame, TheKeyThatStartedItDoesNotEndIt) {
  ASSERT_TRUE(x.Ok());
  const std::string movie = mediatest::CounterMovie("held.mp4", 160, 120, 10, 8, {"-c:v", "mpeg4"});
  auto game = Start(movie, false, true);
  ASSERT_TRUE(game->WaitForOutput("waiting", 20)) << game->Err();
  const std::string id = Window();
  ASSERT_FALSE(id.empty());
  x.Xdotool({"windowfocus", "--sync", id});
  Sleep(200);
  x.Xdotool({"keydown", "space"});
  ASSERT_TRUE(game->WaitForOutput("playing", 10));
  Sleep(800);  // held all along: the movie waits for the release
  x.Xdotool({"keyup", "space"});
  Sleep(800);  // released: still playing
  double result = -1, ms = 0;
  EXPECT_FALSE(Result(*game, result, ms)) << game->Out();
  Press(id, "space");  // pressed again: the movie ends
  ASSERT_TRUE(game->Wait(10)) << game->Out();
  ASSERT_TRUE(Result(*game, result, ms)) << game->Out();
  EXPECT_EQ(result, 0);
  EXPECT_LT(ms, 5000);
}

TEST_F(MovieGame, ClosingTheWindowEndsTheProgram) {
  ASSERT_TRUE(x.Ok());
  const std::string movie = mediatest::CounterMovie("closed.mp4", 160, 120, 10, 8, {"-c:v", "mpeg4"});
  auto game = Start(movie, true);
  ASSERT_TRUE(game->WaitForOutput("playing", 20)) << game->Err();
  const std::string id = Window();
  ASSERT_FALSE(id.empty());
  Sleep(500);
  ASSERT_TRUE(x.RequestClose(id));
  ASSERT_TRUE(game->Wait(10));
  EXPECT_EQ(game->ExitCode(), 0);
  EXPECT_EQ(game->Out().find("result"), std::string::npos) << "the game went on after its window closed";
}

}  // namespace
