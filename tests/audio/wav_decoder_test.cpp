// The WAV decoder: chunk layout, the format a sound is kept in, conversion
// to the mixer's output, and damaged files.
#include <SDL2/SDL_audio.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "audio/wav_decoder.h"
#include "tests/audio/wav_builder.h"
#include "tests/media/media_files.h"

namespace {

using namespace wavtest;

const orv::MixFormat kMix{AUDIO_S16SYS, 2, 22050};

std::vector<int16_t> Pcm16(const std::vector<uint8_t>& pcm) {
  std::vector<int16_t> s(pcm.size() / 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
  return s;
}

orv::DecodedSound Decode(const std::string& file) {
  orv::DecodedSound d;
  std::string why;
  EXPECT_TRUE(orv::DecodeWav(Bytes(file), kMix, d, why)) << why;
  return d;
}

TEST(WavDecoder, SkipsChunksBeforeFormatAndBeforeData) {
  const std::vector<int16_t> samples{100, -200, 300, -400};
  Format f;
  f.extra = Le16(0);  // an 18-byte format with its extension size
  const std::string file = Riff(Chunk("LIST", "INFOISFT" + Le32(5) + "tool\0") + FmtChunk(f) +
                                Chunk("fact", Le32(4)) + Chunk("data", Samples16(samples)));
  orv::WavImage image;
  std::string why;
  ASSERT_TRUE(orv::ParseWav(Bytes(file), image, why)) << why;
  EXPECT_EQ(image.format.channels, 1);
  EXPECT_EQ(image.format.samplesPerSec, 22050u);
  EXPECT_EQ(image.data.size(), 8u);
  // Mono reaches both sides unchanged.
  EXPECT_EQ(Pcm16(Decode(file).pcm), (std::vector<int16_t>{100, 100, -200, -200, 300, 300, -400, -400}));
}

TEST(WavDecoder, OddChunksLoadWithAndWithoutPadByte) {
  const std::string data = Chunk("data", Samples16({7, 8}));
  const std::string padded = Riff(Chunk("junk", "abc") + FmtChunk({}) + data);
  const std::string unpadded = Riff(Chunk("junk", "abc", -1, false) + FmtChunk({}) + data);
  for (const std::string& file : {padded, unpadded}) {
    orv::WavImage image;
    std::string why;
    EXPECT_TRUE(orv::ParseWav(Bytes(file), image, why)) << why;
    EXPECT_EQ(image.data.size(), 4u);
  }
}

TEST(WavDecoder, StereoEightBitKeepsTheFilesLayoutWithBytesPerSecondRecomputed) {
  Format f;
  f.channels = 2;
  f.bits = 8;
  f.rate = 22050;
  f.avgBytes = 12345;  // wrong on purpose
  f.tag = 0x55;        // not PCM: taken as PCM anyway
  const std::string file = Riff(FmtChunk(f) + Chunk("data", std::string("\x80\xff\x00\x80", 4)));
  orv::DecodedSound d = Decode(file);
  EXPECT_EQ(d.format.formatTag, 1);
  EXPECT_EQ(d.format.channels, 2);
  EXPECT_EQ(d.format.bitsPerSample, 8);
  EXPECT_EQ(d.format.blockAlign, 2);
  EXPECT_EQ(d.format.samplesPerSec, 22050u);
  EXPECT_EQ(d.format.avgBytesPerSec, 44100u);
  // Unsigned bytes around 128 become signed 16-bit samples.
  EXPECT_EQ(Pcm16(d.pcm), (std::vector<int16_t>{0, 127 * 256, -128 * 256, 0}));
}

TEST(WavDecoder, MoreThanTwoChannelsPlayTheirFirstTwo) {
  Format f;
  f.channels = 4;
  const std::string file = Riff(FmtChunk(f) + Chunk("data", Samples16({1, 2, 3, 4, 5, 6, 7, 8})));
  orv::DecodedSound d = Decode(file);
  EXPECT_EQ(d.format.channels, 2);
  EXPECT_EQ(d.format.blockAlign, 8);
  EXPECT_EQ(Pcm16(d.pcm), (std::vector<int16_t>{1, 2, 5, 6}));
}

TEST(WavDecoder, OtherRatesAreResampledToTheMixRate) {
  const std::string file = Wav16(Sine(4410, 1, 10000, 441, 44100), 1, 44100);
  orv::DecodedSound d = Decode(file);
  EXPECT_EQ(d.format.samplesPerSec, 44100u);
  const size_t frames = d.pcm.size() / 4;
  EXPECT_NEAR(static_cast<double>(frames), 2205.0, 40.0);
  int peak = 0;
  for (int16_t v : Pcm16(d.pcm)) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_NEAR(peak, 10000, 300);
}

TEST(WavDecoder, DamagedFilesFailWithoutReadingPastTheEnd) {
  const std::string data = Chunk("data", Samples16({1, 2, 3, 4}));
  auto fmt = [](auto change) {
    Format f;
    change(f);
    return FmtChunk(f);
  };
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"short header", "RIFF\x04\0\0\0WAV"},
      {"not RIFF", "RIFX" + Le32(4) + "WAVE" + FmtChunk({}) + data},
      {"not WAVE", "RIFF" + Le32(4) + "AVI " + FmtChunk({}) + data},
      {"no fmt", Riff(data)},
      {"no data", Riff(FmtChunk({}) + Chunk("fact", Le32(4)))},
      {"truncated chunk header", Riff(FmtChunk({}) + "da")},
      {"skipped chunk runs past the end", Riff(Chunk("LIST", "abcd", 1000) + FmtChunk({}) + data)},
      {"fmt larger than the file", Riff(fmt([](Format& f) { f.statedSize = 4000; }))},
      {"fmt shorter than 16", Riff(Chunk("fmt ", Le16(1) + Le16(1)) + data)},
      {"data larger than the file", Riff(FmtChunk({}) + Chunk("data", Samples16({1, 2}), 0x7FFFFFF0))},
      {"data size near 4 GiB", Riff(FmtChunk({}) + Chunk("data", Samples16({1, 2}), 0xFFFFFFFF))},
      {"empty data", Riff(FmtChunk({}) + Chunk("data", ""))},
      {"zero channels", Riff(fmt([](Format& f) { f.channels = 0; }) + data)},
      {"zero rate", Riff(fmt([](Format& f) { f.rate = 0; }) + data)},
      {"absurd rate", Riff(fmt([](Format& f) { f.rate = 0xFFFFFFFF; }) + data)},
      {"zero block align", Riff(fmt([](Format& f) { f.blockAlign = 0; }) + data)},
      {"block align below a frame", Riff(fmt([](Format& f) { f.channels = 2; f.blockAlign = 2; }) + data)},
      {"odd bit depth", Riff(fmt([](Format& f) { f.bits = 12; }) + data)},
      {"float of 24 bits", Riff(fmt([](Format& f) { f.tag = 3; f.bits = 24; }) + data)},
      {"mu-law of 16 bits", Riff(fmt([](Format& f) { f.tag = 7; }) + data)},
      {"ADPCM without its blocks", Riff(fmt([](Format& f) { f.tag = 0x11; f.bits = 4; f.blockAlign = 0; }) + data)},
      {"coded, at an absurd rate", Riff(fmt([](Format& f) { f.tag = 3; f.bits = 32; f.rate = 5; }) + data)},
      {"less than one frame", Riff(fmt([](Format& f) { f.channels = 2; f.blockAlign = 8; }) + Chunk("data", Samples16({1, 2})))},
  };
  for (const Case& c : cases) {
    // Copied into a buffer of exactly the file's size, so the sanitizer
    // build catches any read past it.
    std::vector<uint8_t> bytes(c.file.begin(), c.file.end());
    orv::DecodedSound d;
    std::string why;
    EXPECT_FALSE(orv::DecodeWav(bytes, kMix, d, why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    EXPECT_TRUE(d.pcm.empty()) << c.what;
  }
}

TEST(WavDecoder, EveryCodingToolsWriteDecodesToTheSameSound) {
  // One tone (peaks near 4100) written by the ffmpeg tool in each coding,
  // stereo at 22050 Hz, against the plain 16-bit file of the same tone.
  auto tone = [](const std::string& codec) {
    return orvtest::ReadFile(mediatest::Ffmpeg({"-f", "lavfi", "-i", "sine=frequency=441:sample_rate=22050:duration=0.5",
                                                "-ac", "2", "-c:a", codec},
                                               codec + ".wav"));
  };
  const std::vector<int16_t> want = Pcm16(Decode(tone("pcm_s16le")).pcm);
  ASSERT_EQ(want.size(), 11025u * 2);
  double signal = 0;
  for (int16_t v : want) signal += double(v) * v;
  const struct {
    const char* codec;
    double maxRmsError;  // relative to the signal; deeper samples come out exact
    size_t slackFrames;  // ADPCM ends on a whole block
  } codings[] = {
      {"pcm_s24le", 0, 0},     {"pcm_s32le", 0, 0},            {"pcm_f32le", 0, 0},     {"pcm_mulaw", 0.02, 0},
      {"pcm_alaw", 0.02, 0},   {"adpcm_ima_wav", 0.03, 1024}, {"adpcm_ms", 0.03, 1024},
  };
  for (const auto& c : codings) {
    SCOPED_TRACE(c.codec);
    orv::DecodedSound d = Decode(tone(c.codec));
    EXPECT_EQ(d.format.formatTag, 1);
    EXPECT_EQ(d.format.channels, 2);
    EXPECT_EQ(d.format.samplesPerSec, 22050u);
    const std::vector<int16_t> got = Pcm16(d.pcm);
    ASSERT_GE(got.size(), want.size());
    ASSERT_LE(got.size(), want.size() + 2 * c.slackFrames);
    double error = 0;
    for (size_t i = 0; i < want.size(); ++i) error += (double(got[i]) - want[i]) * (double(got[i]) - want[i]);
    EXPECT_LE(std::sqrt(error / signal), c.maxRmsError);
  }
}

TEST(WavDecoder, RunningOutOfMemoryRefusesTheLoad) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "an address-space limit does not work under the sanitizers";
#else
  // 20 M samples at 11025 Hz double on the way to the mix rate: about 640 MB
  // of work, in a child limited to 300 MB more address space than it has.
  const std::string file = Wav16(std::vector<int16_t>(20'000'000, 1000), 1, 11025);
  std::fflush(nullptr);  // the child must not print the parent's buffered output again
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{300} << 20);
    const rlimit r{limit, limit};
    setrlimit(RLIMIT_AS, &r);
    orv::DecodedSound d;
    std::string why;
    const bool loaded = orv::DecodeWav(Bytes(file), kMix, d, why);
    _exit(!loaded && why == orv::kWavOutOfMemory && d.pcm.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the load was not refused as out of memory";
#endif
}

TEST(WavDecoder, ExpansionBeyondTheLimitIsRefused) {
  // 8-bit mono at 100 Hz grows 882-fold on the way to 22050 Hz stereo.
  Format f;
  f.bits = 8;
  f.rate = 100;
  const std::string file = Riff(FmtChunk(f) + Chunk("data", std::string(orv::kMaxDecodedBytes / 882 + 4096, '\x80')));
  orv::DecodedSound d;
  std::string why;
  EXPECT_FALSE(orv::DecodeWav(Bytes(file), kMix, d, why));
  EXPECT_EQ(why, "sound too long");
}

}  // namespace
