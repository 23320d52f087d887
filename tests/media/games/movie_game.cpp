// A game that plays the movie named in MOVIE (looping when MOVIE_LOOP is 1)
// and reports the result and how long it played. With MOVIE_AFTER_KEY the
// movie starts only while a key (Space) is held, as a game's "press a key"
// screen does.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "orvane/orvane.h"

namespace {
const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 320;
  s.height = 240;
  s.frameRate = 60;
  RtString caption("movie");
  s.caption.Exchange(caption);
}

double GameMain() {
  if (std::strcmp(Env("MOVIE_AFTER_KEY"), "1") == 0) {
    std::printf("waiting\n");
    std::fflush(stdout);
    while (KeyDown(57) == 0) ShowScreen();
  }
  std::printf("playing\n");
  std::fflush(stdout);
  const double start = ElapsedMs();
  const double result = PlayMovie(Env("MOVIE"), std::strcmp(Env("MOVIE_LOOP"), "1") == 0 ? 1 : 0);
  std::printf("result %g after %.0f ms\n", result, ElapsedMs() - start);
  std::fflush(stdout);
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
