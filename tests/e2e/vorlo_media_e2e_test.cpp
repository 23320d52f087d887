// vorlo under conditions a player meets but the happy path never shows: a
// Media folder with a file missing, taps instead of held clicks, window sizes
// other than the design size, and a function key pressed while it loads.
// The real executable under Xvfb, driven with xdotool; its sound goes to a
// file through SDL's disk audio driver.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "gfx2d/image_codec.h"
#include "gl/pixel_image.h"
#include "support/test_support.h"
#include "tools/screen_grab/screen_grab.h"

namespace {

namespace fs = std::filesystem;
using orvtest::Child;
using orvtest::VirtualDisplay;
using Geometry = VirtualDisplay::Geometry;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Rgb {
  int r, g, b;
};
Rgb Split(uint32_t p) { return {static_cast<int>(p >> 16 & 255), static_cast<int>(p >> 8 & 255), static_cast<int>(p & 255)}; }

// Every file the game opens in a folder, counted, as inotify reports them.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& dir) : fd_(inotify_init1(IN_NONBLOCK)) {
    if (fd_ >= 0) inotify_add_watch(fd_, dir.c_str(), IN_OPEN);
  }
  ~OpenCounter() {
    if (fd_ >= 0) close(fd_);
  }
  std::map<std::string, int> Take() {
    std::map<std::string, int> counts;
    alignas(inotify_event) char buf[8192];
    ssize_t n;
    while ((n = read(fd_, buf, sizeof buf)) > 0) {
      for (char* p = buf; p < buf + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if (e->len) ++counts[e->name];
        p += sizeof(inotify_event) + e->len;
      }
    }
    return counts;
  }

 private:
  int fd_;
};

// The sound buttons as fractions of the window: "Open", "Die", "Ping".
constexpr double kSoundButtons[3][2] = {{0.2, 0.7}, {0.42, 0.7}, {0.64, 0.7}};

class VorloPlayer : public testing::Test {
 protected:
  VirtualDisplay x{1920, 1200};  // room for the largest window size the game offers
  std::string audioFile = orvtest::PrivateDir() + "/audio.raw";
  std::string dir = orvtest::PrivateDir() + "/game";

  // A private copy of the game and its Media, without the named file.
  void Install(const std::string& without = "") {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(orvtest::BinaryPath("game/vorlo"), dir + "/vorlo");
    fs::copy(orvtest::BinaryPath("game/Media"), dir + "/Media");
    if (!without.empty()) {
      ASSERT_TRUE(fs::remove(dir + "/Media/" + without)) << without;
    }
  }

  std::unique_ptr<Child> Start() {
    orvtest::ProcessOptions opt = x.ProgramOptions();
    opt.env["SDL_AUDIODRIVER"] = "disk";
    opt.env["SDL_DISKAUDIOFILE"] = audioFile;
    opt.workDir = dir;
    return std::make_unique<Child>(std::vector<std::string>{dir + "/vorlo"}, opt);
  }

  std::vector<uint32_t> Read(const Geometry& g, int px, int py, int w, int h) {
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> pixels;
    reader.Read(g.x + px, g.y + py, w, h, pixels);
    return pixels;
  }

  // The game's scale from its 960 x 640 design space: the axis nearer 1.
  static double Scale(const Geometry& g) {
    double sx = g.width / 960.0, sy = g.height / 640.0;
    return std::fabs(sy - 1) < std::fabs(sx - 1) ? sy : sx;
  }

  // A band across the window through the three sound buttons.
  std::vector<uint32_t> ButtonBand(const Geometry& g) {
    int half = static_cast<int>(40 * Scale(g));
    return Read(g, 0, static_cast<int>(g.height * 0.7) - half, g.width, 2 * half);
  }

  // The white sound buttons in place: white at alpha 0.2 over anything is
  // at least 51 on every channel, whatever the tint and the tiles.
  bool SoundButtonsInPlace(const Geometry& g) {
    double s = Scale(g);
    int size = std::max(2, static_cast<int>(8 * s));
    for (const auto& b : kSoundButtons) {
      auto p = Read(g, static_cast<int>(g.width * b[0] - 56 * s), static_cast<int>(g.height * b[1] - 32 * s), size, size);
      if (p.empty()) return false;
      for (uint32_t c : p) {
        Rgb v = Split(c);
        if (std::min({v.r, v.g, v.b}) < 50) return false;
      }
    }
    return true;
  }

