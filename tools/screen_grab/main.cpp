// orvane-screenshot: saves the screen of an X display, or a part of it, as a
// PNG file.
// Usage: orvane-screenshot OUTPUT.png [DISPLAY] [X Y WIDTH HEIGHT]
//        (DISPLAY defaults to $DISPLAY; the rectangle to the whole screen)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/screen_grab/screen_grab.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: orvane-screenshot OUTPUT.png [DISPLAY] [X Y WIDTH HEIGHT]\n");
    return argc < 2 ? 2 : 0;
  }
  const char* display = argc > 2 ? argv[2] : std::getenv("DISPLAY");
  if (!display) {
    std::fprintf(stderr, "orvane-screenshot: no display given and DISPLAY is not set\n");
    return 1;
  }
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  if (!orvtools::GrabScreen(display, pixels, w, h)) {
    std::fprintf(stderr, "orvane-screenshot: cannot read the screen of %s\n", display);
    return 1;
  }
  if (argc >= 7) {
    // Crop to the rectangle, clipped to the screen.
    int x = std::atoi(argv[3]), y = std::atoi(argv[4]), cw = std::atoi(argv[5]), ch = std::atoi(argv[6]);
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (cw > w - x) cw = w - x;
    if (ch > h - y) ch = h - y;
    if (cw <= 0 || ch <= 0) {
      std::fprintf(stderr, "orvane-screenshot: the rectangle lies outside the screen\n");
      return 1;
    }
    std::vector<uint32_t> part(static_cast<size_t>(cw) * ch);
    for (int row = 0; row < ch; ++row)
      for (int col = 0; col < cw; ++col)
        part[static_cast<size_t>(row) * cw + col] = pixels[static_cast<size_t>(y + row) * w + x + col];
    pixels.swap(part);
    w = cw;
    h = ch;
  }
  if (!orvtools::WritePng(argv[1], pixels, w, h)) {
    std::fprintf(stderr, "orvane-screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
