// What comes out of the mixer: the disk output driver writes every mixed
// frame to a file, which the tests read after closing the device.
#include <algorithm>
#include <cmath>

#include "tests/audio/audio_fixture.h"

namespace {

using namespace wavtest;

class MixedOutput : public audiotest::AudioTest {
 protected:
  MixedOutput() : AudioTest(true) {}

  // Plays slot 1 once with a pan and volume, waits for it to end, and
  // returns the whole mix.
  Mix PlayOnce(const std::string& wav, double pan, double volume) {
    LoadSound(Write("s.wav", wav).c_str(), 1, 1);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(PlaySoundSlot(1, pan, volume), 256);
    WaitSilent(1);
    Close();
    return ReadMix();
  }
};

int Peak(const std::vector<int16_t>& s) {
  int p = 0;
  for (int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
  return p;
}

// Frames where the signal has exactly this value.
size_t Count(const std::vector<int16_t>& s, int value) { return static_cast<size_t>(std::count(s.begin(), s.end(), value)); }

// A constant level: sums of overlapping plays are then exact.
std::vector<int16_t> Level(double seconds, int value, int channels = 1) {
  return std::vector<int16_t>(static_cast<size_t>(seconds * 22050) * channels, static_cast<int16_t>(value));
}

TEST_F(MixedOutput, HalfVolumeHalvesTheAmplitude) {
  const std::vector<int16_t> tone = Sine(4410, 1, 20000, 441, 22050);
  const Mix m = PlayOnce(Wav16(tone), 0, 0.5);
  EXPECT_NEAR(Peak(m.left), Peak(tone) / 2.0, Peak(tone) * 0.005);
  EXPECT_NEAR(Peak(m.right), Peak(tone) / 2.0, Peak(tone) * 0.005);
}

TEST_F(MixedOutput, PanMinusFiveIsFullLeft) {
  const Mix m = PlayOnce(Wav16(Sine(4410, 1, 20000, 441, 22050)), -5, 1);
  EXPECT_GT(Peak(m.left), 19000);
  EXPECT_EQ(Peak(m.right), 0);
}

TEST_F(MixedOutput, PartialPanAttenuatesTheOtherSide) {
  // Pan 0.2 = 2000 hundredths: the left side is 20 dB down, a tenth.
  const Mix m = PlayOnce(Wav16(Level(0.2, 10000)), 0.2, 1);
  EXPECT_GT(Count(m.right, 10000), 2000u);
  EXPECT_GT(Count(m.left, 1000), 2000u);
}

TEST_F(MixedOutput, VolumeZeroIsSilent) {
  // The silent play first, then the same sound at full volume as a control:
  // the output kept running through the silent play, and only the control
  // reached it.
  const std::string wav = Write("s.wav", Wav16(Level(0.1, 10000)));
  LoadSound(wav.c_str(), 1, 1);
  LoadSound(wav.c_str(), 2, 1);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(PlaySoundSlot(1, 0, 0), 256);
  WaitSilent(1);
  EXPECT_EQ(PlaySoundSlot(2, 0, 1), 512);
  WaitSilent(2);
  Close();
  const Mix m = ReadMix();
  const auto firstSound = std::find_if(m.left.begin(), m.left.end(), [](int16_t v) { return v != 0; });
  ASSERT_NE(firstSound, m.left.end()) << "the full-volume control never reached the output";
  EXPECT_GE(firstSound - m.left.begin(), 2000) << "the output did not run through the silent play";
  EXPECT_GT(Count(m.left, 10000), 2000u);
  EXPECT_LE(Count(m.left, 10000), 2205u + 64);  // the control alone
  EXPECT_EQ(Count(m.left, 10000), Count(m.right, 10000));
}

TEST_F(MixedOutput, StereoEightBitFileKeepsItsSides) {
  Format f;
  f.channels = 2;
  f.bits = 8;
  std::string data;
  for (int i = 0; i < 2205; ++i) data += "\xc0\x40";  // left +64, right -64
  LoadSound(Write("s8.wav", Riff(FmtChunk(f) + Chunk("data", data))).c_str(), 1, 1);
  ASSERT_EQ(ErrorCode(), 0);
  const orv::BufferFormat& b = Slot(1).format;
  EXPECT_EQ(b.channels, 2);
  EXPECT_EQ(b.bitsPerSample, 8);
  EXPECT_EQ(b.blockAlign, 2);
  EXPECT_EQ(b.avgBytesPerSec, 44100u);
  EXPECT_EQ(PlaySoundSlot(1, 0, 1), 256);
  WaitSilent(1);
  Close();
  const Mix m = ReadMix();
  EXPECT_GT(Count(m.left, 64 * 256), 2000u);
  EXPECT_GT(Count(m.right, -64 * 256), 2000u);
}

// The demo game's three cues: "open" with one copy, "die" with two, "001"
// with four, each played with pan 1 and volume 1 when its button is hit.
TEST_F(MixedOutput, DemoCuesOverlapFullRight) {
  constexpr int kOpen = 1023 + 1044, kDie = 1022 + 1044, kPing = 1 + 1044;
  LoadSound(Write("sfx_open.wav", Wav16(Level(0.4, 1000))).c_str(), kOpen, 1);
  LoadSound(Write("sfx_die.wav", Wav16(Level(0.4, 2000))).c_str(), kDie, 2);
  LoadSound(Write("sfx_001.wav", Wav16(Level(0.4, 4000))).c_str(), kPing, 4);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(PlaySoundSlot(kOpen, 1, 1), kOpen * 256);
  EXPECT_EQ(PlaySoundSlot(kDie, 1, 1), kDie * 256);
  EXPECT_EQ(PlaySoundSlot(kPing, 1, 1), kPing * 256);
  // Clicked again at once: "open" is busy, the others overlap themselves.
  EXPECT_EQ(PlaySoundSlot(kOpen, 1, 1), -1);
  EXPECT_EQ(PlaySoundSlot(kDie, 1, 1), kDie * 256 + 1);
  EXPECT_EQ(PlaySoundSlot(kPing, 1, 1), kPing * 256 + 1);
  EXPECT_EQ(PlaySoundSlot(kPing, 1, 1), kPing * 256 + 2);
  for (int s : {kOpen, kDie, kPing}) WaitSilent(s);
  Close();
  const Mix m = ReadMix();
  EXPECT_EQ(Peak(m.left), 0);
  // One open, two dies and three pings together.
  EXPECT_EQ(Peak(m.right), 1000 + 2 * 2000 + 3 * 4000);
  EXPECT_GT(Count(m.right, 1000 + 2 * 2000 + 3 * 4000), 4000u);
  // Nothing plays longer than a cue plus a mixing period or two.
  size_t sounding = 0;
  for (int16_t v : m.right) sounding += v != 0;
  EXPECT_LT(sounding, static_cast<size_t>(0.4 * 22050) + 2048);
}

TEST_F(MixedOutput, CuttingOffTheOldestCopyRestartsIt) {
  LoadSound(Write("s.wav", Wav16(Level(0.5, 3000))).c_str(), 2, 2);
  EXPECT_EQ(PlaySoundSlot(2, 0, 1), 512);
  EXPECT_EQ(PlaySoundSlot(2, 0, 1), 513);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  // Both busy: copy 0 is cut off and starts again from its beginning.
  EXPECT_EQ(PlaySoundSlot(2, 0, 1), 512);
  WaitSilent(2);
  Close();
  const Mix m = ReadMix();
  EXPECT_EQ(Peak(m.left), 6000);
  size_t sounding = 0;
  for (int16_t v : m.left) sounding += v != 0;
  // 0.2 s of the first play, then the restarted 0.5 s.
  EXPECT_GT(sounding, static_cast<size_t>(0.65 * 22050));
  EXPECT_LT(sounding, static_cast<size_t>(0.75 * 22050) + 2048);
}

}  // namespace
