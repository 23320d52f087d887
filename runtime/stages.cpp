// The stage table: what the runtime starts, in which order, what each start
// logs, and how each stage is undone. A new subsystem adds one entry here
// (and its hooks) and nothing else in the runtime.
#include "runtime/stages.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "audio/sound_device.h"
#include "files/asset_locator.h"
#include "files/files_lifecycle.h"
#include "gl/gl_state_cache.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "input/dx_input.h"
#include "media/music_player.h"
#include "net/net_session.h"
#include "platform/video.h"
#include "runtime/clock.h"
#include "runtime/crash_report.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"
#include "runtime/lib/random.h"
#include "runtime/main_loop.h"
#include "runtime/program_dir.h"
#include "runtime/runtime_state.h"
#include "system/imports.h"

namespace orv {

namespace {

bool StartLogStage(RuntimeState& rt) {
  StartLog();
  rt.runtimeActive = true;
  return true;
}

bool StartCrashReportsStage(RuntimeState&) {
  StartCrashReports();
  return true;
}

void StopCrashReportsStage(RuntimeState&) { StopCrashReports(); }

// A report tells the renderer and the screen size as they were at the last frame.
void CrashReportsFrame(RuntimeState& rt, FramePhase phase) {
  if (phase != FramePhase::kAfterPresent || !rt.device) return;
  NoteCrashScreen(rt.device->glRenderer.c_str(), rt.device->screenWidth, rt.device->screenHeight);
}

bool StartTimer(RuntimeState&) {
  InitClock();
  return true;
}

bool StartDevice(RuntimeState& rt) {
  const ProjectSettings& s = rt.settings;
  rt.device = std::make_unique<OpenGLVexel>();
  rt.device->windowProc = WindowProc;
  LogLine("vexl init\n");
  if (!rt.device->Init(s.width, s.height, 0, s.frameRate, s.multisample, s.fullScreen != 0)) {
    // Nothing else exists; the log's last line still tells where the start stopped.
    rt.device.reset();
    return false;
  }
  platform::Rect desktop = platform::DesktopBounds();
  rt.desktopWidth = desktop.w;
  rt.desktopHeight = desktop.h;
  rt.mainWindow = rt.device->Window();
  rt.mainWindow->SetTitle(rt.windowCaption.CStr());
  NoteCrashScreen(rt.device->glRenderer.c_str(), rt.device->screenWidth, rt.device->screenHeight);
  LogLine("Cptn\n");
  platform::DisableScreenSaver();
  // startTime is still 0: the seed is the time window creation took.
  SeedRandom(ToInt32(ElapsedMs()));
  return true;
}

void StopDevice(RuntimeState& rt) {
  rt.mainWindow = nullptr;
  rt.device.reset();
  rt.glState.reset();
  LogLine("orv is shut down\n");
}

void DeviceFrame(RuntimeState& rt, FramePhase phase) {
  if (phase != FramePhase::kAfterPresent || !rt.device) return;
  rt.device->SetAlphaMode(0);
  rt.device->Reset2DState();
}

bool StartNet(RuntimeState& rt) {
  rt.net = std::make_unique<NetSession>();
  return true;
}

void StopNet(RuntimeState& rt) {
  if (rt.net) {
    rt.net->Shutdown();
    rt.net.reset();
  }
  // Drops the socket layer's start count to zero whatever the game left open.
  for (int i = 0; i < 16; ++i) SockShutdown();
}

bool StartScene(RuntimeState& rt) {
  rt.scene = std::make_unique<Vexel3D>(rt.device.get());
  return true;
}

void StopScene(RuntimeState& rt) { rt.scene.reset(); }

// An open shadow pass darkens the viewport it was opened in: it is closed
// before that picture is shown or the viewport moves.
void SceneFrame(RuntimeState& rt, FramePhase phase) {
  if (!rt.scene) return;
  if (phase == FramePhase::kBeforePresent || phase == FramePhase::kBeforeViewport) rt.scene->EndShadowPass();
  if (phase == FramePhase::kAfterPresent) rt.scene->ResetFrameState();
}

bool StartInput(RuntimeState& rt) {
  rt.input = std::make_unique<DXInput>();
  return true;
}

void StopInput(RuntimeState& rt) {
  if (!rt.input) return;
  rt.input->Release();
  rt.input.reset();
}

void InputFrame(RuntimeState& rt, FramePhase phase) {
  if (phase != FramePhase::kPoll || !rt.input) return;
  rt.input->PollKeyboard();
  rt.input->PollMice();
}

void InputWindowChanged(RuntimeState& rt, platform::Window* window) {
  if (!rt.input) return;
  rt.input->SetWindow(window);
  rt.input->ShowMouse(rt.input->CursorVisible());
}

bool StartWindowMode(RuntimeState& rt) {
  if (rt.settings.fullScreen) {
    rt.device->EnterFullscreen();
  } else {
    rt.device->EnterWindowed();
  }
  return true;
}

bool StartInputDevices(RuntimeState& rt) {
  rt.input->InitInput(rt.mainWindow, rt.settings.exclusiveMouse != 0);
  LogLine("reptr\n");
  rt.input->SetWindow(rt.device->Window());
  rt.currentFont = 0;
  return true;
}

bool StartFiles(RuntimeState&) {
  RtString dir = ProgramDirectory();
  LogLine("cd\n");
  if (chdir(dir.CStr()) != 0) {
    // The log line below tells which folder was meant.
  }
  LogFormat("exepath=curdir= %s\n", dir.CStr());
  StartAssetLocators(ProgramPath());
  return true;
}

void StopFiles(RuntimeState&) {
  // Also closes what the exit hook may have opened, and saves what it wrote.
  CloseAllFileChannels();
  FlushFileStores();
  ReleaseAssetLocators();
}

bool StartFirstFrame(RuntimeState& rt) {
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
  if (hidden && std::strcmp(hidden, "1") == 0) rt.device->HideWindow();
  if (rt.input) rt.input->ShowMouse(rt.settings.exclusiveMouse == 0);
  return true;
}

bool StartImports(RuntimeState& rt) {
  if (rt.imports) rt.imports->Resolve();
  return true;
}

void StopImports(RuntimeState& rt) {
  if (rt.imports) rt.imports->Release();
}

bool StartAudio(RuntimeState& rt) {
  rt.audio = std::make_unique<SoundDevice>();
  rt.soundSlots = std::make_unique<SoundSlot[]>(kSoundSlots);
  rt.audio->Open();
  return true;
}

void StopAudio(RuntimeState& rt) {
  // Slots hand their voices back to the device, so they go first.
  rt.soundSlots.reset();
  if (!rt.audio) return;
  rt.audio->Release();
  rt.audio.reset();
}

// Music plays on the audio stage's device, so it stops before the device does.
bool StartMedia(RuntimeState& rt) {
  rt.music = std::make_unique<MusicPlayer>();
  return true;
}

void StopMedia(RuntimeState& rt) { rt.music.reset(); }

void MediaFrame(RuntimeState& rt, FramePhase phase) {
  if (phase == FramePhase::kMessages && rt.music) rt.music->RestartIfDue(ClockMs());
}

bool StartGame(RuntimeState&) { return true; }

// The first step of every shutdown that got this far: the game's exit hook
// still sees every subsystem, in the program's folder, with its file
// channels closed.
void StopGame(RuntimeState& rt) {
  LogLine("Shut down ORV\n");
  RtString dir = ProgramDirectory();
  if (chdir(dir.CStr()) != 0) {
    // Nothing below depends on the folder; carry on releasing.
  }
  CloseAllFileChannels();
  if (rt.game.exitHook) rt.game.exitHook();
}

// Start order and log lines are what a failed start is diagnosed by: keep them.
const Stage kStages[] = {
    {"log", nullptr, StartLogStage, nullptr},
    {"crash reports", nullptr, StartCrashReportsStage, StopCrashReportsStage, CrashReportsFrame},
    {"timer", "timer\n", StartTimer, nullptr},
    {"device", "vexl\n", StartDevice, StopDevice, DeviceFrame},
    {"network", "Network\n", StartNet, StopNet},
    {"scene", nullptr, StartScene, StopScene, SceneFrame},
    {"input", "Input\n", StartInput, StopInput, InputFrame, InputWindowChanged},
    {"window mode", "Window mode\n", StartWindowMode, nullptr},
    {"input devices", "Create DXin\n", StartInputDevices, nullptr},
    {"files", "getexe\n", StartFiles, StopFiles},
    {"first frame", nullptr, StartFirstFrame, nullptr},
    {"imports", nullptr, StartImports, StopImports},
    {"audio", nullptr, StartAudio, StopAudio},
    {"media", nullptr, StartMedia, StopMedia, MediaFrame},
    {"game", "Init Finalized\n", StartGame, StopGame},
};

constexpr int32_t kStageCount = static_cast<int32_t>(sizeof kStages / sizeof kStages[0]);

}  // namespace

std::span<const Stage> RuntimeStages() { return kStages; }

int32_t StartedStages() { return Rt().stagesStarted; }

bool StartStages(const char* upTo) {
  RuntimeState& rt = Rt();
  const int32_t first = rt.stagesStarted;
  int32_t last = kStageCount - 1;
  if (upTo) {
    last = -1;
    for (int32_t i = 0; i < kStageCount; ++i)
      if (std::strcmp(kStages[i].name, upTo) == 0) last = i;
    if (last < 0) return false;  // no such stage: start nothing
  }
  for (int32_t i = first; i <= last; ++i) {
    const Stage& stage = kStages[i];
    if (stage.logLine) LogLine(stage.logLine);
    if (!stage.start(rt)) {
      while (rt.stagesStarted > first) {
        const Stage& undo = kStages[--rt.stagesStarted];
        if (undo.stop) undo.stop(rt);
      }
      return false;
    }
    rt.stagesStarted = i + 1;
  }
  return true;
}

void StopStages() {
  RuntimeState& rt = Rt();
  while (rt.stagesStarted > 0) {
    const Stage& stage = kStages[--rt.stagesStarted];
    if (stage.stop) stage.stop(rt);
  }
}

void RunFrameHooks(FramePhase phase) {
  RuntimeState& rt = Rt();
  for (int32_t i = 0; i < rt.stagesStarted; ++i)
    if (kStages[i].onFrame) kStages[i].onFrame(rt, phase);
}

void NotifyWindowChanged(platform::Window* window) {
  RuntimeState& rt = Rt();
  rt.mainWindow = window;
  for (int32_t i = 0; i < rt.stagesStarted; ++i)
    if (kStages[i].onWindowChanged) kStages[i].onWindowChanged(rt, window);
}

}  // namespace orv
