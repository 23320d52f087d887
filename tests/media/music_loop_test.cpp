// Loop points: how tags and "smpl" chunks are read and checked, and the
// decoder's seam, compared sample by sample with the track decoded straight
// through (at the file's own rate, so nothing but the loop can differ).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "media/music_decoder.h"
#include "media/music_loop.h"
#include "support/test_support.h"
#include "tests/audio/wav_builder.h"
#include "tests/media/media_files.h"

namespace {

orv::ReadAtFn Reader(const std::string& bytes) {
  return [bytes](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
    if (offset >= bytes.size()) return 0;
    const size_t got = std::min<size_t>(n, bytes.size() - offset);
    std::memcpy(dst, bytes.data() + offset, got);
    return got;
  };
}

// A "smpl" chunk with one loop from `start` to `end` (its last sample).
std::string Smpl(uint32_t start, uint32_t end, uint32_t loops = 1) {
  using wavtest::Le32;
  std::string body;
  for (int i = 0; i < 7; ++i) body += Le32(0);
  body += Le32(loops) + Le32(0);
  if (loops) body += Le32(0) + Le32(0) + Le32(start) + Le32(end) + Le32(0) + Le32(0);
  return wavtest::Chunk("smpl", body);
}

TEST(MusicLoopPoints, TagsAndChunksAreReadAndCheckedAgainstTheTrack) {
  const struct {
    const char *start, *length, *end;
    bool ok, present;
    int64_t from, to;
  } tags[] = {
      {"1000", "44100", nullptr, true, true, 1000, 45100},
      {"1000", nullptr, "5000", true, true, 1000, 5000},
      {" 7 ", "10", "99999", true, true, 7, 17},  // the length wins over the end
      {nullptr, "10", nullptr, true, false, 0, 0},  // no start: no loop
      {"5", nullptr, nullptr, true, false, 0, 0},
      {"-5", "10", nullptr, false, false, 0, 0},
      {"1e3", "10", nullptr, false, false, 0, 0},
      {"0:01.5", "10", nullptr, false, false, 0, 0},
      {"99999999999999999999", "1", nullptr, false, false, 0, 0},
  };
  for (const auto& t : tags) {
    SCOPED_TRACE(std::string(t.start ? t.start : "-") + " " + (t.length ? t.length : "-") + " " + (t.end ? t.end : "-"));
    orv::LoopPoints loop;
    std::string why;
    EXPECT_EQ(orv::LoopFromTags(t.start, t.length, t.end, loop, why), t.ok) << why;
    EXPECT_EQ(loop.present, t.present);
    EXPECT_EQ(loop.start, t.from);
    EXPECT_EQ(loop.end, t.to);
  }

  using wavtest::Chunk;
  using wavtest::Riff;
  const std::string fmt = wavtest::FmtChunk(wavtest::Format());
  const std::string data = Chunk("data", std::string(2001, '\0'));  // odd: padded
  const struct {
    const char* what;
    std::string file;
    bool ok, present;
    int64_t from, to;
  } chunks[] = {
      {"after the data", Riff(fmt + data + Smpl(100, 199)), true, true, 100, 200},
      {"before the data", Riff(fmt + Smpl(0, 999) + data), true, true, 0, 1000},
      {"no loops", Riff(fmt + data + Smpl(1, 2, 0)), true, false, 0, 0},
      {"no chunk", Riff(fmt + data), true, false, 0, 0},
      {"cut short", Riff(fmt + data + Chunk("smpl", std::string(20, '\0'))), false, false, 0, 0},
      {"counts a loop it lacks", Riff(fmt + data + Chunk("smpl", std::string(28, '\0') + wavtest::Le32(1) + wavtest::Le32(0))),
       false, false, 0, 0},
      {"not a WAVE", "RIFF" + wavtest::Le32(4) + "AVI " + Smpl(1, 2), true, false, 0, 0},
  };
  for (const auto& c : chunks) {
    SCOPED_TRACE(c.what);
    orv::LoopPoints loop;
    std::string why;
    EXPECT_EQ(orv::LoopFromSmpl(Reader(c.file), loop, why), c.ok) << why;
    EXPECT_EQ(loop.present, c.present);
    EXPECT_EQ(loop.start, c.from);
    EXPECT_EQ(loop.end, c.to);
  }

  // Against a track of 10000 samples at 22050 Hz.
  const struct {
    int64_t start, end, length;
    const char* problem;  // "" when playable
  } checks[] = {
      {0, 10000, 10000, ""},      {500, 1000, 0, ""},  // a length the file cannot tell: taken as it is
      {500, 500, 10000, "ends before it starts"},     {900, 100, 10000, "ends before it starts"},
      {0, 10001, 10000, "ends beyond the track's 10000 samples"},
      {0, 100, 10000, "too short"},  // under 10 ms
  };
  for (const auto& c : checks) {
    SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end));
    std::string why;
    const bool ok = orv::CheckLoop({true, c.start, c.end}, c.length, 22050, why);
    EXPECT_EQ(ok, *c.problem == 0);
    EXPECT_NE(why.find(c.problem), std::string::npos) << why;
  }
}

