// Sound in a whole program: the device opened at start-up, the demo's cues
// played through the game commands, everything released at shutdown.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "support/test_support.h"
#include "tests/audio/wav_builder.h"

namespace {

using namespace wavtest;

std::string WriteCue(const std::string& name, int level) {
  const std::string path = orvtest::PrivateDir() + "/" + name;
  orvtest::WriteFile(path, Wav16(std::vector<int16_t>(22050 * 3 / 10, static_cast<int16_t>(level))));
  return path;
}

struct Cues {
  std::string open, die, ping;
};

// Constant levels, so overlapping plays add up to exact sums.
Cues LevelCues() { return {WriteCue("sfx_open.wav", 1000), WriteCue("sfx_die.wav", 2000), WriteCue("sfx_001.wav", 4000)}; }

orvtest::ProcessResult RunGame(const std::string& audioDriver, const Cues& cues) {
  orvtest::ProcessOptions opt;
  opt.env = {{"SDL_VIDEODRIVER", "offscreen"},
             {"SDL_AUDIODRIVER", audioDriver},
             {"SDL_DISKAUDIOFILE", orvtest::PrivateDir() + "/mix.raw"},
             {"SOUND_OPEN", cues.open},
             {"SOUND_DIE", cues.die},
             {"SOUND_PING", cues.ping}};
  return orvtest::RunProcess({orvtest::BinaryPath("tests/audio/sound_game")}, opt);
}

struct Peaks {
  int left = 0, right = 0;
};

Peaks MixPeaks() {
  const std::string raw = orvtest::ReadFile(orvtest::PrivateDir() + "/mix.raw");
  Peaks p;
  for (size_t i = 0; i + 4 <= raw.size(); i += 4) {
    const auto l = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (static_cast<uint8_t>(raw[i + 1]) << 8));
    const auto r = static_cast<int16_t>(static_cast<uint8_t>(raw[i + 2]) | (static_cast<uint8_t>(raw[i + 3]) << 8));
    p.left = std::max(p.left, std::abs(static_cast<int>(l)));
    p.right = std::max(p.right, std::abs(static_cast<int>(r)));
  }
  return p;
}

const char* const kPlayedAll =
    "open 0\ndie 0\nping 0\nfree 4095\n"
    "played 529152 528896 528897 267520 267521\n"
    "done\nexit\n";

TEST(SoundGame, DemoCuesPlayFullRightWithOverlap) {
  auto r = RunGame("disk", LevelCues());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, kPlayedAll);
  const Peaks p = MixPeaks();
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.right, 1000 + 2 * 2000 + 2 * 4000);
}

TEST(SoundGame, TheGamesOwnCuesLoadAndPlay) {
  const std::string media = orvtest::BinaryPath("game/Media/");
  auto r = RunGame("disk", {media + "sfx_open.wav", media + "sfx_die.wav", media + "sfx_001.wav"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, kPlayedAll);
  const Peaks p = MixPeaks();
  EXPECT_EQ(p.left, 0);
  EXPECT_GT(p.right, 1000);
}

TEST(SoundGame, WithoutAudioOutputTheGameRunsSilently) {
  auto r = RunGame("no-such-driver", LevelCues());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "open 3\ndie 3\nping 3\nfree 4095\nplayed -1 -1 -1 -1 -1\ndone\nexit\n");
  // Nothing about the missing output in the log.
  const std::string log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("Init Finalized\nShut down ORV\norv is shut down\n"), std::string::npos) << log;
}

TEST(SoundGame, ASoundPackedIntoTheProgramLoadsThroughItsMemName) {
  const std::string dir = orvtest::PrivateDir();
  mkdir((dir + "/release").c_str(), 0755);
  mkdir((dir + "/elsewhere").c_str(), 0755);
  const std::string game = dir + "/release/game";
  orvtest::WriteFile(game, orvtest::ReadFile(orvtest::BinaryPath("tests/audio/packed_sound_game")));
  chmod(game.c_str(), 0755);
  const std::string cue = WriteCue("sfx_001.wav", 3000);
  auto r = orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-pack"), "append", game, cue});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::remove(cue.c_str());

  orvtest::ProcessOptions opt;
  opt.workDir = dir + "/elsewhere";
  opt.env = {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", dir + "/mix.raw"}};
  // What the system's GL libraries keep until exit is not this test's subject.
  const char* asan = std::getenv("ASAN_OPTIONS");
  opt.env["ASAN_OPTIONS"] = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0";
  r = orvtest::RunProcess({game}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "by name 0\nby mem:// name 0\nplayed 256 512\ndone\nexit\n");
  // Slot 1 full left, slot 2 full right.
  const Peaks p = MixPeaks();
  EXPECT_EQ(p.left, 3000);
  EXPECT_EQ(p.right, 3000);
}

}  // namespace
