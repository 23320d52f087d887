// vorlo as a player meets it: the real executable under Xvfb, driven with
// xdotool, its mixed sound written to a file by SDL's disk audio driver.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "support/test_support.h"
#include "tools/screen_grab/screen_grab.h"

namespace {

namespace fs = std::filesystem;
using orvtest::Child;
using orvtest::VirtualDisplay;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Rgb {
  int r, g, b;
};
Rgb Split(uint32_t p) { return {static_cast<int>(p >> 16 & 255), static_cast<int>(p >> 8 & 255), static_cast<int>(p & 255)}; }

class Vorlo : public testing::Test {
 protected:
  // By default Xvfb large enough for the biggest window size the game offers.
  explicit Vorlo(int desktopWidth = 1920, int desktopHeight = 1200) : x(desktopWidth, desktopHeight) {}
  VirtualDisplay x;
  std::string audioFile = orvtest::PrivateDir() + "/audio.raw";

  std::unique_ptr<Child> Start(const std::string& program, const std::string& workDir = "",
                               const std::map<std::string, std::string>& env = {}) {
    orvtest::ProcessOptions opt = x.ProgramOptions();
    opt.env.insert(env.begin(), env.end());
    opt.env["SDL_AUDIODRIVER"] = "disk";
    opt.env["SDL_DISKAUDIOFILE"] = audioFile;
    opt.workDir = workDir;
    return std::make_unique<Child>(std::vector<std::string>{program}, opt);
  }

  static std::string Game() { return orvtest::BinaryPath("game/vorlo"); }

  // The game window and where its client area is on the screen.
  bool FindGame(std::string& id, VirtualDisplay::Geometry& g, const std::string& title = "vorlo") {
    id = x.FindWindow(title, 20);
    if (id.empty()) return false;
    g = x.WindowGeometry(id);
    return g.width > 0;
  }

  // Waits until the window has the given client size.
  bool WaitForSize(const std::string& id, int w, int h, VirtualDisplay::Geometry& g) {
    for (int i = 0; i < 200; ++i) {
      g = x.WindowGeometry(id);
      if (g.width == w && g.height == h) return true;
      Sleep(50);
    }
    return false;
  }

  // Pixels of a rectangle of the window's client area.
  std::vector<uint32_t> Read(const VirtualDisplay::Geometry& g, int px, int py, int w, int h) {
    orvtools::ScreenReader reader(x.Display());
    std::vector<uint32_t> pixels;
    reader.Read(g.x + px, g.y + py, w, h, pixels);
    return pixels;
  }

  // The same area once two reads in a row agree: the title screen is still
  // after its slide-in, but a busy machine may show the slide-in's last
  // frames later than WaitForTitle's grace allows.
  std::vector<uint32_t> ReadSettled(const VirtualDisplay::Geometry& g, int px, int py, int w, int h) {
    std::vector<uint32_t> last = Read(g, px, py, w, h);
    for (int i = 0; i < 100; ++i) {
      Sleep(100);
      std::vector<uint32_t> now = Read(g, px, py, w, h);
      if (now == last) break;
      last = std::move(now);
    }
    return last;
  }

  // The "Test" button is drawn red-tinted once the slide-in has ended. The
  // window's place is read again on every try: the game opens at its
  // configured size and moves when it sets up its design-size screen, and
  // pixels read through an old place belong partly to the desktop.
  bool WaitForTitle(const std::string& id, VirtualDisplay::Geometry& g, double seconds = 20) {
    for (int i = 0; i < seconds * 20; ++i) {
      g = x.WindowGeometry(id);
      if (TestButtonRed(g)) {
        Sleep(300);  // the slide-in's last frames
        VirtualDisplay::Geometry now = x.WindowGeometry(id);
        bool still = now.x == g.x && now.y == g.y && now.width == g.width && now.height == g.height;
        if (still && TestButtonRed(g)) return true;
      }
      Sleep(50);
    }
    return false;
  }

  // The game's scale from its 960 x 640 design space at each of its window
  // sizes, worked out by hand: of width / 960 and height / 640, the one
  // nearer 1. 0 for a size the game never settles at (a window on its way
  // from one size to another).
  static double Scale(const VirtualDisplay::Geometry& g) {
    static const std::map<std::pair<int, int>, double> kScales = {
        {{960, 640}, 1.0},     {{320, 240}, 0.375},    {{640, 480}, 0.75},     {{800, 600}, 0.9375},
        {{1024, 768}, 1024 / 960.0}, {{1280, 720}, 1.125}, {{1440, 900}, 1.40625}, {{1920, 1080}, 1.6875},
        {{800, 533}, 800 / 960.0}};  // the design size shrunk onto an 800 x 600 desktop
    auto it = kScales.find({g.width, g.height});
    return it == kScales.end() ? 0 : it->second;
  }

