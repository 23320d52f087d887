// Movies in a real GL window (offscreen driver): pictures in order and
// aspect-fit, the end of a round, looping, damaged and missing files, and
// the movie's sound on the mixer's disk output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

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
  // The MP4's index is written first, so every cut of it still opens (one
  // with its index last is refused: nothing can be found in it).
  Clip wide = kWide;
  wide.codec.insert(wide.codec.end(), {"-movflags", "+faststart"});
  for (const Clip& clip : {wide, kTall}) {
    SCOPED_TRACE(clip.name);
    const std::string whole = orvtest::ReadFile(Make(clip));
    const std::string cut = orvtest::PrivateDir() + "/cut-" + clip.name;
    for (double part : {0.9, 0.5, 0.1}) {
      orvtest::WriteFile(cut, whole.substr(0, static_cast<size_t>(whole.size() * part)));
      orv::MovieSession session;
      ASSERT_TRUE(session.Open(cut, false)) << "cut at " << part;
      session.Start(0);
      // Fewer pictures than the part of the file left (the whole has 30).
      int frames = 0;
      for (int t = 0; t < 10000 && session.Frame(t, kWidth, kHeight); t += 100) ++frames;
      EXPECT_LE(frames, 31 * part + 2) << "cut at " << part;
      if (part > 0.4) {
        EXPECT_GE(frames, 31 * part / 2) << "cut at " << part;
      }
    }
    // The blocking player plays what is left of the shortest cut, and returns.
    EXPECT_EQ(PlayMovie(cut.c_str(), 0), 0);
  }
  const std::string indexLast = orvtest::ReadFile(Make(kWide));
  const std::string cut = orvtest::PrivateDir() + "/index-cut-off.mp4";
  orvtest::WriteFile(cut, indexLast.substr(0, indexLast.size() / 2));
  EXPECT_EQ(PlayMovie(cut.c_str(), 0), 3);
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
  // The extracted copy went as soon as the decoder had it open: a game
  // killed during its movie leaves nothing in the temporary folder.
  for (const auto& entry : std::filesystem::directory_iterator(orvtest::PrivateDir()))
    EXPECT_EQ(entry.path().filename().string().find("packed_intro.mp4"), std::string::npos) << entry.path();
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

// Every picture and every sample of a movie straight from the decoder.
struct Decoded {
  std::vector<double> times;
  std::vector<int> counters;  // the frame number each picture's colour stands for
  std::vector<int16_t> sound;
  bool hasSound = false;
};
Decoded DecodeAll(const std::string& path, int soundRate = 0) {
  Decoded d;
  orv::MovieDecoder decoder;
  EXPECT_TRUE(decoder.OpenFile(path, soundRate)) << path;
  d.hasSound = decoder.HasSound();
  for (int step = 0; step < 100000; ++step) {
    const bool more = decoder.Step();
    for (const orv::MoviePicture& p : decoder.Pictures()) {
      d.times.push_back(p.timeMs);
      const uint8_t* centre = p.rgba.data() + (static_cast<size_t>(p.height / 2) * p.width + p.width / 2) * 4;
      d.counters.push_back(static_cast<int>(std::lround(centre[0] / 8.0)));
    }
    decoder.Pictures().clear();
    d.sound.insert(d.sound.end(), decoder.Sound().begin(), decoder.Sound().end());
    decoder.Sound().clear();
    if (!more) break;
  }
  return d;
}

