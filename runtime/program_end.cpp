// EndProgram and the ordered shutdown.
#include "runtime/program_end.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "audio/sound_device.h"
#include "files/files_lifecycle.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "input/dx_input.h"
#include "net/net_session.h"
#include "runtime/error_state.h"
#include "runtime/main_loop.h"
#include "runtime/program_dir.h"
#include "runtime/runtime_state.h"

namespace orv {

void RuntimeShutdown() {
  RuntimeState& rt = Rt();
  if (!rt.quitRaised) {
    rt.quitRaised = 1;
    CallByName("ORV_ON_QUIT");
  }
  // What the game wrote to its INI and line files is saved on every way
  // out, also when start-up never got as far as the device.
  FlushFileStores();
  if (!rt.device) return;
  LogLine("Shut down ORV\n");
  RtString dir = ProgramDirectory();
  if (chdir(dir.CStr()) != 0) {
    // Nothing below depends on the folder; carry on releasing.
  }
  CloseAllFileChannels();
  if (rt.game.exitHook) rt.game.exitHook();
  FlushFileStores();  // the exit hook may have written too
  if (rt.net) {
    rt.net->Shutdown();
    rt.net.reset();
  }
  for (int i = 0; i < 16; ++i) SockShutdown();
  if (rt.input) {
    rt.input->Release();
    rt.input.reset();
  }
  rt.soundSlots.reset();
  if (rt.audio) {
    rt.audio->Release();
    rt.audio.reset();
  }
  // The device goes before the renderer bound to it; the renderer must not
  // reach back into it from its destructor.
  if (rt.scene) rt.scene->device = nullptr;
  rt.mainWindow = nullptr;
  rt.device.reset();
  rt.scene.reset();
  ReleaseAssetLocators();
  LogLine("orv is shut down\n");
}

void EndAndRun(const RtString& command) {
  RuntimeShutdown();
  RtString copy = command;
  if (copy.Length() > 0) {
    // Started through the shell, detached: it outlives this process.
    pid_t pid = fork();
    if (pid == 0) {
      setsid();
      execl("/bin/sh", "sh", "-c", copy.CStr(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  std::fflush(stdout);
  std::exit(0);
}

void EndProgram() {
  RuntimeState& rt = Rt();
  if (rt.endInProgress) return;
  rt.endInProgress = true;
  if (rt.settings.debugMode) {
    LogLine("-End On Line\n");
    LogFormat("%d\n", rt.lastError);
    LogFormat("%d\n", rt.errorLine - 1);
    LogFormat("%d\n", rt.currentLine);
    LogFormat("%d\n", rt.currentModule);
  }
  RuntimeShutdown();
  std::fputs("exit\n", stdout);
  std::fflush(stdout);
  std::exit(0);
}

}  // namespace orv
