// Music through the mixer's music stream: what reaches the disk output, and
// the loop, pause and volume bookkeeping.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "files/asset_locator.h"
#include "media/music_mixer.h"
#include "media/music_player.h"
#include "orvane/media.h"
#include "orvane/runtime.h"
#include "runtime/clock.h"
#include "runtime/main_loop.h"
#include "tests/audio/audio_fixture.h"
#include "tests/media/media_files.h"

namespace {

using mediatest::Tone;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int Peak(const std::vector<int16_t>& s, size_t from, size_t to) {
  int p = 0;
  for (size_t i = from; i < std::min(to, s.size()); ++i) p = std::max(p, std::abs(static_cast<int>(s[i])));
  return p;
}

// Frames of the mix (22050 per second) in which the signal is audible.
size_t Loud(const std::vector<int16_t>& s, int threshold = 500) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [&](int16_t v) { return std::abs(v) > threshold; }));
}

// Amplitude of the `hz` component over frames [from, from + n) of the mix.
double Amplitude(const std::vector<int16_t>& s, size_t from, size_t n, double hz) {
  double c = 0, q = 0;
  for (size_t i = from; i < from + n && i < s.size(); ++i) {
    const double w = 2 * M_PI * hz * static_cast<double>(i) / 22050;
    c += s[i] * std::cos(w);
    q += s[i] * std::sin(w);
  }
  return 2 * std::hypot(c, q) / static_cast<double>(n);
}

class Music : public audiotest::AudioTest {
 protected:
  Music() : AudioTest(true) {}
  void SetUp() override {
    AudioTest::SetUp();
    orvtest::StartRuntimeUpTo("media");
    ASSERT_TRUE(orv::Rt().music);
  }
  static orv::MusicPlayer& Player() { return *orv::Rt().music; }
  // Waits (bounded) until the mix written so far has grown by `seconds` of sound.
  static void WaitForOutput(double seconds) {
    const std::string path = MixPath();
    auto bytes = [&] {
      struct stat st;
      return ::stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
    };
    const double until = bytes() + seconds * 22050 * 4;
    for (int i = 0; i < 3000 && bytes() < until; ++i) Sleep(5);
  }
};

