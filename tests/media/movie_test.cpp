// Movies in a real GL window (offscreen driver): pictures in order and
// aspect-fit, the end of a round, looping, damaged and missing files, and
// the movie's sound on the mixer's disk output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/sound_device.h"
#include "files/asset_locator.h"
#include "gfx2d/opengl_vexel.h"
#include "gl/gl.h"
#include "media/movie_decoder.h"
#include "media/movie_player.h"
#include "orvane/media.h"
#include "orvane/runtime.h"
#include "runtime/clock.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"
#include "tests/media/media_files.h"

namespace {

using mediatest::CounterMovie;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// 10 pictures a second for 3 seconds, in two containers and codecs: a wide
// one (letterboxed in the 4:3 window) and a tall one (pillarboxed).
struct Clip {
  const char* name;
  int width, height;
  std::vector<std::string> codec;
};
const Clip kWide{"wide.mp4", 160, 90, {"-c:v", "mpeg4", "-q:v", "2", "-c:a", "aac"}};
const Clip kTall{"tall.mkv", 90, 160, {"-c:v", "mjpeg", "-q:v", "2", "-c:a", "flac"}};

std::string Make(const Clip& c, double seconds = 3) { return CounterMovie(c.name, c.width, c.height, 10, seconds, c.codec); }

class Movie : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", MixPath().c_str(), 1);
    ProjectSettings& s = orv::Rt().settings;
    s.width = kWidth;
    s.height = kHeight;
    s.frameRate = 0;
    s.multisample = 0;
    s.fullScreen = 0;
    s.exclusiveMouse = 0;
    orvtest::StartRuntimeUpTo("media");
  }
  void TearDown() override { orvtest::StopRuntime(); }

  static std::string MixPath() { return orvtest::PrivateDir() + "/mix.raw"; }

  // Red, green, blue of a back-buffer pixel, (x, y) from the top-left.
  static std::array<int, 3> Pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
  static bool Black(int x, int y) {
    const auto p = Pixel(x, y);
    return p[0] < 8 && p[1] < 8 && p[2] < 8;
  }
  // The frame number the counter colour at the centre stands for; -1 when
  // the pixel is not a counter colour.
  static int CounterAt(int x, int y) {
    const auto p = Pixel(x, y);
    if (std::abs(p[1] - 128) > 12 || std::abs(p[0] + p[2] - 255) > 16) return -1;
    return static_cast<int>(std::lround(p[0] / 8.0));
  }
};

class MoviePictures : public Movie, public testing::WithParamInterface<Clip> {};

TEST_P(MoviePictures, FramesAppearInOrderAspectFitAndTheRoundEnds) {
  const Clip& clip = GetParam();
  const std::string path = Make(clip);
  orv::MovieSession session;
  ASSERT_TRUE(session.Open(path, false));
  session.Start(1000);
  const orv::FitRect fit = orv::FitMovie(clip.width, clip.height, kWidth, kHeight);
  const int cx = fit.x + fit.w / 2, cy = fit.y + fit.h / 2;
  int last = -1;
  for (int t = 0; t < 3000; t += 100) {
    ASSERT_TRUE(session.Frame(1000 + t + 50, kWidth, kHeight)) << t;
    const int n = CounterAt(cx, cy);
    EXPECT_EQ(n, t / 100) << "at " << t << " ms";
    EXPECT_GT(n, last);
    last = n;
    // Inside the fitted rectangle the movie, outside it black.
    EXPECT_EQ(CounterAt(fit.x, fit.y), n);
    EXPECT_EQ(CounterAt(fit.x + fit.w - 1, fit.y + fit.h - 1), n);
    if (fit.y > 0) {
      EXPECT_TRUE(Black(cx, fit.y - 1));
    }
    if (fit.x > 0) {
      EXPECT_TRUE(Black(fit.x - 1, cy));
    }
  }
  // The last picture stays for its frame time, then the round is over.
  EXPECT_FALSE(session.Frame(1000 + 3100, kWidth, kHeight));
}

INSTANTIATE_TEST_SUITE_P(Containers, MoviePictures, testing::Values(kWide, kTall),
                         [](const auto& info) { return std::string(info.param.name).substr(0, 4); });

TEST(MovieFit, KeepsTheAspectAndCentres) {
  const orv::FitRect wide = orv::FitMovie(160, 90, 64, 48);
  EXPECT_EQ(wide.w, 64);
  EXPECT_EQ(wide.h, 36);
  EXPECT_EQ(wide.x, 0);
  EXPECT_EQ(wide.y, 6);
  const orv::FitRect tall = orv::FitMovie(90, 160, 64, 48);
  EXPECT_EQ(tall.h, 48);
  EXPECT_EQ(tall.w, 27);
  EXPECT_EQ(tall.x, 18);
  EXPECT_EQ(orv::FitMovie(0, 10, 64, 48).w, 0);
}