  bool TestButtonRed(const VirtualDisplay::Geometry& g) {
    // Inside the 118 x 70 box at the screen's centre, clear of its labels.
    double s = Scale(g);
    if (s == 0) return false;
    int size = std::max(2, static_cast<int>(8 * s));
    auto p = Read(g, g.width / 2 - static_cast<int>(52 * s), g.height / 2 - static_cast<int>(30 * s), size, size);
    if (p.empty()) return false;
    for (uint32_t c : p) {
      Rgb v = Split(c);
      if (v.r < 102 || v.r - v.g < 60 || v.r - v.b < 60) return false;
    }
    return true;
  }

  void Click(const std::string& id, int cx, int cy) {
    x.Xdotool({"mousemove", "--window", id, std::to_string(cx), std::to_string(cy)});
    Sleep(100);
    x.Xdotool({"mousedown", "1"});
    Sleep(150);  // the game samples the mouse once per frame
    x.Xdotool({"mouseup", "1"});
  }

  void Key(const std::string& id, const std::string& key) {
    x.Xdotool({"windowfocus", "--sync", id});
    Sleep(100);
    x.Xdotool({"keydown", key});
    Sleep(150);
    x.Xdotool({"keyup", key});
  }

  size_t AudioBytes() { return orvtest::Exists(audioFile) ? fs::file_size(audioFile) : 0; }

  // Peak of each channel of the mixed output written after byte `from`
  // (16-bit stereo frames).
  void AudioPeaks(size_t from, int& left, int& right) {
    std::string bytes = orvtest::ReadFile(audioFile);
    left = right = 0;
    from &= ~size_t{3};
    for (size_t i = from; i + 4 <= bytes.size(); i += 4) {
      int16_t l = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
      int16_t r = static_cast<int16_t>(static_cast<uint8_t>(bytes[i + 2]) | static_cast<uint8_t>(bytes[i + 3]) << 8);
      left = std::max(left, std::abs(static_cast<int>(l)));
      right = std::max(right, std::abs(static_cast<int>(r)));
    }
  }

