// Starting a program from this process: the whole command line reaches it,
// and the display around it on the offscreen driver (a windowed game stays a
// window of its size; the full-screen case runs on a real X server, in the
// dialog tests).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "gfx2d/opengl_vexel.h"
#include "platform/video.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"
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

TEST(RunProgram, TheWholeLineRunsOrNothingDoes) {
  const std::string dir = orvtest::PrivateDir();
  const std::string record = dir + "/record.sh";
  const std::string args = dir + "/args.txt";
  orvtest::WriteFile(record, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + args + "\"\n");
  chmod(record.c_str(), 0755);
  int32_t code = -1;

  // Past a thousand bytes every argument arrives whole.
  const std::string longPath = dir + "/" + std::string(1100, 'p') + ".sav";
  orv::Rt().lastError = 5;
  EXPECT_EQ(orv::RunProgramLine(("\"" + record + "\" \"" + longPath + "\" third").c_str(), true, code), 1);
  EXPECT_EQ(orv::Rt().lastError, 0);
  EXPECT_EQ(orvtest::ReadFile(args), "[" + longPath + "][third]");
  std::remove(args.c_str());

  // More than the system hands a program, and a NUL, which no program can be
  // given: refused whole, and nothing runs.
  const std::string tooLong = record + " " + std::string(200000, 'q');
  const std::string withNul = record + " a" + std::string(1, '\0') + "b";
  for (const std::string& line : {tooLong, withNul}) {
    code = -1;
    EXPECT_EQ(orv::RunProgramLine(RtString(line.data(), static_cast<int32_t>(line.size())), true, code), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(orv::Rt().lastError, kErrNoSuchFile);
    EXPECT_FALSE(orvtest::Exists(args));
  }
}

}  // namespace