TEST_F(Movie, SkipsPicturesThatAreLateAndRestartsForTheLoop) {
  orv::MovieSession session;
  ASSERT_TRUE(session.Open(Make(kWide), false));
  session.Start(0);
  ASSERT_TRUE(session.Frame(0, kWidth, kHeight));
  EXPECT_EQ(session.ShownMs(), 0);
  // A slow frame: the picture due now is shown, the ones between skipped.
  ASSERT_TRUE(session.Frame(1250, kWidth, kHeight));
  EXPECT_EQ(CounterAt(32, 24), 12);
  EXPECT_FALSE(session.Frame(3200, kWidth, kHeight));
  ASSERT_TRUE(session.Restart(5000));
  ASSERT_TRUE(session.Frame(5000, kWidth, kHeight));
  EXPECT_EQ(CounterAt(32, 24), 0);
  ASSERT_TRUE(session.Frame(5350, kWidth, kHeight));
  EXPECT_EQ(CounterAt(32, 24), 3);
}

TEST_F(Movie, MissingOrNonMediaFileGivesThree) {
  EXPECT_EQ(PlayMovie("no-such-movie.mp4", 0), 3);
  const std::string text = orvtest::PrivateDir() + "/notes.mp4";
  orvtest::WriteFile(text, std::string(5000, 'x'));
  EXPECT_EQ(PlayMovie(text.c_str(), 0), 3);
  // A file with sound only has no pictures to show.
  EXPECT_EQ(PlayMovie(mediatest::Tone("only-sound.ogg", 1).c_str(), 0), 3);
}

TEST_F(Movie, TruncatedFilesEndCleanly) {
  for (const Clip& clip : {kWide, kTall}) {
    const std::string whole = orvtest::ReadFile(Make(clip));
    for (double part : {0.1, 0.5, 0.9}) {
      const std::string cut = orvtest::PrivateDir() + "/cut-" + clip.name;
      orvtest::WriteFile(cut, whole.substr(0, static_cast<size_t>(whole.size() * part)));
      orv::MovieSession session;
      if (!session.Open(cut, false)) continue;  // the container's index was cut off
      session.Start(0);
      int frames = 0;
      for (int t = 0; t < 10000 && session.Frame(t, kWidth, kHeight); t += 100) ++frames;
      EXPECT_LT(frames, 40) << clip.name << " cut at " << part;
    }
    // The blocking player gives 0 or 3 for them, and returns.
    const double r = PlayMovie((orvtest::PrivateDir() + "/cut-" + clip.name).c_str(), 0);
    EXPECT_TRUE(r == 0 || r == 3) << r;
  }
}

TEST_F(Movie, AnArchivedMoviePlaysFromATemporaryFile) {
  const std::string clip = CounterMovie("packed_intro.mp4", 160, 90, 10, 0.5, kWide.codec);
  const std::string carrier = orvtest::PrivateDir() + "/carrier.bin";
  orvtest::WriteFile(carrier, std::string(64, 'x'));
  const orvtest::ProcessResult r =
      orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-pack"), "append", carrier, clip});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::remove(clip.c_str());
  orv::Rt().movieLocator->Reset(carrier.c_str());
  const double start = orv::ClockMs();
  EXPECT_EQ(PlayMovie("packed_intro.mp4", 0), 0);
  EXPECT_GT(orv::ClockMs() - start, 400);
  EXPECT_NE(orv::Rt().movieLocator->TempFile().find("packed_intro.mp4"), std::string::npos);
  EXPECT_EQ(PlayMovie("not_packed.mp4", 0), 3);
}

TEST_F(Movie, PlaysToTheEndWithItsSoundOnTheMixer) {
  // 1.5 s at 10 pictures a second, the runtime's pacing at 60 flips a second.
  const std::string path = CounterMovie("av.mp4", 160, 90, 10, 1.5, kWide.codec);
  orv::Rt().device->SetFrameRate(60);
  const double start = orv::ClockMs();
  EXPECT_EQ(PlayMovie(path.c_str(), 0), 0);
  const double took = orv::ClockMs() - start;
  EXPECT_GT(took, 1400);
  EXPECT_LT(took, 2500);
  orvtest::StopRuntime();
  const std::string raw = orvtest::ReadFile(MixPath());
  size_t first = 0, last = 0;
  for (size_t i = 0; i + 2 <= raw.size(); i += 4) {
    const int16_t v = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | static_cast<uint8_t>(raw[i + 1]) << 8);
    if (std::abs(v) <= 500) continue;
    if (!first) first = i / 4;
    last = i / 4;
  }
  // The movie's 1.5 s of tone reached the output, whole.
  EXPECT_NEAR(static_cast<double>(last - first) / 22050, 1.5, 0.05);
}

}  // namespace
