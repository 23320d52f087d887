// The input test game on a real X server (Xvfb), driven like a person with
// xdotool: a line typed into InputLine, real keys read as scan codes, a click.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace {

using orvtest::Child;
using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("tests/input/input_game"); }

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The game reads keys once per frame; give the focus change a moment to arrive.
void Focus(VirtualDisplay& x, const std::string& window) {
  x.Xdotool({"windowfocus", "--sync", window});
  Pause(300);
}

TEST(InputE2E, TypedLineReachesInputLine) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"INPUT_MODE", "line"}, {"INPUT_CAPTION", "line"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  std::string id = x.FindWindow("line");
  ASSERT_FALSE(id.empty());
  Focus(x, id);
  x.Xdotool({"type", "--delay", "40", "abc"});
  x.Xdotool({"key", "--delay", "40", "BackSpace"});
  // Only keys of the server's keymap: xdotool types others by remapping a
  // key for a moment, and the client may look the key up after it was put back.
  x.Xdotool({"type", "--delay", "40", "d 12!"});
  // The line shows at (10, 10) in the built-in font: white glyphs, grey
  // outline, over the screen as it was (black). "a" has its top row of ink
  // at (3, 3) of its cell, "!" its stroke in column 3 of the seventh cell.
  Pause(300);
  auto g = x.WindowGeometry(id);
  std::vector<uint32_t> screen;
  int sw = 0, sh = 0;
  ASSERT_TRUE(x.Grab(screen, sw, sh));
  auto at = [&](int px, int py) { return screen[static_cast<size_t>(g.y + py) * sw + g.x + px]; };
  EXPECT_EQ(at(10 + 3, 10 + 3), 0xFFFFFFu);
  EXPECT_EQ(at(10 + 4, 10 + 3), 0xFFFFFFu);
  EXPECT_EQ(at(10 + 3, 10 + 2), 0x080808u);
  EXPECT_EQ(at(10 + 6 * 8 + 3, 10 + 3), 0xFFFFFFu);
  EXPECT_EQ(at(10 + 6 * 8 + 3, 10 + 5), 0x080808u);
  EXPECT_EQ(at(10 + 0, 10 + 0), 0u);
  EXPECT_EQ(at(10 + 3, 30), 0u);
  x.Xdotool({"key", "--delay", "40", "Return"});
  ASSERT_TRUE(game.Wait(10)) << game.Out();
  EXPECT_EQ(game.ExitCode(), 0);
  EXPECT_EQ(game.Out(), "ready\nline=abd 12!\nexit\n");
}

TEST(InputE2E, RealKeysReadAsScanCodesAndClicksAtTheirPosition) {
  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"INPUT_MODE", "watch"}, {"INPUT_CAPTION", "watch"}}));
  ASSERT_TRUE(game.WaitForOutput("ready\n", 20)) << game.Err();
  std::string id = x.FindWindow("watch");
  ASSERT_FALSE(id.empty());
  Focus(x, id);
  x.Xdotool({"key", "--delay", "80", "a", "F12", "Up", "Home", "Delete", "KP_Enter", "Control_R"});
  ASSERT_TRUE(game.WaitForOutput("key 157\n", 10)) << game.Out();
  // In the order pressed (the X server may add a modifier of its own).
  size_t at = 0;
  for (const char* line : {"key 30\n", "key 88\n", "key 200\n", "key 199\n", "key 211\n", "key 156\n", "key 157\n"}) {
    at = game.Out().find(line, at);
    ASSERT_NE(at, std::string::npos) << line << game.Out();
  }

  x.Xdotool({"mousemove", "--window", id, "50", "60"});
  Pause(100);
  x.Xdotool({"mousedown", "1"});
  Pause(100);
  x.Xdotool({"mouseup", "1"});
  ASSERT_TRUE(game.WaitForOutput("click 50 60\n", 10)) << game.Out();

  x.Xdotool({"key", "Escape"});
  ASSERT_TRUE(game.Wait(10)) << game.Out();
  EXPECT_EQ(game.ExitCode(), 0);
}

// A pad plugged in while the game runs, by the database beside the program:
// seen within a frame, its fourth axis read as the stick, neutral once
// unplugged, and under its old number when it comes back.
TEST(InputE2E, APadPluggedInLateIsMappedByTheDatabaseBesideTheProgramAndKeepsItsNumber) {
  // The game's copy in a folder of its own, with the database beside it.
  const std::string folder = orvtest::PrivateDir() + "/pads";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string game = folder + "/pad_game";
  if (link(orvtest::BinaryPath("tests/input/pad_game").c_str(), game.c_str()) != 0)
    std::filesystem::copy_file(orvtest::BinaryPath("tests/input/pad_game"), game);
  // The pad's GUID, as the joystick system makes it for the game's pad.
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = 4;
  desc.nbuttons = 2;
  desc.vendor_id = 0x1234;
  desc.product_id = 0x5678;
  desc.name = "Plug Pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  ASSERT_GE(index, 0) << SDL_GetError();
  char guid[33];
  SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  orvtest::WriteFile(folder + "/gamecontrollerdb.txt",
                     std::string("03000000,broken\r\n") + guid + ",Plug Pad,a:b0,b:b1,leftx:a3,lefty:a2,platform:Linux,\r\n");

  VirtualDisplay x(800, 600);
  ASSERT_TRUE(x.Ok());
  Child pads({game}, x.ProgramOptions());
  ASSERT_TRUE(pads.WaitForOutput("ready 0\n", 20)) << pads.Err();
  const std::string id = x.FindWindow("pads");
  ASSERT_FALSE(id.empty());
  x.Xdotool({"windowfocus", "--sync", id});
  ASSERT_TRUE(pads.Wait(30)) << pads.Out();
  EXPECT_EQ(pads.ExitCode(), 0);
  EXPECT_EQ(pads.Out(),
            "ready 0\n"
            "plugged count=1 x=-1 button=128 name=Plug Pad, Plug Pad\n"
            "unplugged count=1 x=0 button=0 name=Plug Pad, Plug Pad\n"
            "back count=1 x=-1 button=0 name=Plug Pad, Plug Pad\n"
            "exit\n");
  const std::string log = orvtest::ErrorLogText();
  EXPECT_NE(log.find("gamepad mapping skipped (gamecontrollerdb.txt line 1): "), std::string::npos) << log;
  EXPECT_NE(log.find("gamecontrollerdb.txt: 1 mappings\n"), std::string::npos) << log;
}

}  // namespace
