#include "tools/screen_grab/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>

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