  void Quit(Child& game, const std::string& id) {
    Key(id, "Escape");
    ASSERT_TRUE(game.Wait(15)) << game.Out();
    EXPECT_EQ(game.ExitCode(), 0);
    std::string out = game.Out();
    EXPECT_EQ(out.substr(out.size() < 5 ? 0 : out.size() - 5), "exit\n");
  }
};

TEST_F(Vorlo, StartsLoadsShowsTheTitleScreenAndEndsOnEscape) {
  ASSERT_TRUE(x.Ok());
  auto game = Start(Game());
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();

  // The loading screen: the bar grows one step per asset. Sample the bar's
  // middle row while the game loads and collect its yellow lengths.
  std::set<int> lengths;
  orvtools::ScreenReader reader(x.Display());
  for (int i = 0; i < 3000 && !TestButtonRed(g); ++i) {
    g = x.WindowGeometry(id);
    if (g.width != 960) continue;
    std::vector<uint32_t> row;
    if (!reader.Read(g.x, g.y + 496, 960, 1, row)) continue;
    int yellow = 0;
    for (uint32_t c : row) yellow += c == 0xFFFF00;
    if (yellow > 0) lengths.insert(yellow);
  }
  EXPECT_GE(lengths.size(), 2u) << "bar lengths seen: " << lengths.size();
  for (int len : lengths) EXPECT_NEAR(len % 112, 0, 2) << len;  // whole steps of (960 - 64) / 8

  ASSERT_TRUE(WaitForTitle(id, g));
  // Windowed at the design size, centred on the display.
  EXPECT_EQ(g.width, 960);
  EXPECT_EQ(g.height, 640);
  EXPECT_EQ(g.x, (1920 - 960) / 2);
  EXPECT_EQ(g.y, (1200 - 640) / 2);

  // The three white buttons are lighter than anything under them could be
  // alone: at least 0.2 x 255 on every channel.
  const int buttons[3][2] = {{192, 448}, {403, 448}, {614, 448}};
  for (const auto& b : buttons) {
    for (uint32_t c : Read(g, b[0] - 56, b[1] - 32, 10, 10)) {
      Rgb v = Split(c);
      EXPECT_GE(std::min({v.r, v.g, v.b}), 50) << b[0];
    }
  }
  // Tiles: many different colours in the grid; the vertical band on the
  // right darkens what lies under it.
  auto grid = Read(g, 0, 120, 400, 200);
  std::set<uint32_t> colours(grid.begin(), grid.end());
  EXPECT_GT(colours.size(), 200u);
  auto luminance = [](const std::vector<uint32_t>& px) {
    double sum = 0;
    for (uint32_t c : px) {
      Rgb v = Split(c);
      sum += 0.3 * v.r + 0.59 * v.g + 0.11 * v.b;
    }
    return sum / static_cast<double>(px.size());
  };
  double band = luminance(Read(g, 800, 120, 140, 200));
  double open = luminance(Read(g, 600, 120, 140, 200));
  EXPECT_LT(band, open * 0.8);

  Quit(*game, id);
  std::string log = orvtest::ErrorLogText();
  EXPECT_EQ(log.rfind("Start new log...\ntimer\nvexl\nvexl init\nWIN32 init video\n", 0), 0u) << log;
  EXPECT_NE(log.find("OGVX init [OK]\nCptn\nNetwork\nInput\nWindow mode\nCreate DXin\nreptr\ngetexe\ncd\nexepath=curdir= "),
            std::string::npos) << log;
  EXPECT_NE(log.find("\nInit Finalized\n"), std::string::npos) << log;
  EXPECT_EQ(log.size() - log.rfind("Shut down ORV\norv is shut down\n"), 31u) << log;
}

TEST_F(Vorlo, ButtonsPlayTheirCuesOncePerPressAndTestRestartsTheSlideIn) {
  ASSERT_TRUE(x.Ok());
  auto game = Start(Game());
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();
  ASSERT_TRUE(WaitForTitle(id, g));

  // Each of the three sound buttons puts its cue into the output: on the
  // right channel, as the game plays them panned fully right.
  const struct {
    const char* name;
    int x, y;
  } buttons[] = {{"Open", 192, 448}, {"Die", 403, 448}, {"Ping", 614, 448}};
  for (const auto& b : buttons) {
    Sleep(600);  // the previous cue has ended
    size_t mark = AudioBytes();
    Click(id, b.x, b.y);
    Sleep(700);
    int left = 0, right = 0;
    AudioPeaks(mark, left, right);
    EXPECT_GT(right, 3000) << b.name;
    EXPECT_EQ(left, 0) << b.name;
  }

  // Held down on "Open" and moved onto "Die": one cue only, and it ends.
  Sleep(600);
  x.Xdotool({"mousemove", "--window", id, "192", "448"});
  Sleep(100);
  x.Xdotool({"mousedown", "1"});
  Sleep(500);  // the "Open" cue is 0.3 s long
  x.Xdotool({"mousemove", "--window", id, "403", "448"});
  Sleep(200);
  size_t mark = AudioBytes();
  Sleep(800);
  x.Xdotool({"mouseup", "1"});
  int left = 0, right = 0;
  AudioPeaks(mark, left, right);
  EXPECT_EQ(right, 0) << "moving onto another button with the button held played a cue";
  // The output kept running meanwhile (0.8 s is over 40,000 bytes of any
  // format the mixer opens), and a plain click still sounds.
  EXPECT_GT(AudioBytes() - mark, 40000u) << "the output stopped: silence proves nothing";
  Sleep(600);
  mark = AudioBytes();
  Click(id, 403, 448);
  Sleep(700);
  AudioPeaks(mark, left, right);
  EXPECT_GT(right, 3000) << "the control click on \"Die\" played nothing";

  // "Test": the scene slides in again from the left, in new colours.
  auto before = Read(g, 800, 120, 140, 200);
  Click(id, 480, 320);
  Sleep(300);
  EXPECT_FALSE(TestButtonRed(g));  // the buttons are away to the left
  ASSERT_TRUE(WaitForTitle(id, g));
  auto after = Read(g, 800, 120, 140, 200);
  size_t same = 0;
  for (size_t i = 0; i < before.size(); ++i) same += before[i] == after[i];
  EXPECT_LT(same, before.size() / 4) << "the tint and tiles did not change";

  Quit(*game, id);
}

// Files the game opens while the test runs, as inotify reports them.
class OpenWatch {
 public:
  explicit OpenWatch(const std::string& dir) : fd_(inotify_init1(IN_NONBLOCK)) {
    if (fd_ >= 0) inotify_add_watch(fd_, dir.c_str(), IN_OPEN);
  }
  ~OpenWatch() {
    if (fd_ >= 0) close(fd_);
  }
  std::set<std::string> Take() {
    std::set<std::string> names;
    alignas(inotify_event) char buf[8192];
    ssize_t n;
    while ((n = read(fd_, buf, sizeof buf)) > 0) {
      for (char* p = buf; p < buf + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if (e->len) names.insert(e->name);
        p += sizeof(inotify_event) + e->len;
      }
    }
    return names;
  }

