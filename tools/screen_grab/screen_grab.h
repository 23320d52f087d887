// Screen captures from an X server (a virtual one in tests and scripts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvtools {

// A connection to an X server for reading parts of its screen repeatedly
// (fast enough to sample a few rows every frame).
class ScreenReader {
 public:
  explicit ScreenReader(const std::string& display);
  ~ScreenReader();
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;
  bool Ok() const { return display_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The rectangle as 0x00RRGGBB pixels, top row first; false when it is not on the screen.
  bool Read(int x, int y, int w, int h, std::vector<uint32_t>& pixels);

 private:
  void* display_ = nullptr;
  int width_ = 0, height_ = 0;
};

// The whole screen of the display as 0x00RRGGBB pixels, top row first.
bool GrabScreen(const std::string& display, std::vector<uint32_t>& pixels, int& width, int& height);
// Writes pixels as an RGB PNG file.
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace orvtools
