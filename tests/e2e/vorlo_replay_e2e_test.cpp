// vorlo recorded as a player plays it under Xvfb (xdotool clicks every
// button, switches the window size with F-keys and quits), then replayed:
// on the same display and on the offscreen driver, every frame must hash as
// recorded; with one event moved by a frame, the replay must name the frame
// where the picture first changes.
//
// The committed session (tests/data/replay/vorlo-session.orvrec) is the one
// the first test records; to renew it after an intended change of vorlo's
// pictures, run that test with ORVANE_SAVE_SESSION=<path of the file>, or
// record the old session's replay again:
//   ORVANE_REPLAY=old.orvrec ORVANE_RECORD=new.orvrec ORVANE_RECORD_HASH=1 build/game/vorlo
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "runtime/byte_reader.h"
#include "runtime/replay/recording_format.h"
#include "support/test_support.h"
#include "tools/screen_grab/screen_grab.h"

namespace {

using orvtest::Child;
using orvtest::ProcessResult;
using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("game/vorlo"); }
std::string InDir(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// Between two looks at the screen.
void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

orv::Recording Read(const std::string& path) {
  const std::string bytes = orvtest::ReadFile(path);
  orv::Recording rec;
  std::string error;
  EXPECT_TRUE(orv::ReadRecording(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), rec, error))
      << path << ": " << error;
  return rec;
}

void Write(const std::string& path, const orv::Recording& rec) {
  const std::vector<uint8_t> bytes = orv::EncodeRecording(rec);
  orvtest::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

ProcessResult ReplayOffscreen(const std::string& recording) {
  orvtest::ProcessOptions opt;
  opt.env = {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"ORVANE_REPLAY", recording}};
  opt.timeoutSeconds = 240;
  return orvtest::RunProcess({Game()}, opt);
}

std::string Identical(const orv::Recording& rec) {
  return "replay: " + std::to_string(rec.frames) + " frames replayed, every one identical to the recording\n";
}

class VorloSession : public testing::Test {
 protected:
  VorloSession() : x(1920, 1200) {}
  VirtualDisplay x;

  // The "Test" button is drawn red once the slide-in has ended; its place
  // follows the window's size (the game scales its 960 x 640 design).
  bool TitleShown(const std::string& id) {
    const VirtualDisplay::Geometry g = x.WindowGeometry(id);
    const std::map<std::pair<int, int>, double> scales = {{{960, 640}, 1.0}, {{320, 240}, 0.375}, {{800, 600}, 0.9375}};
    auto it = scales.find({g.width, g.height});
    if (it == scales.end()) return false;
    const double s = it->second;
    const int size = std::max(2, static_cast<int>(8 * s));
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> p;
    if (!reader.Read(g.x + g.width / 2 - static_cast<int>(52 * s), g.y + g.height / 2 - static_cast<int>(30 * s), size,
                     size, p) ||
        p.empty())
      return false;
    for (uint32_t c : p) {
      const int r = c >> 16 & 255, gr = c >> 8 & 255, b = c & 255;
      if (r < 102 || r - gr < 60 || r - b < 60) return false;
    }
    return true;
  }
  // Waits (polling the screen) until the title screen stands, at most 60 s.
  bool WaitForTitle(const std::string& id) {
    for (int i = 0; i < 1200; ++i) {
      if (TitleShown(id)) return true;
      Pause();
    }
    return false;
  }
  bool WaitForSize(const std::string& id, int w, int h) {
    for (int i = 0; i < 1200; ++i) {
      const VirtualDisplay::Geometry g = x.WindowGeometry(id);
      if (g.width == w && g.height == h) return true;
      Pause();
    }
    return false;
  }
  void Click(const std::string& id, int cx, int cy) {
    x.Xdotool({"mousemove", "--window", id, std::to_string(cx), std::to_string(cy), "mousedown", "1", "mouseup", "1"});
  }
  void Key(const std::string& key) { x.Xdotool({"keydown", key, "keyup", key}); }
};

// PNG stores its sizes big-endian.
uint32_t Swap32(int v) { return __builtin_bswap32(static_cast<uint32_t>(v)); }

// The frame a replay names as the first that differs, or -1.
int DifferingFrame(const std::string& err) {
  unsigned frame = 0;
  const size_t at = err.find("replay: frame ");
  if (at == std::string::npos || std::sscanf(err.c_str() + at, "replay: frame %u differs", &frame) != 1) return -1;
  return static_cast<int>(frame);
}

