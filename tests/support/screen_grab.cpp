// Screen captures of the virtual display.
#include "tools/screen_grab/screen_grab.h"

#include "support/test_support.h"

namespace orvtest {

bool VirtualDisplay::Grab(std::vector<uint32_t>& pixels, int& width, int& height) {
  return orvtools::GrabScreen(display_, pixels, width, height);
}

bool VirtualDisplay::Screenshot(const std::string& pngPath) {
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  return Grab(pixels, w, h) && orvtools::WritePng(pngPath, pixels, w, h);
}

}  // namespace orvtest
