// Movies and music: plays the movie named first on the command line (any
// key or click ends it), then loops the music named second with a volume
// bar. Up and Down change the volume, P pauses and resumes, Escape ends.
// Without arguments it plays the short clip and the tune the build makes
// beside it (media/clip.mp4, media/theme.ogg).
//
//   media_player intro.mp4 theme.ogg
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "orvane/orvane.h"

namespace {

// The program's arguments (the runtime takes no arguments of its own). The
// runtime runs in the program's folder, so names relative to the folder the
// player was started from are made whole with the shell's PWD.
std::vector<std::string> Arguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  for (size_t start = 0; start < all.size();) {
    const size_t end = all.find('\0', start);
    std::string arg = all.substr(start, end - start);
    const char* pwd = std::getenv("PWD");
    if (!args.empty() && !arg.empty() && arg[0] != '/' && pwd) arg = std::string(pwd) + "/" + arg;
    args.push_back(arg);
    start = end == std::string::npos ? all.size() : end + 1;
  }
  return args;
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 640;
  settings.height = 360;
  settings.frameRate = 60;
  RtString caption("media player");
  settings.caption.Exchange(caption);
}

double GameMain() {
  std::vector<std::string> args = Arguments();
  if (args.size() < 2) {
    // The runtime runs in the program's folder, where the build put these.
    args = {args.empty() ? "media_player" : args[0], "media/clip.mp4", "media/theme.ogg"};
    std::printf("usage: media_player MOVIE [MUSIC]; playing the sample clip and tune\n");
  }
  {
    const double result = PlayMovie(args[1].c_str(), 0);
    std::printf("movie %s: %s\n", args[1].c_str(), result == 3 ? "not found or not a movie" : "played");
  }
  if (args.size() < 3) return 0;
  PlayMusic(args[2].c_str(), 1);
  if (ErrorCode() != 0) {
    std::printf("music %s: not found or not music\n", args[2].c_str());
    return 0;
  }
  double volume = 1;
  bool paused = false, pWas = false;
  SetClearColor(0x201810);
  for (;;) {
    if (KeyDown(kKeyUp) && volume < 1) volume = volume + 0.01 > 1 ? 1 : volume + 0.01;
    if (KeyDown(kKeyDown) && volume > 0) volume = volume - 0.01 < 0 ? 0 : volume - 0.01;
    SetMusicVolume(volume);
    const bool p = KeyDown(kKeyP) != 0;
    if (p && !pWas) {
      paused = !paused;
      PauseMusic(paused ? 1 : 0);
    }
    pWas = p;

    DrawRect(120, 160, 400, 40, 0x404040);
    DrawRect(120, 160, 400 * volume, 40, paused ? 0x808080 : 0x30C060);
    char line[64];
    std::snprintf(line, sizeof line, "volume %3.0f%%%s", volume * 100, paused ? "  (paused)" : "");
    PrintText(line, 120, 130, 1);
    PrintText("Up/Down volume, P pause, Escape ends", 120, 220, 1);
    ShowScreen();
  }
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