TEST(MovieDecoding, EveryPictureComesOutOnceInOrderWhateverTheStampsDo) {
  struct Case {
    const char* what;
    std::string path;
  } cases[] = {
      // B-frames: the decoder holds the last pictures back until it is drained.
      {"B-frames", CounterMovie("bframes.mp4", 64, 48, 10, 3, {"-c:v", "mpeg4", "-bf", "2", "-q:v", "2"}, false)},
      // The stamps jump an hour ahead after the tenth picture (a joined or
      // damaged file): the pictures go on from the next one, not an hour later.
      {"a jump in the stamps",
       mediatest::Ffmpeg({"-f", "lavfi", "-i",
                          "testsrc=size=64x48:rate=10:duration=3,geq=r='8*N':g='128':b='255-8*N',"
                          "setpts='PTS+gte(N\\,10)*3600/TB'",
                          "-c:v", "mjpeg", "-q:v", "2"},
                         "jump.mkv")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded d = DecodeAll(c.path);
    ASSERT_EQ(d.times.size(), 30u);
    for (size_t i = 0; i < d.times.size(); ++i) {
      EXPECT_EQ(d.counters[i], static_cast<int>(i));
      EXPECT_NEAR(d.times[i], 100.0 * i, 1) << i;
    }
  }
}

TEST(MovieDecoding, SoundThatStartsAfterThePicturesIsHeardAfterThem) {
  // Pictures from 0 s, the tone from 0.5 s: both measured on one timeline,
  // the tone's first sample is heard half a second in.
  const std::string path = mediatest::Ffmpeg(
      {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=10:duration=2", "-itsoffset", "0.5", "-f", "lavfi", "-i",
       "sine=frequency=441:sample_rate=22050:duration=1.5", "-c:v", "mjpeg", "-c:a", "pcm_s16le"},
      "late.mkv");
  const Decoded d = DecodeAll(path, 22050);
  ASSERT_TRUE(d.hasSound);
  ASSERT_FALSE(d.times.empty());
  EXPECT_EQ(d.times[0], 0);
  const auto loud = std::find_if(d.sound.begin(), d.sound.end(), [](int16_t v) { return std::abs(v) > 500; });
  ASSERT_NE(loud, d.sound.end());
  EXPECT_NEAR(static_cast<double>(loud - d.sound.begin()) / 2 / 22050, 0.5, 0.005);
  EXPECT_NEAR(static_cast<double>(d.sound.size()) / 2 / 22050, 2.0, 0.01);
}

TEST(MovieDecoding, SoundAtAnAbsurdRateIsLeftOutAndThePicturesStay) {
  // An AVI's sound rate patched in its format chunk, as a damaged header has it.
  const std::string avi = orvtest::ReadFile(mediatest::Ffmpeg(
      {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=10:duration=3", "-f", "lavfi", "-i",
       "sine=frequency=441:sample_rate=22050:duration=3", "-c:v", "mjpeg", "-c:a", "pcm_s16le", "-ac", "1"},
      "rate.avi"));
  const size_t format = avi.find("strf", avi.find("auds"));
  ASSERT_NE(format, std::string::npos);
  for (uint32_t rate : {1u, 8u, 100u, 1000u, 1000000u, 8000u}) {
    SCOPED_TRACE(rate);
    std::string patched = avi;
    for (int i = 0; i < 4; ++i) patched[format + 12 + i] = static_cast<char>(rate >> (8 * i));
    const std::string path = orvtest::PrivateDir() + "/patched.avi";
    orvtest::WriteFile(path, patched);
    orv::MovieDecoder probe;
    ASSERT_TRUE(probe.OpenFile(path, 22050));
    ASSERT_EQ(probe.HasSound(), rate == 8000);  // decoding the others would take gigabytes
    const Decoded d = DecodeAll(path, 22050);
    EXPECT_EQ(d.times.size(), 30u);
  }
}

TEST_F(Movie, OnePictureOverALongSoundtrackDecodesOnlySecondsAhead) {
  // A sound file with cover art plays as a movie of one picture.
  const std::string path = mediatest::Ffmpeg(
      {"-f", "lavfi", "-i", "sine=frequency=441:sample_rate=22050:duration=30", "-f", "lavfi", "-i",
       "color=c=red:s=64x48:d=1", "-map", "0:a", "-map", "1:v", "-c:a", "libmp3lame", "-c:v", "mjpeg", "-frames:v", "1",
       "-disposition:v", "attached_pic"},
      "cover.mp3");
  orv::MovieSession session;
  ASSERT_TRUE(session.Open(path, true));
  ASSERT_TRUE(session.Decoder().HasSound());
  session.Start(orv::ClockMs());
  ASSERT_TRUE(session.Frame(orv::ClockMs(), kWidth, kHeight));
  EXPECT_GE(session.ShownMs(), 0);
  EXPECT_LT(session.Decoder().SoundEndMs(), 3000);
}

TEST_F(Movie, SoundIsStillHeardWholeAfterTheRuntimeClockTakesOver) {
  // The tone's packets lie behind more pictures than are held ahead, so the
  // first frames find no sound and the runtime's clock takes over; the tone
  // still plays, and the movie ends only once it has been heard.
  const std::string path = mediatest::Ffmpeg(
      {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=50:duration=2.5", "-itsoffset", "1.2", "-f", "lavfi", "-i",
       "sine=frequency=441:sample_rate=22050:duration=1.3", "-c:v", "mjpeg", "-q:v", "5", "-c:a", "pcm_s16le"},
      "behind.mkv");
  orv::Rt().device->SetFrameRate(60);
  EXPECT_EQ(PlayMovie(path.c_str(), 0), 0);
  orvtest::StopRuntime();
  const std::string raw = orvtest::ReadFile(MixPath());
  size_t first = 0, last = 0;
  for (size_t i = 0; i + 2 <= raw.size(); i += 4) {
    const int16_t v = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | static_cast<uint8_t>(raw[i + 1]) << 8);
    if (std::abs(v) <= 500) continue;
    if (!first) first = i / 4;
    last = i / 4;
  }
  EXPECT_NEAR(static_cast<double>(last - first) / 22050, 1.3, 0.05);
}

}  // namespace