  // Waits for the title screen at rest: the buttons in place and the scene
  // no longer sliding. The window's place and size are read on every try.
  bool WaitForTitle(const std::string& id, Geometry& g, double seconds = 30) {
    std::vector<uint32_t> last;
    for (int i = 0; i < seconds * 4; ++i) {
      g = x.WindowGeometry(id);
      std::vector<uint32_t> band = ButtonBand(g);
      if (!band.empty() && band == last && SoundButtonsInPlace(g)) return true;
      last = std::move(band);
      Sleep(250);
    }
    return false;
  }

  bool WaitForSize(const std::string& id, int w, int h, Geometry& g) {
    for (int i = 0; i < 200; ++i) {
      g = x.WindowGeometry(id);
      if (g.width == w && g.height == h) return true;
      Sleep(50);
    }
    return false;
  }

  // A tap: press and release at once, both between two of the game's frames.
  void Tap(const std::string& id, int cx, int cy) {
    x.Xdotool({"mousemove", "--window", id, std::to_string(cx), std::to_string(cy)});
    Sleep(100);
    x.Xdotool({"click", "1"});
  }

  void Key(const std::string& id, const std::string& key) {
    x.Xdotool({"windowfocus", "--sync", id});
    Sleep(100);
    x.Xdotool({"keydown", key});
    Sleep(150);
    x.Xdotool({"keyup", key});
  }

  size_t AudioBytes() { return orvtest::Exists(audioFile) ? fs::file_size(audioFile) : 0; }
  // The disk driver's output: 22050 stereo 16-bit frames a second.
  static constexpr size_t kAudioBytesPerSecond = 22050 * 4;
  // A cue is heard when its peak passes this.
  static constexpr int kCueHeard = 3000;

  // Peak of the right channel (the game pans its cues fully right) written after byte `from`.
  int RightPeak(size_t from) {
    std::ifstream in(audioFile, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from & ~size_t{3}));
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int peak = 0;
    for (size_t i = 2; i + 2 <= bytes.size(); i += 4) {
      int16_t r = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
      peak = std::max(peak, std::abs(static_cast<int>(r)));
    }
    return peak;
  }

  // Taps the button at (fx, fy) of the window's size and watches what
  // follows, as a player would: the button flashes pressed for the one frame
  // that takes the tap, and a cue sounds. Polls the button's corner (small
  // enough to read every millisecond, so the flash is not missed) and the
  // recorded audio as it grows. Returns the peak once the cue is heard and
  // the button is back at rest (the game has seen the button up again, so
  // the next tap counts as a new press), else the peak of the 0.7 s
  // recorded after the tap (0 for silence); -1 when the output stopped
  // growing, since silence then proves nothing.
  int CueAfterTap(const std::string& id, const Geometry& g, double fx, double fy) {
    // The previous cue has ended: the last 0.1 s recorded is silent.
    for (int i = 0; i < 300; ++i, Sleep(10)) {
      const size_t end = AudioBytes();
      if (end >= kAudioBytesPerSecond / 10 && RightPeak(end - kAudioBytesPerSecond / 10) < 100) break;
    }
    const double s = Scale(g);
    const int corner = std::max(2, static_cast<int>(8 * s));
    const int cx = static_cast<int>(g.width * fx - 56 * s), cy = static_cast<int>(g.height * fy - 32 * s);
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> rest, now;
    reader.Read(g.x + cx, g.y + cy, corner, corner, rest);
    const size_t mark = AudioBytes();
    Tap(id, static_cast<int>(g.width * fx), static_cast<int>(g.height * fy));
    bool pressed = false, released = false;
    int peak = 0;
    for (int i = 0; i < 5000; ++i, std::this_thread::sleep_for(std::chrono::microseconds(500))) {
      reader.Read(g.x + cx, g.y + cy, corner, corner, now);
      pressed = pressed || now != rest;
      released = released || (pressed && now == rest);
      if (i % 20 != 0) continue;
      peak = RightPeak(mark);
      const bool windowOver = AudioBytes() - mark >= kAudioBytesPerSecond * 7 / 10;
      if ((peak > kCueHeard && released) || windowOver) return peak;
    }
    return -1;
  }

  void Quit(Child& game, const std::string& id) {
    Key(id, "Escape");
    ASSERT_TRUE(game.Wait(15)) << game.Out();
    EXPECT_EQ(game.ExitCode(), 0);
    std::string out = game.Out();
    EXPECT_EQ(out.substr(out.size() < 5 ? 0 : out.size() - 5), "exit\n");
  }

  // Dark pixels (glyph ink in the button's black) around the "Test" button's labels.
  int LabelInk(const Geometry& g) {
    int n = 0;
    for (uint32_t c : Read(g, 480 - 40, 320 - 22, 80, 44)) {
      Rgb v = Split(c);
      n += std::max({v.r, v.g, v.b}) < 40;
    }
    return n;
  }

  size_t GridColours(const Geometry& g) {
    auto grid = Read(g, 0, 120, 400, 200);
    return std::set<uint32_t>(grid.begin(), grid.end()).size();
  }
};

