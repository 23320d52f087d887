// The default font at start-up: a copy of a small game runs from a folder of
// its own with different font files beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx2d/image_codec.h"
#include "image_test_util.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

// The game in a fresh folder (the program's folder is where it looks).
std::string Install(const std::string& name) {
  const fs::path dir = fs::path(orvtest::PrivateDir()) / name;
  fs::create_directories(dir / "Media");
  const fs::path game = dir / "font_game";
  std::error_code ec;
  fs::create_hard_link(orvtest::BinaryPath("tests/gfx2d/font_game"), game, ec);
  if (ec) fs::copy_file(orvtest::BinaryPath("tests/gfx2d/font_game"), game);
  return dir.string();
}

void WriteFontImage(const std::string& path, int w, int h) {
  orv::PixelImage img;
  imgtest::Fill(img, w, h, [](int x, int y) { return (x + y) % 5 == 0 ? 0xFFFFFFFFu : 0xFF000000u; });
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(path.ends_with(".png") ? orv::EncodePng(img, bytes) : orv::EncodeBmp(img, bytes));
  orvtest::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string RunGame(const std::string& dir) {
  orvtest::ProcessOptions opt;
  opt.env["SDL_VIDEODRIVER"] = "offscreen";
  auto r = orvtest::RunProcess({dir + "/font_game"}, opt);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

TEST(StartupFont, FirstFontFileFoundReplacesTheBuiltinFont) {
  const std::string none = Install("none");
  EXPECT_EQ(RunGame(none), "cell 8x8 current 0\nexit\n");

  const std::string both = Install("both");
  WriteFontImage(both + "/Media/smalfont.png", 256, 128);
  WriteFontImage(both + "/smalfont.bmp", 128, 256);
  EXPECT_EQ(RunGame(both), "cell 16x16 current 0\nexit\n");

  const std::string last = Install("last");
  WriteFontImage(last + "/smalfont.bmp", 128, 256);
  EXPECT_EQ(RunGame(last), "cell 8x16 current 0\nexit\n");

  // A found file that does not load leaves the built-in font; later names
  // are not tried.
  const std::string broken = Install("broken");
  orvtest::WriteFile(broken + "/Media/smalfont.png", "not an image");
  WriteFontImage(broken + "/Media/smalfont.bmp", 256, 128);
  EXPECT_EQ(RunGame(broken), "cell 8x8 current 0\nexit\n");
}

}  // namespace
