// The file dialogs for real: the game asks, zenity shows its dialog on an X
// server of our own, and xdotool answers it like a person. And a full-screen
// game that starts a program is full screen again when it returns.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"

namespace {

using orvtest::Child;
using orvtest::VirtualDisplay;

std::string Game() { return orvtest::BinaryPath("tests/system/system_game"); }

// The dialog as a person meets it: focused, given a moment to settle.
std::string Dialog(VirtualDisplay& x, const std::string& title) {
  std::string id = x.FindWindow(title, 20);
  if (id.empty()) return id;
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  x.Xdotool({"windowfocus", "--sync", id});
  return id;
}

TEST(FileDialogE2E, TheTypedPathIsTheAnswerAndTheFolderStays) {
  VirtualDisplay x(1024, 768);
  ASSERT_TRUE(x.Ok());
  const std::string picked = orvtest::PrivateDir() + "/picked file.txt";
  orvtest::WriteFile(picked, "x");
  Child game({Game()}, x.ProgramOptions({{"SYSTEM_MODE", "file"}, {"SYSTEM_FILTER", "Text|*.txt|All|*.*"},
                                         {"NO_AT_BRIDGE", "1"}}));
  ASSERT_TRUE(game.WaitForOutput("asking\n", 20)) << game.Err();
  std::string id = Dialog(x, "Open");
  ASSERT_FALSE(id.empty()) << game.Err();
  x.Xdotool({"type", "--delay", "20", picked});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  x.Xdotool({"key", "Return"});
  ASSERT_TRUE(game.Wait(20)) << game.Out();
  EXPECT_EQ(game.ExitCode(), 0);
  // The runtime works in the program's folder; the dialog does not move it.
  const std::string folder = Game().substr(0, Game().rfind('/'));
  EXPECT_EQ(game.Out(), "asking\nchosen=" + picked + "\nfolder=" + folder + "\nexit\n");
}

TEST(FileDialogE2E, CancellingTheSaveDialogAnswersNoFile) {
  VirtualDisplay x(1024, 768);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"SYSTEM_MODE", "file"}, {"SYSTEM_SAVE", "1"}, {"SYSTEM_FILTER", "*.sav"},
                                         {"NO_AT_BRIDGE", "1"}}));
  ASSERT_TRUE(game.WaitForOutput("asking\n", 20)) << game.Err();
  std::string id = Dialog(x, "Save As");
  ASSERT_FALSE(id.empty()) << game.Err();
  x.Xdotool({"key", "Escape"});
  ASSERT_TRUE(game.Wait(20)) << game.Out();
  EXPECT_NE(game.Out().find("asking\nchosen=NO_FILE\n"), std::string::npos) << game.Out();
}

TEST(ScreenHandoverE2E, AFullScreenGameIsFullScreenAgainAfterTheProgram) {
  VirtualDisplay x(1024, 768);
  ASSERT_TRUE(x.Ok());
  Child game({Game()}, x.ProgramOptions({{"SYSTEM_MODE", "run"}, {"SYSTEM_FULLSCREEN", "1"}, {"SYSTEM_WIDTH", "1024"},
                                         {"SYSTEM_HEIGHT", "768"},
                                         {"SYSTEM_COMMAND", "sh -c \"exit 3\""}}));
  ASSERT_TRUE(game.Wait(30)) << game.Out();
  EXPECT_EQ(game.Out(), "started=1\nexit code=3\nfull screen=1\nexit\n") << game.Err();
}

}  // namespace