 private:
  int fd_;
};

TEST_F(Vorlo, FunctionKeysSwitchTheWindowSizeAndTheAssetVariant) {
  ASSERT_TRUE(x.Ok());
  // A private copy, so only this game's file opens are seen.
  std::string dir = orvtest::PrivateDir() + "/game";
  fs::create_directories(dir);
  fs::copy(Game(), dir + "/vorlo");
  fs::copy(orvtest::BinaryPath("game/Media"), dir + "/Media");
  OpenWatch watch(dir + "/Media");
  auto game = Start(dir + "/vorlo", dir);
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();
  ASSERT_TRUE(WaitForTitle(id, g));
  std::set<std::string> opened = watch.Take();
  EXPECT_TRUE(opened.count("plat_bg_x640.png"));
  EXPECT_TRUE(opened.count("16_(9x17)_x640.png"));

  const struct {
    const char* key;
    int w, h;
    const char* suffix;
  } steps[] = {{"F1", 320, 240, "_x320"}, {"F8", 1920, 1080, "_x1280"}, {"F3", 800, 600, "_x640"}};
  for (const auto& s : steps) {
    Key(id, s.key);
    ASSERT_TRUE(WaitForSize(id, s.w, s.h, g)) << s.key << " gave " << g.width << "x" << g.height;
    EXPECT_EQ(g.x, (1920 - s.w) / 2) << s.key;
    ASSERT_TRUE(WaitForTitle(id, g)) << s.key;
    opened = watch.Take();
    for (const char* name : {"logo", "plat_bg", "button", "16_(9x17)"})
      EXPECT_TRUE(opened.count(std::string(name) + s.suffix + ".png")) << s.key << " did not load " << name << s.suffix;
    for (const std::string& name : opened) {
      if (name.find(".png") != std::string::npos) {
        EXPECT_NE(name.find(s.suffix), std::string::npos) << name;
      }
    }
  }
  Quit(*game, id);
}

TEST_F(Vorlo, PackedGameRunsFromAnEmptyFolder) {
  ASSERT_TRUE(x.Ok());
  std::string dir = orvtest::PrivateDir() + "/empty";
  fs::create_directories(dir);
  fs::copy(orvtest::BinaryPath("game/vorlo-packed"), dir + "/vorlo-packed");
  auto game = Start(dir + "/vorlo-packed", dir);
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();
  ASSERT_TRUE(WaitForTitle(id, g));
  auto packed = ReadSettled(g, 0, 0, 960, 560);  // above the frame-statistics overlay
  Quit(*game, id);
  // Nothing was unpacked or written beside the program.
  std::set<std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(dir)) entries.insert(e.path().lexically_relative(dir).string());
  EXPECT_EQ(entries, std::set<std::string>{"vorlo-packed"});

  // The same title screen as the game with its Media folder.
  auto plain = Start(Game());
  ASSERT_TRUE(FindGame(id, g)) << plain->Err();
  ASSERT_TRUE(WaitForTitle(id, g));
  auto loose = ReadSettled(g, 0, 0, 960, 560);
  Quit(*plain, id);
  ASSERT_EQ(packed.size(), loose.size());
  size_t same = 0;
  for (size_t i = 0; i < packed.size(); ++i) same += packed[i] == loose[i];
  EXPECT_GT(same, packed.size() * 99 / 100);
}