// Every sample the decoder gives for `frames` frames, left channel.
std::vector<float> Decode(orv::MusicDecoder& d, size_t frames) {
  std::vector<float> stereo(frames * 2);
  const size_t got = d.Read(stereo.data(), frames);
  std::vector<float> left(got);
  for (size_t i = 0; i < got; ++i) left[i] = stereo[2 * i];
  return left;
}

TEST(MusicLoopPoints, TheDecoderLoopsExactToTheSample) {
  // Noise, so that a sample from the wrong place never matches by chance.
  auto noise = [](const std::string& name, int rate, std::vector<std::string> extra) {
    std::vector<std::string> args = {"-f", "lavfi", "-i",
                                     "anoisesrc=d=1.5:a=0.4:seed=7:r=" + std::to_string(rate), "-ac", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    return mediatest::Ffmpeg(args, name);
  };
  // A WAV made by hand, so it can carry a "smpl" chunk.
  std::vector<int16_t> samples;
  uint32_t x = 1;
  for (int i = 0; i < 22050 * 2; ++i) samples.push_back(static_cast<int16_t>((x = x * 1664525u + 1013904223u) >> 18));
  wavtest::Format stereo;
  stereo.channels = 2;
  const std::string wav = orvtest::PrivateDir() + "/smpl.wav";
  orvtest::WriteFile(wav, wavtest::Riff(wavtest::FmtChunk(stereo) + wavtest::Chunk("data", wavtest::Samples16(samples)) +
                                       Smpl(3000, 15999)));

  const struct {
    std::string path;
    int64_t start, end;  // the loop expected; end 0: the whole track
  } tracks[] = {
      {wav, 3000, 16000},
      {noise("tags.ogg", 44100, {"-c:a", "libvorbis", "-metadata", "LOOPSTART=12345", "-metadata", "LOOPLENGTH=30000"}),
       12345, 42345},
      {noise("end.ogg", 44100, {"-c:a", "libvorbis", "-metadata", "LOOPSTART=777", "-metadata", "LOOPEND=50001"}), 777,
       50001},
      {noise("tags.flac", 44100, {"-metadata", "LOOPSTART=4100", "-metadata", "LOOPLENGTH=20000"}), 4100, 24100},
      {noise("whole.ogg", 44100, {"-c:a", "libvorbis"}), 0, 0},
      {noise("whole.mp3", 44100, {"-c:a", "libmp3lame"}), 0, 0},
      {noise("whole.opus", 48000, {"-c:a", "libopus"}), 0, 0},
      {noise("beyond.ogg", 44100, {"-c:a", "libvorbis", "-metadata", "LOOPSTART=10", "-metadata", "LOOPEND=999999"}), 0, 0},
  };
  for (const auto& t : tracks) {
    SCOPED_TRACE(t.path);
    std::string why;
    orv::MusicDecoder probe;
    ASSERT_TRUE(probe.Open(t.path, 44100, why)) << why;
    const int rate = probe.SourceRate();
    orv::MusicDecoder linear, looped;
    ASSERT_TRUE(linear.Open(t.path, rate, why)) << why;
    ASSERT_TRUE(looped.Open(t.path, rate, why)) << why;
    EXPECT_EQ(looped.Loop().present, t.end > 0) << looped.LoopProblem();
    if (t.path.find("beyond") != std::string::npos) {
      EXPECT_NE(looped.LoopProblem().find("beyond"), std::string::npos);
    }
    looped.SetLooping(true);
    const std::vector<float> once = Decode(linear, 1 << 20);
    ASSERT_TRUE(linear.Ended());
    const int64_t start = t.start, end = t.end > 0 ? t.end : static_cast<int64_t>(once.size());
    ASSERT_LE(end, static_cast<int64_t>(once.size()));
    // Three rounds and a bit, read in odd-sized pieces as a mixer would.
    const size_t want = static_cast<size_t>(end + 3 * (end - start));
    std::vector<float> got;
    while (got.size() < want) {
      const std::vector<float> piece = Decode(looped, 1013);
      ASSERT_FALSE(piece.empty()) << "the loop ran dry after " << got.size();
      got.insert(got.end(), piece.begin(), piece.end());
    }
    size_t wrong = 0, firstWrong = 0;
    for (size_t k = 0; k < want; ++k) {
      const int64_t i = static_cast<int64_t>(k) < end ? static_cast<int64_t>(k) : start + (static_cast<int64_t>(k) - end) % (end - start);
      if (std::fabs(got[k] - once[static_cast<size_t>(i)]) > 1e-6f && wrong++ == 0) firstWrong = k;
    }
    EXPECT_EQ(wrong, 0u) << "first at output sample " << firstWrong;
    EXPECT_GE(looped.Laps(), 3);
  }
}

}  // namespace
