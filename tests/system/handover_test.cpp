// The display around a started program, in this process on the offscreen
// driver: a windowed game stays a window of its size (the full-screen case
// runs on a real X server, in the dialog tests).
#include <gtest/gtest.h>

#include "gfx2d/opengl_vexel.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"
#include "system/processes.h"

namespace {

void StartWindowed() {
  ProjectSettings& s = orv::Rt().settings;
  s.width = 160;
  s.height = 120;
  s.frameRate = 0;
  s.fullScreen = 0;
  orvtest::StartRuntimeUpTo("window mode");
}

TEST(ScreenHandover, AWindowStaysAWindowOfItsSize) {
  StartWindowed();
  orv::OpenGLVexel* device = orv::Rt().device.get();
  ASSERT_NE(device, nullptr);
  int32_t code = -1;
  EXPECT_EQ(orv::RunProgramLine("true", true, code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(device->isFullscreen);
  EXPECT_FALSE(orv::Rt().mainWindow->Fullscreen());
  const orv::platform::Rect r = orv::Rt().mainWindow->ClientRect();
  EXPECT_EQ(r.w, 160);
  EXPECT_EQ(r.h, 120);
  orvtest::StopRuntime();
}

}  // namespace