TEST_F(Vorlo, PatchesAreLayeredOverThePackedGameAndBadOnesAreRefused) {
  ASSERT_TRUE(x.Ok());
  const std::string pack = orvtest::BinaryPath("tools/orvane-pack");
  const std::string dir = orvtest::PrivateDir() + "/patched-game", extra = orvtest::PrivateDir() + "/patches",
                    made = orvtest::PrivateDir() + "/made", media = orvtest::PrivateDir() + "/media";
  for (const std::string& d : {dir, extra, made, media}) fs::create_directories(d);
  const std::string game = dir + "/vorlo-packed";
  fs::copy(orvtest::BinaryPath("game/vorlo-packed"), game);
  auto packTool = [&](std::vector<std::string> args) {
    args.insert(args.begin(), pack);
    return orvtest::RunProcess(args);
  };

  // The title background's tiles, plain dark green in each of their sizes
  // (dark, so the "Test" button still shows red over them).
  for (const char* size : {"_x320", "_x640", "_x1280"}) {
    const std::string name = std::string("plat_bg") + size + ".png";
    const std::string png = orvtest::ReadFile(orvtest::BinaryPath("game/Media/" + name));
    ASSERT_GT(png.size(), 24u);
    auto be32 = [&](size_t at) {
      return static_cast<int>(static_cast<uint8_t>(png[at]) << 24 | static_cast<uint8_t>(png[at + 1]) << 16 |
                              static_cast<uint8_t>(png[at + 2]) << 8 | static_cast<uint8_t>(png[at + 3]));
    };
    const int w = be32(16), h = be32(20);  // from the IHDR chunk
    ASSERT_TRUE(orvtools::WritePng(media + "/" + name,
                                   std::vector<uint32_t>(static_cast<size_t>(w) * h, 0x004000u), w, h));
  }
  auto r = packTool({"patch", game, media, "--version", "1", "-o", made + "/background.patch"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = packTool({"patch", game, "--remove", "sfx_open.wav", "--version", "2", "-o", extra + "/sound.patch"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // One damaged on its way, one made for another game.
  std::string damaged = orvtest::ReadFile(made + "/background.patch");
  damaged[damaged.size() / 2] ^= 0x10;
  orvtest::WriteFile(dir + "/damaged.patch", damaged);
  orvtest::WriteFile(made + "/other.txt", "another game's file");
  ASSERT_EQ(packTool({"create", made + "/other.sbx", made + "/other.txt"}).exitCode, 0);
  ASSERT_EQ(packTool({"patch", made + "/other.sbx", media, "-o", dir + "/other.patch"}).exitCode, 0);
  // The tool finds both faults too.
  EXPECT_EQ(packTool({"verify", "--base", game, made + "/background.patch"}).exitCode, 0);
  EXPECT_NE(packTool({"verify", dir + "/damaged.patch"}).exitCode, 0);
  r = packTool({"verify", "--base", game, dir + "/other.patch"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("made for archive"), std::string::npos) << r.err;

  // Share of the most common colour in the open background above the
  // buttons: the packed tiles are all different, the patch's all alike.
  auto plainShare = [&](const std::vector<uint32_t>& pixels) {
    std::map<uint32_t, size_t> count;
    size_t n = 0;
    for (size_t y = 100; y < 270 && pixels.size() == 960u * 560u; ++y)
      for (size_t px = 0; px < 760; ++px, ++n) ++count[pixels[y * 960 + px]];
    size_t most = 0;
    for (const auto& [colour, times] : count) most = std::max(most, times);
    return n ? static_cast<double>(most) / static_cast<double>(n) : 0.0;
  };
  auto title = [&](const std::map<std::string, std::string>& env) {
    auto child = Start(game, dir, env);
    std::string id;
    VirtualDisplay::Geometry g;
    std::vector<uint32_t> pixels;
    EXPECT_TRUE(FindGame(id, g)) << child->Err();
    if (id.empty()) return pixels;
    EXPECT_TRUE(WaitForTitle(id, g));
    pixels = ReadSettled(g, 0, 0, 960, 560);
    Quit(*child, id);
    return pixels;
  };

  // Only the bad patches: refused, and the game runs as packed.
  EXPECT_LT(plainShare(title({})), 0.2);
  std::string log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("damaged.patch refused: damaged"), std::string::npos) << log;
  EXPECT_NE(log.find("other.patch refused: made for another archive"), std::string::npos) << log;

  // The good ones beside the program and in the patch folder: the new
  // background shows, and the game runs without the removed sound.
  fs::copy(made + "/background.patch", dir + "/background.patch");
  EXPECT_GT(plainShare(title({{"ORVANE_PATCH_DIR", extra}})), 0.9);
  log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("background.patch taken: version 1, 3 entries, 0 removed"), std::string::npos) << log;
  EXPECT_NE(log.find("sound.patch taken: version 2, 0 entries, 1 removed"), std::string::npos) << log;
  EXPECT_NE(log.find("damaged.patch refused"), std::string::npos) << log;
}

TEST_F(Vorlo, LosingTheFocusHoldsTheSceneAndItsSounds) {
  ASSERT_TRUE(x.Ok());
  auto game = Start(Game());
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();
  ASSERT_TRUE(WaitForTitle(id, g));
  // Another program's window, to take the focus.
  Child other({orvtest::BinaryPath("tests/runtime/spine_game")},
              x.ProgramOptions({{"SPINE_FRAMES", "-1"}, {"SPINE_CAPTION", "other"}}));
  std::string otherId = x.FindWindow("other");
  ASSERT_FALSE(otherId.empty());
  // Both windows are centred: keep the game's on top, so clicks reach it.
  x.Xdotool({"windowraise", id});
  auto pauseGame = [&] {
    x.Xdotool({"windowfocus", "--sync", otherId});
    bool paused = false;
    for (int i = 0; i < 100 && !paused; ++i, Sleep(50)) paused = x.WindowTitle(id) == "vorlo <pause>";
    return paused;
  };
  auto resumeGame = [&] {
    x.Xdotool({"windowfocus", "--sync", id});
    bool resumed = false;
    for (int i = 0; i < 100 && !resumed; ++i, Sleep(50)) resumed = x.WindowTitle(id) == "vorlo";
    return resumed;
  };
  ASSERT_TRUE(resumeGame());

  // "Test" starts the slide-in; paused in the middle of it, the picture
  // stands still, and it moves on once the game has the focus again.
  Click(id, 480, 320);
  Sleep(200);
  ASSERT_TRUE(pauseGame());
  Sleep(300);
  const auto held = Read(g, 0, 380, 960, 140);
  Sleep(700);
  EXPECT_EQ(Read(g, 0, 380, 960, 140), held) << "the scene moved while paused";
  EXPECT_FALSE(TestButtonRed(g)) << "the slide-in had ended before the pause: nothing to hold";
  ASSERT_TRUE(resumeGame());
  ASSERT_TRUE(WaitForTitle(id, g));
  EXPECT_NE(Read(g, 0, 380, 960, 140), held);

  Sleep(600);
  // Paused, a click on "Open" plays nothing...
  ASSERT_TRUE(pauseGame());
  Sleep(300);
  size_t mark = AudioBytes();
  Click(id, 192, 448);
  Sleep(700);
  int left = 0, right = 0;
  AudioPeaks(mark, left, right);
  EXPECT_EQ(right, 0) << "a paused game played a cue";
  // ...and once the game runs again, the same click does.
  ASSERT_TRUE(resumeGame());
  Sleep(300);
  mark = AudioBytes();
  Click(id, 192, 448);
  Sleep(700);
  AudioPeaks(mark, left, right);
  EXPECT_GT(right, 3000) << "the control click after resuming played nothing";
  // Nothing of the click made while paused is left held: "Test" still works.
  Sleep(600);
  Click(id, 480, 320);
  Sleep(300);
  EXPECT_FALSE(TestButtonRed(g)) << "\"Test\" did not restart the slide-in";
  EXPECT_TRUE(WaitForTitle(id, g));

  Key(otherId, "Escape");
  EXPECT_TRUE(other.Wait(10));
  Quit(*game, id);
}

// An 800 x 600 desktop is smaller than the game's 960 x 640 design size.
class VorloOnASmallDesktop : public Vorlo {
 protected:
  VorloOnASmallDesktop() : Vorlo(800, 600) {}
};

TEST_F(VorloOnASmallDesktop, TheWindowFitsAndTheButtonsStillClick) {
  ASSERT_TRUE(x.Ok());
  auto game = Start(Game());
  std::string id;
  VirtualDisplay::Geometry g;
  ASSERT_TRUE(FindGame(id, g)) << game->Err();
  ASSERT_TRUE(WaitForTitle(id, g));
  // The largest size of the design's shape that fits: 800 x 533, centred.
  EXPECT_EQ(g.width, 800);
  EXPECT_EQ(g.height, 533);
  EXPECT_EQ(g.x, 0);
  EXPECT_EQ(g.y, (600 - 533) / 2);
  // "Open" sits at (192, 448) of the design, (160, 373) of this window.
  Sleep(300);
  size_t mark = AudioBytes();
  Click(id, 160, 373);
  Sleep(700);
  int left = 0, right = 0;
  AudioPeaks(mark, left, right);
  EXPECT_GT(right, 3000) << "clicking \"Open\" played nothing";
  Quit(*game, id);
}

}  // namespace