TEST_F(Music, PlaysThenStopSilences) {
  const std::string tone = Tone("tone.ogg", 3);
  PlayMusic(tone.c_str(), 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(IsMusicPlaying(), 1);
  Sleep(600);
  StopMusic();
  EXPECT_EQ(IsMusicPlaying(), 0);
  Sleep(400);
  Close();
  const Mix m = ReadMix();
  // About half a second of tone, then nothing.
  EXPECT_GT(Peak(m.left, 0, m.left.size()), 2000);
  const size_t loud = Loud(m.left);
  EXPECT_GT(loud, 22050u * 3 / 10);
  EXPECT_LT(loud, 22050u * 9 / 10);
}

TEST_F(Music, MissingOrNonMediaFileIsErrorThree) {
  PlayMusic("no-such-tune.ogg", 1);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(IsMusicPlaying(), 0);
  PlayMusic(Write("notes.ogg", "these are not sounds").c_str(), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(IsMusicPlaying(), 0);
  // A failed play also stopped what played before.
  PlayMusic(Tone("t.wav", 2).c_str(), 0);
  ASSERT_EQ(ErrorCode(), 0);
  PlayMusic("still-missing.mp3", 0);
  EXPECT_EQ(IsMusicPlaying(), 0);
}

TEST_F(Music, HeadersTheMixerCannotTakeAndNamedPipesAreRefused) {
  using namespace wavtest;
  const std::string data = Chunk("data", Samples16(std::vector<int16_t>(2000, 3000)));
  auto fmt = [](uint16_t channels, uint32_t rate = 22050) {
    Format f;
    f.channels = channels;
    f.rate = rate;
    f.blockAlign = 2;
    return FmtChunk(f);
  };
  // AIFF: big-endian chunks; the rate is an 80-bit float (22050 here).
  auto aiff = [](int16_t channels) {
    auto be = [](uint32_t v, int n) {
      std::string s;
      for (int i = n - 1; i >= 0; --i) s += static_cast<char>(v >> (8 * i) & 255);
      return s;
    };
    const std::string comm = "COMM" + be(18, 4) + be(static_cast<uint16_t>(channels), 2) + be(1000, 4) + be(16, 2) +
                             std::string("\x40\x0D\xAC\x44\0\0\0\0\0\0", 10);
    const std::string ssnd = "SSND" + be(2008, 4) + std::string(2008, '\x10');
    return "FORM" + be(static_cast<uint32_t>(4 + comm.size() + ssnd.size()), 4) + "AIFF" + comm + ssnd;
  };
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {
      {"no channels", Riff(fmt(0) + data)},
      {"256 channels", Riff(fmt(256) + data)},
      {"a second format after the data", Riff(fmt(1) + data + fmt(0))},
      {"not WAVE", "RIFF" + Le32(4) + "AVI " + fmt(0) + data},
      {"a rate of 1", Riff(fmt(1, 1) + data)},
      {"AIFF without channels", aiff(0)},
      {"AIFF with 256 channels", aiff(256)},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.what);
    PlayMusic(Write("bad.wav", f.bytes).c_str(), 0);
    EXPECT_EQ(ErrorCode(), 3);
    EXPECT_EQ(IsMusicPlaying(), 0);
  }
  PlayMusic(Write("good.aif", aiff(1)).c_str(), 0);
  EXPECT_EQ(ErrorCode(), 0);

  // A named pipe nobody writes to: refused at once, never waited on.
  const std::string pipe = orvtest::PrivateDir() + "/pipe.wav";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  PlayMusic(pipe.c_str(), 1);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(PlayMovie(pipe.c_str(), 0), 3);
  LoadSound(pipe.c_str(), 1, 1);
  EXPECT_EQ(ErrorCode(), 3);
}

TEST_F(Music, OneShotEndsAndLoopingKeepsPlaying) {
  PlayMusic(Tone("short.flac", 0.3).c_str(), 0);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Player().LoopEnd(), 0);
  Sleep(700);
  EXPECT_EQ(IsMusicPlaying(), 0);
  PlayMusic(Tone("short.flac", 0.3).c_str(), 1);
  Sleep(700);
  EXPECT_EQ(IsMusicPlaying(), 1);
}

TEST_F(Music, PauseGivesSilenceAndResumeGoesOn) {
  PlayMusic(Tone("long.ogg", 5).c_str(), 0);
  ASSERT_EQ(ErrorCode(), 0);
  Sleep(400);
  PauseMusic(1);
  EXPECT_EQ(IsMusicPlaying(), 1);  // paused, not over
  Sleep(800);
  PauseMusic(0);
  Sleep(400);
  StopMusic();
  Close();
  const Mix m = ReadMix();
  // Tone, a silence of about 0.8 s in the middle, tone again.
  const auto first = std::find_if(m.left.begin(), m.left.end(), [](int16_t v) { return std::abs(v) > 500; });
  ASSERT_NE(first, m.left.end());
  size_t longestQuiet = 0, run = 0;
  for (auto it = first; it != m.left.end(); ++it) {
    run = std::abs(*it) > 20 ? 0 : run + 1;
    longestQuiet = std::max(longestQuiet, run);
  }
  EXPECT_GT(longestQuiet, 22050u * 6 / 10);
  EXPECT_GT(Loud(m.left), 22050u * 5 / 10);
}

