// 2D device faults, each on a real GL context: sizes no int can hold,
// reading sprites back without framebuffers, grabs inside turned screens
// and moved viewports, failed grabs, and the copying surfaces' saved pixels.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "files/asset_locator.h"
#include "files/files_test_support.h"
#include "gfx2d/opengl_vexel.h"
#include "gl_fixture.h"
#include "orvane/gfx2d.h"
#include "orvane/runtime.h"
#include "runtime/error_state.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0x404040;

using Faults = gltest::GlDevice;

TEST_F(Faults, ZoomBySizesNoIntCanHoldDrawsNothing) {
  MakeSprite(1, 8, 8, [](int, int) { return 0xFF0000FFu; });
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (double scale : {nan, inf, -inf, 1e12, -1e12}) {
    ZoomSprite(1, 10, 10, scale, 1);
    ZoomSprite(1, 10, 10, 1, scale);
    EXPECT_EQ(Count(kRed), 0) << scale;
  }
  ZoomSprite(1, 20, 20, 2, 2);
  EXPECT_GT(Count(kRed), 200);
}

// Sprite pixels read back while the copying fallback stands in for framebuffers.
struct NoFramebuffer : gltest::GlDevice {
  void SetUp() override {
    orv::Rt().switches.noFramebuffer = true;
    GlDevice::SetUp();
  }
  void TearDown() override {
    GlDevice::TearDown();
    orv::Rt().switches.noFramebuffer = false;
  }
};

TEST_F(NoFramebuffer, SpritesAndTheScreenAreReadBackAndSaved) {
  ASSERT_FALSE(orv::OpenGLVexel::FramebuffersAvailable());
  auto pattern = [](int x, int y) { return 0xFF000000u | uint32_t(x * 20) | uint32_t(y * 30) << 8 | 0x800000u; };
  MakeSprite(3, 10, 7, pattern);
  orv::PixelImage back;
  ASSERT_TRUE(d->SpriteToImage(3, back));
  ASSERT_EQ(back.width, 10);
  ASSERT_EQ(back.height, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(back.Pixel(x, y), pattern(x, y)) << x << "," << y;

  const std::string sprite = orvtest::PrivateDir() + "/sprite.png";
  ASSERT_EQ(SaveSprite(3, RtString(sprite.c_str())), 1);
  orv::PixelImage saved;
  ASSERT_TRUE(orv::ReadImage(RtString(sprite.c_str()), orv::kNoColorKey, saved));
  EXPECT_EQ(saved.Pixel(9, 6), pattern(9, 6));

  DrawRect(0, 0, kWidth, kHeight, kBlue);
  DrawRect(5, 6, 3, 2, kGreen);
  const std::string screen = orvtest::PrivateDir() + "/screen.bmp";
  ASSERT_EQ(SaveScreen(RtString(screen.c_str())), 1);
  ASSERT_TRUE(orv::ReadImage(RtString(screen.c_str()), orv::kNoColorKey, saved));
  ASSERT_EQ(saved.width, kWidth);
  EXPECT_EQ(saved.Pixel(0, 0) & 0xFFFFFF, kBlue);
  EXPECT_EQ(saved.Pixel(6, 7) & 0xFFFFFF, kGreen);
}

TEST_F(NoFramebuffer, ACopyingSurfaceInSlot65503KeepsTheWindowPixelsItCovers) {
  const int slot = FindFreeSprite();
  ASSERT_EQ(slot, 65503);
  DrawRect(0, 0, kWidth, kHeight, kBlue);
  CreateSurface(0, slot, 16, 16);
  UseSurface(0);
  DrawRect(0, 0, 16, 16, kRed);
  EndSurface();
  // The window corner is back, and the surface holds what was drawn.
  EXPECT_EQ(Count(kBlue), kWidth * kHeight);
  DrawSprite(slot, 30, 20);
  EXPECT_EQ(Count(kRed, 30, 20, 46, 36), 256);
}

TEST_F(Faults, GrabInsideASurfaceIgnoresTheTurnedScreen) {
  ASSERT_TRUE(orv::OpenGLVexel::FramebuffersAvailable());
  CreateSurface(0, 20, 32, 16);
  UseSurface(0);
  DrawRect(0, 0, 16, 16, kRed);
  DrawRect(16, 0, 16, 16, kGreen);
  for (int turns = 1; turns <= 3; ++turns) {
    d->SetOrientation(turns);
    ASSERT_TRUE(d->GrabSprite(21, 0, 0, 8, 4));
    ASSERT_TRUE(d->GrabSprite(22, 20, 8, 4, 8));
    orv::PixelImage a, b;
    ASSERT_TRUE(d->SpriteToImage(21, a));
    ASSERT_TRUE(d->SpriteToImage(22, b));
    ASSERT_EQ(a.width, 8);
    ASSERT_EQ(b.height, 8);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(a.Pixel(x, y) & 0xFFFFFF, kRed) << turns;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y) & 0xFFFFFF, kGreen) << turns;
  }
  d->SetOrientation(0);
  EndSurface();
}

