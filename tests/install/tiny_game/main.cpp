// Draws a few frames, reads one pixel back and says whether the runtime,
// the headers and the generated key codes all came from the installed copy.
// It also calls into every part that brings libraries of its own (movies
// and music, sockets, the 3D renderer, the path planner), so a build route
// that leaves one of them out fails to link here.
#include <cstdio>
#include <cstdlib>

#include "orvane/orvane.h"

void GameSettings(ProjectSettings& settings) {
  settings.width = 160;
  settings.height = 120;
  RtString caption("tiny game");
  settings.caption.Exchange(caption);
}

double GameMain() {
  SetClearColor(0x0000FF);
  for (int i = 0; i < 5; ++i) {
    DrawRect(10, 10, 40, 40, 0x00FF00);
    ShowScreen();
  }
  std::printf("tiny game ran: escape key %d, held %d\n", kKeyEscape, static_cast<int>(KeyDown(kKeyEscape)));

  // A movie (TINY_MOVIE, else a missing one: 3) and music that is not there (error 3).
  const char* movie = std::getenv("TINY_MOVIE");
  const double played = PlayMovie(movie ? movie : "no-such-movie.mp4", 0);
  PlayMusic("no-such-music.ogg", 0);
  std::printf("movie %.0f, music error %.0f\n", played, ErrorCode());

  SockStart();
  const double socket = UdpOpen(0);
  const bool closed = socket >= 0 && SockClose(socket) == 1;
  std::printf("socket %s\n", closed ? "opened and closed" : SockErrorText().CStr());
  SockShutdown();

  StartObject(1, 0);
  AddVertex(0, 1, -5, 0, 0, 0xFFFFFF);
  AddVertex(-1, -1, -5, 0, 0, 0xFFFFFF);
  AddVertex(1, -1, -5, 0, 0, 0xFFFFFF);
  EndObject();
  Begin3D(1, 100, 60);
  const double drawn = DrawObject(1, 0, 0, 0, 0);
  End3D();
  ShowScreen();
  std::printf("3d: %.0f triangle, drawn %.0f\n", CountTriangles(1), drawn);

  RtArray<double> map, path;
  map.Dim(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) map.At(x, y) = 1;
  map.At(1, 1) = 0;  // a wall in the middle
  std::printf("path of %.0f cells\n", FindPath(map, path, 0, 0, 0, 2, 2));
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