TEST_F(Music, ShortLoopRestartsEveryHalfSecondWhenDue) {
  // 0.2 s of tone, looping: the track restarts at the 500 ms floor.
  const std::string blip = Tone("blip.wav", 0.2);
  const double before = orv::ClockMs();
  PlayMusic(blip.c_str(), 1);
  ASSERT_EQ(ErrorCode(), 0);
  const double start = orv::ClockMs();
  // Due 500 ms after the track started, however long opening it took.
  EXPECT_GE(Player().LoopEnd(), before + 500);
  EXPECT_LE(Player().LoopEnd(), start + 500);
  while (orv::ClockMs() - start < 2200) {  // message steps for 2.2 s: restarts at 0.5, 1, 1.5, 2 s
    orv::ProcessMessages();
    Sleep(20);
  }
  StopMusic();
  Close();
  const Mix m = ReadMix();
  // Count starts of tone bursts separated by silence.
  int bursts = 0;
  size_t quiet = 1000;
  for (int16_t v : m.left) {
    if (std::abs(v) > 500) {
      if (quiet > 2000) ++bursts;
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  EXPECT_EQ(bursts, 5);
  // About 0.2 s of tone per burst (a sine is above the threshold 89% of the time).
  EXPECT_NEAR(static_cast<double>(Loud(m.left)) / 22050, 5 * 0.2 * 0.89, 0.1);
}

TEST_F(Music, ALoopPlaysTheWholeTrackWhateverLengthItsHeaderClaims) {
  // One second of noise, then one of silence, as an MP3 without a length
  // header: the mixer estimates it well under a second.
  const std::string track = mediatest::Ffmpeg(
      {"-f", "lavfi", "-i", "anoisesrc=d=1:a=0.3:r=22050,apad=pad_dur=1", "-ac", "2", "-c:a", "libmp3lame", "-q:a", "2",
       "-write_xing", "0"},
      "noise.mp3");
  PlayMusic(track.c_str(), 1);
  ASSERT_EQ(ErrorCode(), 0);
  const double start = orv::ClockMs();
  while (orv::ClockMs() - start < 2600) {
    orv::ProcessMessages();
    Sleep(20);
  }
  StopMusic();
  Close();
  const Mix m = ReadMix();
  // The silence was heard whole between two rounds of noise: restarting on
  // the estimated length would have cut every round inside the noise.
  const auto first = std::find_if(m.left.begin(), m.left.end(), [](int16_t v) { return std::abs(v) > 2000; });
  ASSERT_NE(first, m.left.end());
  size_t longestQuiet = 0, run = 0, loudAfter = 0;
  for (auto it = first; it != m.left.end(); ++it) {
    run = std::abs(*it) > 100 ? 0 : run + 1;
    if (run == 0 && longestQuiet > 22050 / 2) ++loudAfter;
    longestQuiet = std::max(longestQuiet, run);
  }
  EXPECT_GT(longestQuiet, 22050u * 8 / 10);
  EXPECT_GT(loudAfter, 22050u / 10) << "the second round never came";
}

TEST_F(Music, PausingALoopMovesItsRestartByThePausedTime) {
  PlayMusic(Tone("loop.ogg", 1).c_str(), 1);
  ASSERT_EQ(ErrorCode(), 0);
  const double due = Player().LoopEnd();
  EXPECT_NEAR(due - orv::ClockMs(), 1000, 60);
  Player().Pause(true, 5000);
  EXPECT_EQ(Player().LoopEnd(), -due);
  EXPECT_EQ(Player().PauseStart(), 5000);
  EXPECT_EQ(IsMusicPlaying(), 1);
  RestartMusicIfDue();  // a paused loop is never restarted
  EXPECT_EQ(Player().LoopEnd(), -due);
  Player().Pause(false, 5750);
  EXPECT_DOUBLE_EQ(Player().LoopEnd(), due + 750);
  // Resuming what is not paused changes nothing.
  PauseMusic(0);
  EXPECT_DOUBLE_EQ(Player().LoopEnd(), due + 750);
  StopMusic();
  EXPECT_EQ(Player().LoopEnd(), 0);
  PauseMusic(1);  // no music: nothing happens
  EXPECT_EQ(Player().LoopEnd(), 0);
}

TEST_F(Music, VolumeScalesTheOutputAndTheSameValueIsSentOnce) {
  const std::string tone = Tone("v.ogg", 3);
  PlayMusic(tone.c_str(), 0);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Player().VolumeCache(), 1);
  const int sends = Player().VolumeSends();
  Sleep(500);
  SetMusicVolume(0.25);
  SetMusicVolume(0.25);
  EXPECT_EQ(Player().VolumeSends(), sends + 1);
  Sleep(600);
  StopMusic();
  EXPECT_EQ(Player().VolumeCache(), -1);
  // After a stop the next volume is sent again, even the same one.
  PlayMusic(tone.c_str(), 0);
  const int afterPlay = Player().VolumeSends();
  SetMusicVolume(0.25);
  EXPECT_EQ(Player().VolumeSends(), afterPlay + 1);
  StopMusic();
  Close();
  const Mix m = ReadMix();
  // The loud part first, then the quiet part at a quarter of the level.
  const auto first = std::find_if(m.left.begin(), m.left.end(), [](int16_t v) { return std::abs(v) > 500; });
  ASSERT_NE(first, m.left.end());
  const size_t from = static_cast<size_t>(first - m.left.begin());
  const int early = Peak(m.left, from, from + 22050 * 3 / 10);
  const int late = Peak(m.left, from + 22050 * 7 / 10, from + 22050 * 10 / 10);
  EXPECT_GT(early, 2000);
  EXPECT_NEAR(static_cast<double>(late) / early, 0.25, 0.03);
}

// Each track: a quiet sine before the loop, a loud one inside it (a whole
// number of periods, so a seamless loop is one unbroken sine) and noise
// after it. Played back, the mix must stay the loud sine throughout: the
// quiet start heard again, the noise, a gap or a click would all show.
class MusicSeam : public Music, public testing::WithParamInterface<bool> {};

TEST_P(MusicSeam, TheLoopSeamContinuesTheWaveform) {
  const int kLoud = 12000;
  std::string track;
  double tolerance;  // of the loud amplitude, for the coding noise of the file
  if (GetParam()) {
    // A WAV at the mix's rate whose "smpl" chunk loops 11000..21999.
    std::vector<int16_t> wav;
    uint32_t x = 1;
    for (int n = 0; n < 33000; ++n) {
      const double sine = std::sin(2 * M_PI * n / 50);  // 441 Hz at 22050 Hz
      wav.push_back(static_cast<int16_t>(n < 11000   ? std::lround(kLoud / 2 * sine)
                                         : n < 22000 ? std::lround(kLoud * sine)
                                                     : static_cast<int>((x = x * 1664525u + 1013904223u) >> 17) - 16384));
    }
    std::string smpl;
    for (int i = 0; i < 7; ++i) smpl += wavtest::Le32(0);
    smpl += wavtest::Le32(1) + wavtest::Le32(0) + wavtest::Le32(0) + wavtest::Le32(0) + wavtest::Le32(11000) +
            wavtest::Le32(21999) + wavtest::Le32(0) + wavtest::Le32(0);
    track = Write("smpl.wav", wavtest::Riff(wavtest::FmtChunk(wavtest::Format()) +
                                            wavtest::Chunk("data", wavtest::Samples16(wav)) + wavtest::Chunk("smpl", smpl)));
    tolerance = 0.002;
  } else {
    // The same shape at 44100 Hz in Vorbis with loop tags, resampled on
    // the way to the mix. The loud part reaches 4000 samples beyond the
    // loop on either side: the codec smears a sudden change over a block,
    // which would otherwise put the quiet start and the noise into the loop.
    const std::string channel = "if(lt(n\\,18000)\\,0.183\\,if(lt(n\\,48000)\\,0.366\\,random(0)-0.5))*sin(2*PI*441*t)";
    track = mediatest::Ffmpeg({"-f", "lavfi", "-i", "aevalsrc=exprs='" + channel + "|" + channel + "':s=44100:d=1.5",
                               "-c:a", "libvorbis", "-q:a", "8", "-metadata", "LOOPSTART=22000", "-metadata",
                               "LOOPLENGTH=22000"},
                              "tagged.ogg");
    tolerance = 0.03;
  }
  PlayMusic(track.c_str(), 1);
  ASSERT_EQ(ErrorCode(), 0);
  for (int i = 0; i < 2000 && Player().Mixer()->Laps(Player().Voice()) < 4; ++i) Sleep(5);
  ASSERT_GE(Player().Mixer()->Laps(Player().Voice()), 4);
  StopMusic();
  Close();
  const std::vector<int16_t> s = ReadMix().left;
  // From the first loud sample to the last one (the stop cuts the sine).
  size_t from = 0, to = s.size();
  while (from < s.size() && std::abs(s[from]) < kLoud * 3 / 4) ++from;
  while (to > from && std::abs(s[to - 1]) < kLoud * 3 / 4) --to;
  ASSERT_GT(to - from, 22050u * 3 / 2) << "less than three rounds of the loop were heard";
  // A sine obeys s[n+1] + s[n-1] = 2 cos(w) s[n]: what is left over is a
  // break in the waveform.
  const double twoCos = 2 * std::cos(2 * M_PI / 50);
  double worst = 0;
  size_t worstAt = 0;
  for (size_t n = from + 1; n + 1 < to; ++n) {
    const double residual = std::fabs(s[n + 1] + s[n - 1] - twoCos * s[n]);
    if (residual > worst) worst = residual, worstAt = n - from;
  }
  EXPECT_LT(worst, tolerance * kLoud) << "a break " << worstAt << " frames into the loop";
  // Loud all through: neither the quiet start nor a gap came back.
  for (size_t n = from; n + 50 <= to; n += 50) {
    const int peak = Peak(s, n, n + 50);
    ASSERT_GT(peak, kLoud * 9 / 10) << "quiet at " << n - from;
    ASSERT_LT(peak, kLoud * 11 / 10) << "too loud at " << n - from;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, MusicSeam, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& p) { return p.param ? "WavSmpl" : "OggTags"; });

TEST_F(Music, DuringACrossFadeBothTracksAreHeardWithEqualPowerGains) {
  // 441 Hz fades into 882 Hz over one second; over windows of 200 frames
  // the two are measured apart.
  const std::string a = Tone("a.ogg", 6, 441), b = Tone("b.wav", 6, 882);
  PlayMusic(a.c_str(), 1);
  ASSERT_EQ(ErrorCode(), 0);
  SetMusicVolume(0.5);  // the volume scales both tracks and survives the fade
  WaitForOutput(0.5);
  CrossFadeMusic(b.c_str(), 1000);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Player().VolumeCache(), 0.5);
  EXPECT_EQ(IsMusicPlaying(), 1);
  EXPECT_EQ(Player().Mixer()->VoiceCount(), 2u);
  WaitForOutput(1.6);
  orv::ProcessMessages();  // the faded track is freed on the game thread
  EXPECT_EQ(Player().Mixer()->VoiceCount(), 1u);
  StopMusic();
  Close();
  const std::vector<int16_t> s = ReadMix().left;
  const size_t kWindow = 200;
  std::vector<double> ga, gb;
  for (size_t w = 0; (w + 1) * kWindow <= s.size(); ++w) {
    ga.push_back(Amplitude(s, w * kWindow, kWindow, 441));
    gb.push_back(Amplitude(s, w * kWindow, kWindow, 882));
  }
  // The tones' level alone, before the fade and after it.
  const size_t half = std::find_if(gb.begin(), gb.end(), [&](double v) { return v > 0.5 * gb[gb.size() - 8]; }) - gb.begin();
  ASSERT_GT(half, 10u);
  ASSERT_LT(half + 10, gb.size());
  const double fullA = *std::max_element(ga.begin(), ga.begin() + static_cast<std::ptrdiff_t>(half));
  const double fullB = gb[gb.size() - 8];
  ASSERT_GT(fullA, 700);  // 3000 at half volume, less the Vorbis and resampler losses
  ASSERT_GT(fullB, 700);
  // sin(pi/2 t) is one half at t = 1/3: the fade began a third of a second
  // before the window where the new track reached half its level.
  const double start = (static_cast<double>(half) + 0.5) * kWindow - 22050.0 / 3;
  for (double t : {0.1, 0.25, 0.5, 0.75, 0.9}) {
    SCOPED_TRACE(t);
    const size_t w = static_cast<size_t>((start + t * 22050) / kWindow);
    const double tc = ((static_cast<double>(w) + 0.5) * kWindow - start) / 22050;
    EXPECT_NEAR(ga[w] / fullA, std::cos(M_PI / 2 * tc), 0.04);
    EXPECT_NEAR(gb[w] / fullB, std::sin(M_PI / 2 * tc), 0.04);
  }
  // Before the fade only the first track, after it only the second.
  const size_t before = static_cast<size_t>(start / kWindow) - 2, after = static_cast<size_t>((start + 22050) / kWindow) + 2;
  EXPECT_LT(gb[before] / fullB, 0.02);
  EXPECT_LT(ga[after] / fullA, 0.02);
}

