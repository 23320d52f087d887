// A test game for input, run as its own process. INPUT_MODE chooses what it
// does; it reports on standard output.
//   quit   pushes key events (INPUT_KEYS, "escape" or "altf4") and runs frames
//   line   edits one line with InputLine and prints what it received
//   watch  prints every key that goes down and every left click, until Escape
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvane/orvane.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"

namespace {
std::string Env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}

void Say(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

void Push(Uint32 type, SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN, Uint8 event = 0) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_WINDOWEVENT) {
    e.window.windowID = orv::Rt().mainWindow->Id();
    e.window.event = event;
  } else {
    e.key.windowID = orv::Rt().mainWindow->Id();
    e.key.keysym.scancode = scancode;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  }
  SDL_PushEvent(&e);
}

void Frames(int n) {
  for (int i = 0; i < n; ++i) ShowScreen();
}

// Headless runs have no window manager to give the focus: say it came.
void FocusGained() { Push(SDL_WINDOWEVENT, SDL_SCANCODE_UNKNOWN, SDL_WINDOWEVENT_FOCUS_GAINED); }

void Quit() {
  FocusGained();
  Frames(2);
  if (Env("INPUT_KEYS", "escape") == "escape") {
    Push(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
    Say("escape down\n");
    Frames(2);
    Say("still running after escape\n");
    Push(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
    Frames(2);
    return;
  }
  // Alt and F4 alone do nothing; together they end the program.
  Push(SDL_KEYDOWN, SDL_SCANCODE_F4);
  Frames(2);
  Push(SDL_KEYUP, SDL_SCANCODE_F4);
  Push(SDL_KEYDOWN, SDL_SCANCODE_LALT);
  Frames(2);
  Say("alone they do nothing\n");
  Push(SDL_KEYDOWN, SDL_SCANCODE_F4);
  Say("alt+f4 down\n");
  Frames(2);
  Say("still running after alt+f4\n");
}

void Line() {
  Say("ready\n");
  RtString line = InputLine(RtString(Env("INPUT_TEXT", "").c_str()), 10, 10, 1);
  Say("line=" + std::string(line.CStr(), static_cast<size_t>(line.Length())) + "\n");
}

void Watch() {
  // The main block, function keys and the extended keys: fewer than 128
  // reads per frame, so every read comes from the flip's own snapshot.
  std::vector<int> codes;
  for (int code = 1; code <= 88; ++code) codes.push_back(code);
  for (int code : {156, 157, 181, 184, 199, 200, 201, 203, 205, 207, 208, 209, 210, 211, 219, 220, 221})
    codes.push_back(code);
  Say("ready\n");
  bool held[256] = {};
  double lastLeft = 0;
  for (;;) {
    ShowScreen();
    for (int code : codes) {
      bool down = KeyDown(code) != 0;
      if (down && !held[code]) Say("key " + std::to_string(code) + "\n");
      held[code] = down;
    }
    double x, y, left, right;
    MouseState(x, y, left, right);
    if (left && !lastLeft) Say("click " + std::to_string(int(x)) + " " + std::to_string(int(y)) + "\n");
    lastLeft = left;
  }
}
}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 320;
  s.height = 200;
  s.frameRate = 60;
  s.exclusiveMouse = std::atoi(Env("INPUT_EXCLUSIVE", "0").c_str());
  RtString caption(Env("INPUT_CAPTION", "input").c_str());
  s.caption.Exchange(caption);
}

double GameMain() {
  std::string mode = Env("INPUT_MODE", "quit");
  SetEscapeQuits(std::atoi(Env("INPUT_ESCAPE", "1").c_str()));
  if (mode == "quit") Quit();
  if (mode == "line") Line();
  if (mode == "watch") Watch();
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
