// A runtime record with a real sound device, as start-up leaves it, for
// tests of the game commands. `disk` sends the mix to a raw file the test
// reads after Close(); otherwise the silent "dummy" output (still real time).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_device.h"
#include "orvane/audio.h"
#include "orvane/runtime.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"
#include "tests/audio/wav_builder.h"

namespace audiotest {

class AudioTest : public ::testing::Test {
 protected:
  explicit AudioTest(bool disk = false) : disk_(disk) {}

  void SetUp() override {
    setenv("SDL_AUDIODRIVER", disk_ ? "disk" : "dummy", 1);
    setenv("SDL_DISKAUDIOFILE", MixPath().c_str(), 1);
    ProjectSettings& settings = orv::Rt().settings;
    settings.width = 64;
    settings.height = 48;
    settings.frameRate = 0;
    settings.exclusiveMouse = 0;
    orvtest::StartRuntimeUpTo("audio");
    ASSERT_TRUE(orv::Rt().audio && orv::Rt().audio->IsOpen());
  }

  void TearDown() override { Close(); }

  // Shuts the runtime down as a game's end does (the mix file is complete then).
  void Close() { orvtest::StopRuntime(); }

  static std::string MixPath() { return orvtest::PrivateDir() + "/mix.raw"; }

  // Writes a file into the test's folder; its full path.
  static std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = orvtest::PrivateDir() + "/" + name;
    orvtest::WriteFile(path, bytes);
    return path;
  }

  static orv::SoundSlot& Slot(int s) { return orv::Rt().soundSlots[s]; }

  // Waits (bounded) until no copy of the slot plays.
  static void WaitSilent(int slot, double seconds = 5) {
    for (int i = 0; i < seconds * 200; ++i) {
      bool any = false;
      for (int c = 0; c < 4; ++c) any = any || SoundPlaying(slot * 256 + c) != 0;
      if (!any) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "slot " << slot << " still plays";
  }

  // The mixed output after Close(): interleaved stereo 16-bit frames.
  struct Mix {
    std::vector<int16_t> left, right;
  };
  static Mix ReadMix() {
    const std::string raw = orvtest::ReadFile(MixPath());
    Mix m;
    for (size_t i = 0; i + 4 <= raw.size(); i += 4) {
      m.left.push_back(static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (static_cast<uint8_t>(raw[i + 1]) << 8)));
      m.right.push_back(static_cast<int16_t>(static_cast<uint8_t>(raw[i + 2]) | (static_cast<uint8_t>(raw[i + 3]) << 8)));
    }
    return m;
  }

 private:
  bool disk_;
};

}  // namespace audiotest
