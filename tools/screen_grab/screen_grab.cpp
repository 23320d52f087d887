#include "tools/screen_grab/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "files/atomic_write.h"
#include "gfx2d/image_codec.h"
#include "gl/pixel_image.h"

namespace orvtools {

ScreenReader::ScreenReader(const std::string& display) {
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return;
  display_ = dpy;
  XWindowAttributes attr;
  XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &attr);
  width_ = attr.width;
  height_ = attr.height;
}

ScreenReader::~ScreenReader() {
  if (display_) XCloseDisplay(static_cast<::Display*>(display_));
}

bool ScreenReader::Read(int x, int y, int w, int h, std::vector<uint32_t>& pixels) {
  if (!display_ || x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > width_ || y + h > height_) return false;
  ::Display* dpy = static_cast<::Display*>(display_);
  XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                          AllPlanes, ZPixmap);
  if (!img) return false;
  pixels.resize(static_cast<size_t>(w) * h);
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) pixels[static_cast<size_t>(row) * w + col] = XGetPixel(img, col, row) & 0xFFFFFF;
  XDestroyImage(img);
  return true;
}

bool GrabScreen(const std::string& display, std::vector<uint32_t>& pixels, int& width, int& height) {
  ScreenReader reader(display);
  if (!reader.Ok()) return false;
  width = reader.Width();
  height = reader.Height();
  return reader.Read(0, 0, width, height, pixels);
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int w, int h) {
  orv::PixelImage image;
  if (!image.Resize(w, h) || pixels.size() < static_cast<size_t>(w) * h) return false;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = image.Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixels[static_cast<size_t>(y) * w + x];
      row[x * 4 + 0] = (p >> 16) & 0xFF;
      row[x * 4 + 1] = (p >> 8) & 0xFF;
      row[x * 4 + 2] = p & 0xFF;
      row[x * 4 + 3] = 0xFF;
    }
  }
  std::vector<uint8_t> bytes;
  return orv::EncodePng(image, bytes, false) && orv::ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
}

}  // namespace orvtools
