// A test game for recording and replay: every frame it reads what a game
// reads from outside (the clock, the frame time, random numbers, the mouse,
// a key, typed text), prints it on standard output and draws it. Input
// arrives as a person would give it: the game puts events into the system's
// queue itself at fixed frames, before any of them is taken. Under a replay
// those live events are dropped and the recorded ones arrive instead, so the
// printed trace of a replay must equal the recorded run's.
//
//   REPLAY_FRAMES=n   frames to run (default 40)
//   REPLAY_NOTES=1    also writes a file and opens a socket at frame 20
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/orvane.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"

namespace {

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}

uint32_t WindowId() { return orv::Rt().mainWindow ? orv::Rt().mainWindow->Id() : 0; }

void Push(SDL_Event e) { SDL_PushEvent(&e); }

void Key(bool down, SDL_Scancode code) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = WindowId();
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = code;
  Push(e);
}

void Button(bool down, int x, int y) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = WindowId();
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  Push(e);
}

// What a person does, frame by frame.
void GiveInput(int frame) {
  SDL_Event e{};
  switch (frame) {
    case 1:
      e.type = SDL_WINDOWEVENT;
      e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
      e.window.windowID = WindowId();
      Push(e);
      break;
    case 3: Key(true, SDL_SCANCODE_A); break;
    case 6: Key(false, SDL_SCANCODE_A); break;
    case 7:
      e.type = SDL_TEXTINPUT;
      e.text.windowID = WindowId();
      e.text.text[0] = 'x';
      Push(e);
      break;
    case 9:
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = WindowId();
      e.motion.x = 120;
      e.motion.y = 70;
      e.motion.xrel = 20;
      e.motion.yrel = 10;
      Push(e);
      break;
    case 11: Button(true, 120, 70); break;
    case 12: Button(false, 120, 70); break;
    case 14:
      e.type = SDL_MOUSEWHEEL;
      e.wheel.windowID = WindowId();
      e.wheel.y = 1;
      Push(e);
      break;
    default: break;
  }
}

void UseWhatAReplayCannotReproduce() {
  // Into the test's own folder: the game runs in its program's folder.
  const char* dir = std::getenv("TMPDIR");
  OpenFileChannel(0, RtString(dir ? dir : "/tmp") + "/replay-game-notes.txt", 0);
  FileWriteText(0, "written by the game");
  CloseFileChannel(0);
  SockStart();
  SockClose(UdpOpen(0));
}

}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 320;
  s.height = 200;
  s.frameRate = 60;
  s.exclusiveMouse = 0;
  RtString caption("replay");
  s.caption.Exchange(caption);
}

double GameMain() {
  const int frames = EnvInt("REPLAY_FRAMES", 40);
  for (int i = 0; i < frames; ++i) {
    GiveInput(i);
    const double t = ElapsedMs();
    const double d = FrameDurationMs();
    const int r = static_cast<int>(Random(1000));
    const double wheel = MouseAxis(2);  // before MouseState, which starts the count anew
    double x = 0, y = 0, left = 0, right = 0;
    MouseState(x, y, left, right);
    const double key = KeyDown(30);  // A
    const RtString typed = InKey();
    std::printf("frame %d t=%.6f d=%.6f random=%d mouse=%g,%g,%g wheel=%g key=%g typed=%s\n", i, t, d, r, x, y,
                left, wheel, key, typed.CStr());
    std::fflush(stdout);
    DrawRect(static_cast<int>(t) % 300, r % 180, 20, 20, r * 16411 % 0xFFFFFF);
    DrawRect(x, y, 4, 4, left ? 0x0000FF : 0x00FF00);
    if (i == 20 && EnvInt("REPLAY_NOTES", 0)) UseWhatAReplayCannotReproduce();
    if (i % 7 == 0) SleepMs(15);
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
