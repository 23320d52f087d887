// The sound commands as a game calls them: slots, copies, channel numbers,
// errors. The device is real (SDL's silent output, playing in real time).
#include <cmath>

#include "runtime/error_state.h"
#include "tests/audio/audio_fixture.h"

namespace {

using namespace wavtest;
using audiotest::AudioTest;

// A mono sine of the given length.
std::string Tone(double seconds) { return Wav16(Sine(static_cast<int>(seconds * 22050), 1, 8000, 440, 22050)); }

class SoundCommands : public AudioTest {};

TEST_F(SoundCommands, CopyCountsAreClampedToOneToFour) {
  const std::string tone = Write("tone.wav", Tone(0.05));
  LoadSound(tone.c_str(), 10, 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Slot(10).channelCount, 1);
  LoadSound(tone.c_str(), 11, 9);
  EXPECT_EQ(Slot(11).channelCount, 4);
  LoadSound(tone.c_str(), 12, -3);
  EXPECT_EQ(Slot(12).channelCount, 1);
  LoadSound(tone.c_str(), 13, 2.9);
  EXPECT_EQ(Slot(13).channelCount, 2);
}

TEST_F(SoundCommands, BusyOneCopySoundGivesMinusOneAndKeepsPlaying) {
  LoadSound(Write("tone.wav", Tone(1.0)).c_str(), 7, 1);
  EXPECT_EQ(PlaySoundSlot(7, 0, 1), 7 * 256);
  EXPECT_EQ(PlaySoundSlot(7, 0, 1), -1);
  EXPECT_EQ(SoundPlaying(7 * 256), 1);
  StopSound(7 * 256);
  EXPECT_EQ(SoundPlaying(7 * 256), 0);
  // Once it has stopped, the same copy plays again.
  EXPECT_EQ(PlaySoundSlot(7, 0, 1), 7 * 256);
}

TEST_F(SoundCommands, CopiesAreTakenInTurnAndTheOldestIsCutOff) {
  LoadSound(Write("tone.wav", Tone(1.0)).c_str(), 3, 3);
  EXPECT_EQ(PlaySoundSlot(3, 0, 1), 3 * 256 + 0);
  EXPECT_EQ(PlaySoundSlot(3, 0, 1), 3 * 256 + 1);
  EXPECT_EQ(PlaySoundSlot(3, 0, 1), 3 * 256 + 2);
  EXPECT_EQ(PlaySoundSlot(3, 0, 1), 3 * 256 + 0);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(SoundPlaying(3 * 256 + c), 1) << c;
  StopAllSounds();
  for (int c = 0; c < 3; ++c) EXPECT_EQ(SoundPlaying(3 * 256 + c), 0) << c;
  // A copy that is free is used again without moving on.
  EXPECT_EQ(PlaySoundSlot(3, 0, 1), 3 * 256 + 0);
}

TEST_F(SoundCommands, ChannelNumbersOutsideASlotsCopies) {
  LoadSound(Write("tone.wav", Tone(1.0)).c_str(), 4095, 2);
  EXPECT_EQ(PlaySoundSlot(4095, 0, 1), 4095 * 256);
  EXPECT_EQ(PlaySoundSlot(4095, 0, 1), 4095 * 256 + 1);
  ClearError();
  EXPECT_EQ(SoundPlaying(4095 * 256 + 3), 0);
  EXPECT_EQ(SoundPlaying(4095 * 256 + 255), 0);
  EXPECT_EQ(ErrorCode(), 0);
  StopSound(4095 * 256 + 3);  // not a copy of the slot: nothing happens
  EXPECT_EQ(SoundPlaying(4095 * 256 + 1), 1);
  for (double bad : {-1.0, 4096.0 * 256, 1e300, std::nan("")}) {
    ClearError();
    EXPECT_EQ(SoundPlaying(bad), 0) << bad;
    EXPECT_EQ(ErrorCode(), 7) << bad;
    StopSound(bad);  // ignored
  }
  EXPECT_EQ(SoundPlaying(4095 * 256), 1);
}

TEST_F(SoundCommands, SlotNumbersOutsideTheTableGiveError7) {
  const std::string tone = Write("tone.wav", Tone(0.05));
  for (double bad : {-1.0, 4096.0, -1e12, 1e300, std::nan("")}) {
    SetErrorCode(0);
    LoadSound(tone.c_str(), bad, 1);
    EXPECT_EQ(ErrorCode(), 7) << bad;
    SetErrorCode(0);
    EXPECT_EQ(PlaySoundSlot(bad, 0, 1), 0) << bad;
    EXPECT_EQ(ErrorCode(), 7) << bad;
  }
  // A free slot plays nothing and sets no error.
  SetErrorCode(0);
  EXPECT_EQ(PlaySoundSlot(100, 0, 1), -1);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(SoundCommands, FailedLoadsGiveError3AndLeaveTheSlotFree) {
  const std::string tone = Write("tone.wav", Tone(0.05));
  const std::string bad = Write("bad.wav", Riff(FmtChunk({}) + Chunk("data", Samples16({1, 2}), 5000)));
  for (const std::string& name : {bad, orvtest::PrivateDir() + "/missing.wav", std::string()}) {
    LoadSound(tone.c_str(), 20, 2);
    ASSERT_EQ(Slot(20).channelCount, 2);
    LoadSound(name.c_str(), 20, 2);
    EXPECT_EQ(ErrorCode(), 3) << name;
    EXPECT_EQ(Slot(20).channelCount, 0) << name;
    EXPECT_EQ(PlaySoundSlot(20, 0, 1), -1) << name;
  }
  // Why a file did not load is in the error log.
  EXPECT_NE(orvtest::ReadFile(orv::ErrorLogPath().CStr()).find("bad.wav not loaded: \"data\" chunk larger than the file"),
            std::string::npos);
  LoadSound(tone.c_str(), 20, 2);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(SoundCommands, FreeSoundSlotFindsTheHighestFreeSlot) {
  EXPECT_EQ(FreeSoundSlot(), 4095);
  const std::string tone = Tone(0.01);
  std::string why;
  ASSERT_TRUE(Slot(4095).Load(orv::Rt().audio.get(), Bytes(tone), 1, why)) << why;
  EXPECT_EQ(FreeSoundSlot(), 4094);
  for (int s = 0; s < 4095; ++s) ASSERT_TRUE(Slot(s).Load(orv::Rt().audio.get(), Bytes(tone), 1, why)) << s;
  EXPECT_EQ(FreeSoundSlot(), -1);
  EXPECT_EQ(ErrorCode(), 7);
  Slot(17).Clear();
  EXPECT_EQ(FreeSoundSlot(), 17);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(SoundCommands, ReloadingASlotReusesItsVoices) {
  const std::string tone = Write("tone.wav", Tone(0.01));
  for (int i = 0; i < 200; ++i) LoadSound(tone.c_str(), 9, 4);
  EXPECT_LE(orv::Rt().audio->VoiceCount(), 32);
}

TEST_F(SoundCommands, ReleasingTheDeviceClearsEverySlot) {
  LoadSound(Write("tone.wav", Tone(1.0)).c_str(), 1, 2);
  EXPECT_EQ(PlaySoundSlot(1, 0, 1), 256);
  orv::Rt().audio->Release();
  EXPECT_EQ(Slot(1).channelCount, 0);
  EXPECT_EQ(SoundPlaying(256), 0);
  EXPECT_EQ(PlaySoundSlot(1, 0, 1), -1);
  orv::Rt().audio->Release();  // twice does nothing
}

TEST(SoundWithoutDevice, LoadsFailAndPlaysGiveMinusOne) {
  orv::RuntimeState& rt = orv::Rt();
  // As start-up leaves it when the output cannot be opened.
  rt.audio = std::make_unique<orv::SoundDevice>();
  rt.soundSlots = std::make_unique<orv::SoundSlot[]>(orv::kSoundSlots);
  const std::string path = orvtest::PrivateDir() + "/tone.wav";
  orvtest::WriteFile(path, Tone(0.05));
  LoadSound(path.c_str(), 5, 1);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(PlaySoundSlot(5, 0, 1), -1);
  EXPECT_EQ(SoundPlaying(5 * 256), 0);
  StopAllSounds();
  EXPECT_EQ(FreeSoundSlot(), 4095);
  rt.soundSlots.reset();
  rt.audio.reset();
  // And before start-up or after shutdown, nothing breaks either.
  LoadSound(path.c_str(), 5, 1);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(PlaySoundSlot(5, 0, 1), -1);
  EXPECT_EQ(FreeSoundSlot(), -1);
}

}  // namespace
