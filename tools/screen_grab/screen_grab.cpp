#include "tools/screen_grab/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>

namespace orvtools {

bool GrabScreen(const std::string& display, std::vector<uint32_t>& pixels, int& width, int& height) {
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return false;
  Window root = DefaultRootWindow(dpy);
  XWindowAttributes attr;
  XGetWindowAttributes(dpy, root, &attr);
  XImage* img = XGetImage(dpy, root, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
  bool ok = img != nullptr;
  if (ok) {
    width = attr.width;
    height = attr.height;
    pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = XGetPixel(img, x, y) & 0xFFFFFF;
    XDestroyImage(img);
  }
  XCloseDisplay(dpy);
  return ok;
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int w, int h) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixels[static_cast<size_t>(y) * w + x];
      row[x * 3 + 0] = (p >> 16) & 0xFF;
      row[x * 3 + 1] = (p >> 8) & 0xFF;
      row[x * 3 + 2] = p & 0xFF;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace orvtools
