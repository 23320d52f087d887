// Small builders shared by the image tests: hand-made BMP files and images.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx2d/image_codec.h"
#include "support/test_support.h"

namespace imgtest {

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A BMP with a 40-byte info header. `rows` are the file's rows in file
// order, each already padded by the caller; `palette` is B, G, R, 0 entries.
inline std::vector<uint8_t> MakeBmp(int width, int height, int bits, const std::vector<std::vector<uint8_t>>& rows,
                                    const std::vector<uint32_t>& paletteRgb = {}) {
  const size_t paletteBytes = paletteRgb.size() * 4;
  const size_t offset = 54 + paletteBytes;
  size_t pixelBytes = 0;
  for (const auto& r : rows) pixelBytes += r.size();
  std::vector<uint8_t> b(offset + pixelBytes, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<uint32_t>(width));
  Put32(b, 22, static_cast<uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<uint32_t>(bits));
  for (size_t i = 0; i < paletteRgb.size(); ++i) {
    uint32_t c = paletteRgb[i];  // 0x00RRGGBB
    b[54 + 4 * i] = c & 0xFF;
    b[55 + 4 * i] = (c >> 8) & 0xFF;
    b[56 + 4 * i] = (c >> 16) & 0xFF;
  }
  size_t at = offset;
  for (const auto& r : rows) {
    std::copy(r.begin(), r.end(), b.begin() + static_cast<long>(at));
    at += r.size();
  }
  return b;
}

// An image whose pixel (x, y) is f(x, y) as 0xAABBGGRR.
inline void Fill(orv::PixelImage& image, int w, int h, const std::function<uint32_t(int, int)>& f) {
  image.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.SetPixel(x, y, f(x, y));
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
inline std::vector<uint8_t> ReadBytes(const std::string& path) { return Bytes(orvtest::ReadFile(path)); }

}  // namespace imgtest