TEST_F(VorloPlayer, EachMissingMediaFileLeavesOutOnlyItsOwnPiece) {
  ASSERT_TRUE(x.Ok());
  // What the complete game shows where the pieces go missing.
  Install();
  std::string id;
  Geometry g;
  {
    auto game = Start();
    id = x.FindWindow("vorlo", 20);
    ASSERT_FALSE(id.empty()) << game->Err();
    ASSERT_TRUE(WaitForTitle(id, g));
    ASSERT_GT(LabelInk(g), 20);
    ASSERT_GT(GridColours(g), 200u);
    Quit(*game, id);
  }

  // The files the game opens at its start-up size.
  const char* files[] = {"16_(9x17)_x640.png", "plat_bg_x640.png", "logo_x640.png", "button_x640.png",
                         "sfx_open.wav",       "sfx_die.wav",      "sfx_001.wav",   "smalfont.png"};
  for (const std::string file : files) {
    SCOPED_TRACE(file);
    Install(file);
    auto game = Start();
    id = x.FindWindow("vorlo", 20);
    ASSERT_FALSE(id.empty()) << game->Err();
    ASSERT_TRUE(WaitForTitle(id, g)) << game->Err();
    if (file.rfind("16_", 0) == 0) {
      EXPECT_EQ(LabelInk(g), 0) << "a font without its image drew its glyphs as blocks";
    } else {
      EXPECT_GT(LabelInk(g), 20);
    }
    if (file.rfind("plat_bg", 0) == 0) {
      EXPECT_LT(GridColours(g), 50u) << "tiles drawn without their image";
    } else {
      EXPECT_GT(GridColours(g), 200u);
    }
    if (file == "sfx_open.wav") {
      EXPECT_EQ(CueAfterTap(id, g, 0.2, 0.7), 0);
    }
    if (file == "sfx_die.wav") {
      EXPECT_EQ(CueAfterTap(id, g, 0.42, 0.7), 0);
      EXPECT_GT(CueAfterTap(id, g, 0.64, 0.7), kCueHeard) << "the other cues still play";
    }
    Quit(*game, id);
  }
}

