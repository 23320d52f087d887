// A test game for the runtime commands a game calls around its frames:
// calls by name, the frame rate, the pause switch, the desktop size, ending
// into another program. What it does is chosen by COMMAND_MODE; it reports
// on standard output, one line per fact.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "orvane/orvane.h"

namespace {
std::string Env(const char* name, const char* fallback = "") {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}
int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}
void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}
void PushFocus(bool gained) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_Window* w = SDL_GL_GetCurrentWindow();
  e.window.windowID = w ? SDL_GetWindowID(w) : 0;
  SDL_PushEvent(&e);
}
int g_greetings = 0;
double Greet() {
  ++g_greetings;
  return 0;
}
double OnPause() {
  Say("ORV_ON_PAUSE");
  return 0;
}
double OnResume() {
  Say("ORV_ON_RESUME");
  return 0;
}
std::string Num(double v) { return std::to_string(static_cast<long long>(v)); }
}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 160;
  s.height = 120;
  s.frameRate = EnvInt("COMMAND_FPS", 60);
  RtString caption(Env("COMMAND_CAPTION", "commands").c_str());
  s.caption.Exchange(caption);
}

double GameMain() {
  const std::string mode = Env("COMMAND_MODE", "frames");
  if (mode == "call") {
    for (const char* name : {"GREET", "greet", "MISSING"}) {
      const double found = CallByName(name);
      Say(std::string(name) + "=" + Num(found) + " greetings=" + std::to_string(g_greetings));
    }
  } else if (mode == "pacing") {
    // The rate the game asks for, not the settings', paces the frames.
    SetGameFrameRate(EnvInt("COMMAND_SET_FPS", 30));
    ShowScreen();
    const double start = ElapsedMs();
    for (int i = 0; i < EnvInt("COMMAND_FRAMES", 30); ++i) ShowScreen();
    Say("ms=" + Num(ElapsedMs() - start));
  } else if (mode == "inactive") {
    Say("off=" + Num(SetRuntimeActive(0)));
    ShowScreen();
    PushFocus(false);
    for (int i = 0; i < 3; ++i) ShowScreen();
    Say("frames ran while inactive");
    Say("on=" + Num(SetRuntimeActive(5)));
    PushFocus(false);
    PushFocus(true);
    for (int i = 0; i < 3; ++i) ShowScreen();
    Say("frames ran while active");
  } else if (mode == "desktop") {
    Say("desktop=" + Num(DesktopWidth()) + "x" + Num(DesktopHeight()));
  } else if (mode == "fade") {
    // Two whole-window pictures, red then green, and a slow cross-fade
    // between them; the test watches the screen meanwhile.
    const std::string dir = Env("TMPDIR", "/tmp");
    const int w = 160, h = 120;
    RtArray<int32_t> pixels;
    pixels.Dim(w * h);
    for (const auto& [color, name] : {std::pair{0xFF0000FFu, "/red.png"}, std::pair{0xFF00FF00u, "/green.png"}}) {
      for (int i = 0; i < w * h; ++i) pixels[i] = static_cast<int32_t>(color);
      SpriteFromArray(1, pixels, w, h);
      SaveSprite(1, (dir + name).c_str());
    }
    LoadBackground((dir + "/red.png").c_str());
    for (int i = 0; i < 10; ++i) ShowScreen();
    Say("fading");
    Say("fade=" + Num(FadeToBackground((dir + "/green.png").c_str(), EnvInt("COMMAND_FADE_MS", 1500))));
    for (int i = 0; i < 10; ++i) ShowScreen();
  } else if (mode == "end-and-run") {
    ShowScreen();
    Say("ending");
    EndAndRun(Env("COMMAND_RUN").c_str());
  } else {
    // Frames until the program is ended from outside, counting aloud.
    Say("ready");
    for (int frame = 1;; ++frame) {
      ShowScreen();
      if (frame % 10 == 0) Say("frame " + std::to_string(frame));
    }
  }
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {
    {Greet, "GREET"},
    {OnPause, "ORV_ON_PAUSE"},
    {OnResume, "ORV_ON_RESUME"},
    {nullptr, nullptr},
};
