// Screen captures from an X server (a virtual one in tests and scripts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvtools {

// The whole screen of the display as 0x00RRGGBB pixels, top row first.
bool GrabScreen(const std::string& display, std::vector<uint32_t>& pixels, int& width, int& height);
// Writes pixels as an RGB PNG file.
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace orvtools