TEST_F(Music, ACrossFadeThatCannotStartKeepsTheMusicAndOneFromSilenceFadesIn) {
  CrossFadeMusic("no-such-tune.ogg", 500);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(IsMusicPlaying(), 0);
  CrossFadeMusic(Tone("first.ogg", 3).c_str(), 300, 0);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Player().VolumeCache(), 1);  // nothing played: the volume starts at 1, as with PlayMusic
  EXPECT_EQ(Player().LoopEnd(), 0);
  const int first = Player().Voice();
  EXPECT_LT(Player().Mixer()->Gain(first), 0.5);
  CrossFadeMusic("still-missing.ogg", 500);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Player().Voice(), first);
  EXPECT_EQ(IsMusicPlaying(), 1);
  // Paused music is not faded into silence: the new track plays.
  PauseMusic(1);
  CrossFadeMusic(Tone("second.wav", 3).c_str(), 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Player().Mixer()->VoiceCount(), 1u);  // no fade: the other stopped at once
  EXPECT_EQ(Player().Mixer()->Gain(Player().Voice()), 1);
  EXPECT_GT(Player().LoopEnd(), 0);  // looping unless told otherwise
  WaitForOutput(0.3);
  StopMusic();
  Close();
  EXPECT_GT(Loud(ReadMix().left), 22050u / 10);
}

TEST_F(Music, ArchivedMusicPlaysFromATemporaryFile) {
  // The packing tool appends an archive to a copy of a program; the movie
  // locator is pointed at that copy.
  const std::string tone = Tone("packed_tune.ogg", 1);
  const std::string carrier = Write("carrier.bin", std::string(64, 'x'));
  const orvtest::ProcessResult r =
      orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-pack"), "append", carrier, tone});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::remove(tone.c_str());
  orv::Rt().movieLocator->Reset(carrier.c_str());
  PlayMusic("packed_tune.ogg", 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(IsMusicPlaying(), 1);
  // The mixer reads the copy it opened; the copy itself is gone at once, so
  // a game killed now leaves nothing in the temporary folder.
  EXPECT_NE(Player().File().find("packed_tune.ogg"), std::string::npos);
  EXPECT_FALSE(orvtest::Exists(Player().File()));
  Sleep(300);
  StopMusic();
  Close();
  EXPECT_GT(Loud(ReadMix().left), 22050u / 10);
}

}  // namespace
