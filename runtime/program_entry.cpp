// ProgramEntry and RuntimeInit: the ordered start of the runtime. Every step
// logs a line first, so a failed start can be diagnosed from the log alone.
#include "runtime/program_entry.h"

#include <unistd.h>

#include <cstdlib>

#include "audio/sound_device.h"
#include "gfx2d/opengl_vexel.h"
#include "files/asset_locator.h"
#include "files/files_lifecycle.h"
#include "gfx3d/vexel3d.h"
#include "input/dx_input.h"
#include "net/net_session.h"
#include "platform/video.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"
#include "runtime/lib/random.h"
#include "runtime/main_loop.h"
#include "runtime/program_dir.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"

namespace orv {

void ProgramEntry(int argc, char** argv, const GameProgram& game) {
  RuntimeState& rt = Rt();
  rt.game = game;
  RtString commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i) commandLine += ' ';
    commandLine += argv[i];
  }
  rt.commandLine.Exchange(commandLine);

  if (game.settings) game.settings(rt.settings);
  // Without a window there is nothing the game could do: end in order
  // instead of running it on a missing device.
  if (RuntimeInit(rt.settings.caption.CStr()) != 0) EndProgram();
  rt.lastError = 0;
  rt.errorLine = 0;
  rt.currentLine = 0;
  if (game.main) game.main();
  EndProgram();
  std::exit(0);
}

int RuntimeInit(const char* caption) {
  RuntimeState& rt = Rt();
  const ProjectSettings& s = rt.settings;
  StartLog();
  rt.runtimeActive = true;
  LogLine("timer\n");
  InitClock();
  LogLine("vexl\n");
  rt.device = std::make_unique<OpenGLVexel>();
  rt.device->windowProc = WindowProc;
  LogLine("vexl init\n");
  if (!rt.device->Init(s.width, s.height, 0, s.frameRate, s.multisample, s.fullScreen != 0)) {
    // Nothing else exists; without a device the shutdown adds no lines, so
    // the log's last line still tells where the start stopped.
    rt.device.reset();
    return -1;
  }
  platform::Rect desktop = platform::DesktopBounds();
  rt.desktopWidth = desktop.w;
  rt.desktopHeight = desktop.h;
  rt.mainWindow = rt.device->Window();
  rt.mainWindow->SetTitle(caption);
  LogLine("Cptn\n");
  rt.windowCaption = caption;
  platform::DisableScreenSaver();
  // startTime is still 0: the seed is the time window creation took.
  SeedRandom(ToInt32(ElapsedMs()));

  LogLine("Network\n");
  rt.net = std::make_unique<NetSession>();
  rt.scene = std::make_unique<Vexel3D>(rt.device.get());
  LogLine("Input\n");
  rt.input = std::make_unique<DXInput>();
  LogLine("Window mode\n");
  if (s.fullScreen) {
    rt.device->EnterFullscreen();
  } else {
    rt.device->EnterWindowed();
  }
  LogLine("Create DXin\n");
  rt.input->InitInput(rt.mainWindow, s.exclusiveMouse != 0);
  LogLine("reptr\n");
  rt.input->SetWindow(rt.device->Window());
  rt.currentFont = 0;

  LogLine("getexe\n");
  RtString dir = ProgramDirectory();
  LogLine("cd\n");
  if (chdir(dir.CStr()) != 0) {
    // The log line below tells which folder was meant.
  }
  LogFormat("exepath=curdir= %s\n", dir.CStr());
  StartAssetLocators(ProgramPath());

  rt.startTime = rt.prevFrameTime = rt.frameTime = ClockMs();
  rt.device->FreeBackground(0);
  rt.device->SetClearColor(0);
  rt.device->Flip(nullptr);
  rt.device->Reset2DState();
  // The default font: built in, replaced by the first font file the file
  // locator finds; a found file that does not load leaves the built-in one.
  rt.device->InstallBuiltinFont(0);
  for (const char* name : {"Media/smalfont.png", "Media/smalfont.bmp", "smalfont.png", "smalfont.bmp"}) {
    RtString found;
    if (!ResolveAsset(rt.fileLocator.get(), RtString(name), found, true)) continue;
    if (!rt.device->LoadFont(0, found)) {
      SetErrorCode(kErrNoSuchFile);
      rt.device->InstallBuiltinFont(0);
    }
    break;
  }
  rt.currentFont = 0;
  rt.paused = false;
  rt.startTime = rt.prevFrameTime = rt.frameTime = ClockMs();

  // There is no show state on this platform: ORVANE_HIDDEN=1 starts hidden.
  const char* hidden = std::getenv("ORVANE_HIDDEN");
  if (hidden && hidden[0] == '1' && hidden[1] == 0) rt.device->HideWindow();
  rt.input->ShowMouse(s.exclusiveMouse == 0);

  rt.audio = std::make_unique<SoundDevice>();
  rt.soundSlots = std::make_unique<SoundSlot[]>(kSoundSlots);
  rt.audio->Open(rt.mainWindow);
  rt.audio->SetWindow(rt.mainWindow);
  LogLine("Init Finalized\n");
  return 0;
}

}  // namespace orv