TEST_F(Faults, TheRenderedKeyColourIsFoundWhereverTheViewportIs) {
  d->SetClearColor(kGrey);
  NextFrame();
  DrawRect(8, 0, 8, 8, static_cast<int32_t>(d->TransparentColor()));
  d->SetViewport(20, 10, 30, 30);
  const std::vector<uint32_t> before = [&] {
    std::vector<uint32_t> s(kWidth * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, s.data());
    return s;
  }();
  ASSERT_TRUE(d->GrabSprite(5, 0, 0, 16, 8));
  ASSERT_TRUE(d->GrabByReadBack(5, 0, 0, 16, 8, true));
  orv::PixelImage img;
  ASSERT_TRUE(d->SpriteToImage(5, img));
  EXPECT_EQ(img.Pixel(2, 2) >> 24, 255u);  // grey stays opaque
  EXPECT_EQ(img.Pixel(10, 2) >> 24, 0u);   // the key colour is transparent
  // Finding the colour leaves no trace on the screen.
  std::vector<uint32_t> after(kWidth * kHeight);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, after.data());
  EXPECT_EQ(after, before);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(Faults, AGrabThatFailsLeavesItsSlotFree) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  MakeSprite(5, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  d->SetOrientation(1);  // the read-back path, whose scratch image needs memory
  auto grabWithoutMemory = [this] {
    // Address space for what is mapped now and little more: the 64 MB the
    // grab needs cannot be had.
    orvtest::LimitAddressSpace(16 << 20);
    const bool ok = d->GrabSprite(5, 0, 0, 4096, 4096);
    _exit(!ok && !d->IsUsedSprite(5) ? 0 : 1);
  };
  EXPECT_EXIT(grabWithoutMemory(), testing::ExitedWithCode(0), "");
  d->SetOrientation(0);
}

TEST_F(Faults, ImagesAndFontsMemoryCannotHoldAreRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A 256 MB file (sparse: it takes no disk) that a loader reads whole.
  const std::string huge = orvtest::PrivateDir() + "/huge.png";
  const int fd = open(huge.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t{256} << 20), 0);
  close(fd);
  auto loadWithoutMemory = [&] {
    orv::StartLog();
    orvtest::LimitAddressSpace(64 << 20);
    const bool sprite = LoadSprite(3, huge.c_str()) == 0 && ErrorCode() == 3 && !d->IsUsedSprite(3);
    const bool font = LoadFont(2, huge.c_str()) == 0 && ErrorCode() == 3;
    const std::string log = orvtest::ErrorLogText(), line = "# malloc error\n" + huge + "\n";
    const size_t first = log.find(line);
    const bool logged = first != std::string::npos && log.find(line, first + 1) != std::string::npos;
    _exit(sprite && font && logged ? 0 : 1);
  };
  EXPECT_EXIT(loadWithoutMemory(), testing::ExitedWithCode(0), "");
}
#endif

}  // namespace

// The software-renderer notice a game ships is found where every other
// asset is: packed into the program as well as beside it.
TEST(DriverNotice, IsReadFromTheProgramsArchiveAndBesideIt) {
  std::string text;
  orv::AssetLocator none;
  EXPECT_FALSE(orv::ReadDriverNotice(&none, text));

  {
    std::ofstream out("game.bin", std::ios::binary);
    out << filestest::Carrier(std::string(64, 'E'), {{"opengldriver.txt", "packed notice"}}, true);
  }
  orv::AssetLocator packed;
  packed.Reset("game.bin");
  ASSERT_TRUE(orv::ReadDriverNotice(&packed, text));
  EXPECT_EQ(text, "packed notice");
}