TEST_F(VorloPlayer, TapsPressEveryButtonAtEverySizeAndTheVariantFollowsTheWidth) {
  ASSERT_TRUE(x.Ok());
  Install();
  OpenCounter opens(dir + "/Media");
  auto game = Start();
  std::string id = x.FindWindow("vorlo", 20);
  ASSERT_FALSE(id.empty()) << game->Err();
  Geometry g;
  ASSERT_TRUE(WaitForTitle(id, g));
  opens.Take();

  // The design size, smaller than it, larger than it: each button answers a
  // tap where it is drawn.
  const struct {
    const char* key;
    int w, h;
  } sizes[] = {{nullptr, 960, 640}, {"F3", 800, 600}, {"F8", 1920, 1080}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.w);
    if (size.key) {
      Key(id, size.key);
      ASSERT_TRUE(WaitForSize(id, size.w, size.h, g)) << g.width << "x" << g.height;
      ASSERT_TRUE(WaitForTitle(id, g));
    }
    for (const auto& b : kSoundButtons) EXPECT_GT(CueAfterTap(id, g, b[0], b[1]), kCueHeard) << b[0];
    // "Test" slides the scene in again with other colours and tiles.
    auto before = ButtonBand(g);
    Tap(id, g.width / 2, g.height / 2);
    bool moved = false;
    for (int i = 0; i < 50 && !moved; ++i, Sleep(100)) moved = ButtonBand(g) != before;
    EXPECT_TRUE(moved) << "the scene did not move";
    ASSERT_TRUE(WaitForTitle(id, g));
    auto after = ButtonBand(g);
    ASSERT_EQ(before.size(), after.size());
    size_t same = 0;
    for (size_t i = 0; i < before.size(); ++i) same += before[i] == after[i];
    EXPECT_LT(same, before.size() * 3 / 4) << "the tint and tiles did not change";
  }

  // Either side of the 1100-pixel threshold: 1024 wide still loads the
  // middle variant, 1280 wide the largest.
  opens.Take();
  const struct {
    const char *key, *suffix, *other;
    int w, h;
  } variants[] = {{"F5", "_x640", "_x1280", 1024, 768}, {"F6", "_x1280", "_x640", 1280, 720}};
  for (const auto& v : variants) {
    SCOPED_TRACE(v.key);
    Key(id, v.key);
    ASSERT_TRUE(WaitForSize(id, v.w, v.h, g));
    ASSERT_TRUE(WaitForTitle(id, g));
    auto opened = opens.Take();
    for (const char* name : {"logo", "plat_bg", "button", "16_(9x17)"}) {
      EXPECT_TRUE(opened.count(std::string(name) + v.suffix + ".png")) << name;
      EXPECT_FALSE(opened.count(std::string(name) + v.other + ".png")) << name;
    }
  }
  Quit(*game, id);
}

TEST_F(VorloPlayer, AFunctionKeyHeldWhileTheGameLoadsSwitchesOnlyAfterTheLoad) {
  ASSERT_TRUE(x.Ok());
  Install();
  // A font image slow to decode (incompressible noise) keeps the first load
  // busy between its first two steps, long enough for a key to arrive there.
  {
    orv::PixelImage noise;
    ASSERT_TRUE(noise.Resize(4000, 4000));
    uint32_t seed = 12345;
    for (int y = 0; y < noise.height; ++y) {
      uint8_t* row = noise.Row(y);
      for (int i = 0; i < noise.width * 4; ++i) row[i] = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    }
    std::vector<uint8_t> png;
    ASSERT_TRUE(orv::EncodePng(noise, png));
    orvtest::WriteFile(dir + "/Media/16_(9x17)_x640.png", std::string(png.begin(), png.end()));
  }
  OpenCounter opens(dir + "/Media");
  auto game = Start();
  std::string id = x.FindWindow("vorlo", 20);
  ASSERT_FALSE(id.empty()) << game->Err();
  // F1 goes down once the loading bar shows its first step, while the
  // second font image decodes.
  x.Xdotool({"windowfocus", "--sync", id});
  Geometry g;
  ASSERT_TRUE(WaitForSize(id, 960, 640, g));
  bool loading = false;
  for (int i = 0; i < 2000 && !loading; ++i) {
    if (i % 10 == 0) g = x.WindowGeometry(id);  // it moves when it changes size
    for (uint32_t c : Read(g, 0, 496, 960, 1)) loading = loading || c == 0xFF7D00;  // the bar's orange frame
  }
  ASSERT_TRUE(loading);
  x.Xdotool({"keydown", "F1"});
  bool switched = WaitForSize(id, 320, 240, g);
  x.Xdotool({"keyup", "F1"});
  ASSERT_TRUE(switched) << g.width << "x" << g.height;
  ASSERT_TRUE(WaitForTitle(id, g));
  // Every load ran to its end with one variant: a reload started inside
  // another would leave the outer one's later images loaded in the new
  // variant and its earlier ones in the old.
  auto opened = opens.Take();
  for (const char* suffix : {"_x640", "_x320"}) {
    const int logo = opened[std::string("logo") + suffix + ".png"];
    EXPECT_EQ(opened[std::string("plat_bg") + suffix + ".png"], logo) << suffix;
    EXPECT_EQ(opened[std::string("button") + suffix + ".png"], logo) << suffix;
  }
  Quit(*game, id);
}

}  // namespace
