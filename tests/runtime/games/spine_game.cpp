// A test game for the runtime's start-up, frame and shutdown. What it does is
// chosen by SPINE_MODE; it reports on standard output.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "gfx2d/opengl_vexel.h"
#include "orvane/orvane.h"
#include "runtime/runtime_state.h"

namespace {
std::string Mode() {
  const char* m = std::getenv("SPINE_MODE");
  return m ? m : "frames";
}
int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}
int g_frames = 0;
int g_messages = 0;

void PushFocus(bool gained) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  e.window.windowID = orv::Rt().mainWindow ? orv::Rt().mainWindow->Id() : 0;
  SDL_PushEvent(&e);
}

void Say(const char* format, int value) {
  std::printf(format, value);
  std::fflush(stdout);
}

double OnQuit() {
  std::printf("ORV_ON_QUIT\n");
  if (Mode() == "end-twice") EndProgram();  // nested end request: must do nothing
  if (Mode() == "error-in-quit") AssertValue(0);  // a run-time error while ending
  return 0;
}
double OnPause() {
  Say("ORV_ON_PAUSE frame=%d\n", g_frames);
  std::printf("title=%s\n", orv::Rt().mainWindow->Title().c_str());
  // The focus comes back a little later, while the game is held in the pause loop.
  if (Mode() == "pause") std::thread([] {
    SDL_Delay(300);
    PushFocus(true);
  }).detach();
  return 0;
}
double OnResume() {
  Say("ORV_ON_RESUME frame=%d\n", g_frames);
  std::printf("title=%s\n", orv::Rt().mainWindow->Title().c_str());
  return 0;
}
double OnMessage() {
  ++g_messages;
  if (static_cast<int>(MessageId()) == SDL_USEREVENT) Say("ORV_WIN32_MSG user event param=%d\n", static_cast<int>(MessageParam(0)));
  return 0;
}
}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = EnvInt("SPINE_WIDTH", 320);
  s.height = EnvInt("SPINE_HEIGHT", 200);
  s.frameRate = EnvInt("SPINE_FPS", 60);
  s.debugMode = EnvInt("SPINE_DEBUG", 0);
  s.fullScreen = EnvInt("SPINE_FULLSCREEN", 0);
  s.exclusiveMouse = 0;
  RtString caption(std::getenv("SPINE_CAPTION") ? std::getenv("SPINE_CAPTION") : "spine");
  s.caption.Exchange(caption);
}

double GameMain() {
  std::string mode = Mode();
  int frames = EnvInt("SPINE_FRAMES", 3);
  SetEscapeQuits(EnvInt("SPINE_ESCAPE", 1));
  if (mode == "pause") {
    for (; g_frames < 3; ++g_frames) ShowScreen();
    PushFocus(false);
    Say("pushed focus loss at frame=%d\n", g_frames);
    for (; g_frames < 6; ++g_frames) ShowScreen();
  } else if (mode == "hook") {
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = 7;
    SDL_PushEvent(&e);
    SDL_PushEvent(&e);
    for (; g_frames < 2; ++g_frames) ShowScreen();
    Say("messages seen=%d\n", g_messages > 0 ? 1 : 0);
  } else if (mode == "error") {
    SetCurrentLine(3, 12);
    SetErrorCode(7);
    SetCurrentLine(3, 15);
    EndProgram();
  } else if (mode == "window-gone") {
    // The window disappears behind the runtime's back: the next flip cannot
    // show anything and must end the program.
    ShowScreen();
    SDL_DestroyWindow(SDL_GetWindowFromID(orv::Rt().mainWindow->Id()));
    std::printf("destroyed\n");
    std::fflush(stdout);
    for (g_frames = 0; g_frames < 100; ++g_frames) ShowScreen();
    Say("still running after %d frames\n", g_frames);
  } else if (mode == "command-line") {
    std::printf("%s\n", orv::Rt().commandLine.CStr());
  } else if (mode == "end-and-run") {
    EndAndRun(std::getenv("SPINE_RUN"));
  } else if (mode == "screen") {
    if (EnvInt("SPINE_SHOW_DESKTOP", 0)) {
      Say("desktop=%d", static_cast<int>(DesktopWidth()));
      Say("x%d\n", static_cast<int>(DesktopHeight()));
    }
    Say("screen=%d", static_cast<int>(ScreenWidth()));
    Say("x%d\n", static_cast<int>(ScreenHeight()));
    int w = EnvInt("SPINE_SET_WIDTH", 0), h = EnvInt("SPINE_SET_HEIGHT", 0);
    if (w) {
      SetScreen(w, h, EnvInt("SPINE_SET_FULLSCREEN", 0));
      Say("screen=%d", static_cast<int>(ScreenWidth()));
      Say("x%d\n", static_cast<int>(ScreenHeight()));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0; i < frames || frames < 0; ++i) {
      SetClearColor(0x0000FF);
      ShowScreen();
    }
  } else {
    // "frames" and "end-twice": run some frames; with SPINE_FRAMES < 0 run
    // until the quit keys end the program.
    std::printf("ready\n");
    std::fflush(stdout);
    for (; g_frames < frames || frames < 0; ++g_frames) ShowScreen();
    Say("frames=%d\n", g_frames);
  }
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {
    {OnQuit, "ORV_ON_QUIT"},
    {OnPause, "ORV_ON_PAUSE"},
    {OnResume, "ORV_ON_RESUME"},
    {OnMessage, "ORV_WIN32_MSG"},
    {nullptr, nullptr},
};