TEST_F(VorloSession, RecordedUnderXvfbItReplaysToTheSameFramesThereAndOffscreen) {
  ASSERT_TRUE(x.Ok());
  const std::string recording = InDir("session.orvrec");
  Child game({Game()}, x.ProgramOptions({{"SDL_AUDIODRIVER", "dummy"},
                                         {"ORVANE_RECORD", recording},
                                         {"ORVANE_RECORD_HASH", "1"}}));
  const std::string id = x.FindWindow("vorlo", 30);
  ASSERT_FALSE(id.empty()) << game.Err();
  x.Xdotool({"windowfocus", "--sync", id});
  ASSERT_TRUE(WaitForTitle(id));
  // Every button: "Open", "Die", "Ping", then "Test", which slides the scene in again.
  for (const auto& [bx, by] : {std::pair{192, 448}, {403, 448}, {614, 448}, {480, 320}}) Click(id, bx, by);
  ASSERT_TRUE(WaitForTitle(id));
  Key("F1");
  ASSERT_TRUE(WaitForSize(id, 320, 240));
  ASSERT_TRUE(WaitForTitle(id));
  Key("F3");
  ASSERT_TRUE(WaitForSize(id, 800, 600));
  ASSERT_TRUE(WaitForTitle(id));
  Key("Escape");
  ASSERT_TRUE(game.Wait(30));
  ASSERT_EQ(game.ExitCode(), 0) << game.Err();

  const orv::Recording rec = Read(recording);
  ASSERT_TRUE(rec.complete);
  ASSERT_TRUE(rec.header.frameHashes);
  size_t clicks = 0, keys = 0;
  for (const orv::RecordedEvent& e : rec.events) {
    clicks += e.event.kind == orv::platform::EventKind::MouseButtonDown;
    keys += e.event.kind == orv::platform::EventKind::KeyDown;
  }
  EXPECT_EQ(clicks, 4u);
  EXPECT_EQ(keys, 3u);
  if (const char* keep = std::getenv("ORVANE_SAVE_SESSION")) orvtest::WriteFile(keep, orvtest::ReadFile(recording));

  // On the display it was recorded on, and on the offscreen driver.
  orvtest::ProcessOptions here = x.ProgramOptions({{"SDL_AUDIODRIVER", "dummy"}, {"ORVANE_REPLAY", recording}});
  here.timeoutSeconds = 240;
  const ProcessResult onXvfb = orvtest::RunProcess({Game()}, here);
  EXPECT_EQ(onXvfb.exitCode, 0) << onXvfb.err;
  EXPECT_TRUE(Has(onXvfb.err, Identical(rec))) << onXvfb.err;
  const ProcessResult offscreen = ReplayOffscreen(recording);
  EXPECT_EQ(offscreen.exitCode, 0) << offscreen.err;
  EXPECT_TRUE(Has(offscreen.err, Identical(rec))) << offscreen.err;

  // F1 pressed one frame earlier, one later, two later. Nothing before the
  // press can change, and the window switches one frame sooner or later:
  // the first frame that differs moves with the event, and a press later
  // than the recorded one differs where the recorded switch first shows.
  size_t press = 0;
  while (rec.events[press].event.kind != orv::platform::EventKind::KeyDown) ++press;
  std::map<int, int> differs;
  for (int shift : {-1, 1, 2}) {
    orv::Recording moved = rec;
    moved.events[press].period = rec.events[press].period + static_cast<uint32_t>(shift);
    const std::string path = InDir("moved" + std::to_string(shift) + ".orvrec");
    Write(path, moved);
    const ProcessResult replay = ReplayOffscreen(path);
    EXPECT_EQ(replay.exitCode, 1) << shift << replay.err;
    const int frame = DifferingFrame(replay.err);
    ASSERT_GT(frame, 0) << shift << replay.err;
    differs[shift] = frame;
    // Both hashes, and the picture of the frame.
    char hashes[64];
    std::snprintf(hashes, sizeof hashes, "recorded %016" PRIx64 ", replayed ", rec.frameHashes[frame - 1]);
    EXPECT_TRUE(Has(replay.err, hashes)) << replay.err;
    const std::string picture = InDir("replay-frame-" + std::to_string(frame) + ".png");
    EXPECT_TRUE(Has(replay.err, "replay: the replayed frame is in " + picture + "\n")) << replay.err;
    // A PNG of the replayed window (at one of the session's sizes).
    const std::string png = orvtest::ReadFile(picture);
    ASSERT_GE(png.size(), 24u) << picture;
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const auto* bytes = reinterpret_cast<const uint8_t*>(png.data());
    bool sessionSize = false;
    for (const orv::RecordedSize& size : rec.sizes)
      sessionSize |= orv::LoadLe32(bytes + 16) == Swap32(size.width) && orv::LoadLe32(bytes + 20) == Swap32(size.height);
    EXPECT_TRUE(sessionSize) << picture;
  }
  EXPECT_GE(differs[-1], static_cast<int>(rec.events[press].period));
  EXPECT_EQ(differs[1], differs[-1] + 1);
  EXPECT_EQ(differs[2], differs[1]);
}

TEST(VorloCommittedSession, ReplaysToItsRecordedFrames) {
  const std::string session = orvtest::SourcePath("tests/data/replay/vorlo-session.orvrec");
  const orv::Recording rec = Read(session);
  ASSERT_TRUE(rec.header.frameHashes);
  const ProcessResult replay = ReplayOffscreen(session);
  EXPECT_EQ(replay.exitCode, 0) << replay.err;
  EXPECT_TRUE(Has(replay.err, Identical(rec))) << replay.err;
}

}  // namespace
