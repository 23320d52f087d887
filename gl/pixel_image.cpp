// PixelImage operations. Every size that reaches an allocation is checked
// here once, so callers may pass sizes taken from files.
#include "gl/pixel_image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orv {

bool PixelImage::Resize(int w, int h) {
  if (w < 0 || h < 0 || w > kMaxImageSide || h > kMaxImageSide) {
    Free();
    return false;
  }
  int64_t bytes = int64_t{w} * h * 4;
  if (bytes > capacityBytes_) {
    pixels_.reset();
    capacityBytes_ = 0;
    pixels_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    if (!pixels_) {
      Free();
      return false;
    }
    capacityBytes_ = bytes;
  }
  width = w;
  height = h;
  if (bytes > 0) std::memset(pixels_.get(), 0, static_cast<size_t>(bytes));
  return true;
}

void PixelImage::Free() {
  pixels_.reset();
  capacityBytes_ = 0;
  width = height = 0;
  hasAlpha = true;
}

bool PixelImage::CopyFrom(const PixelImage& other) {
  if (this == &other) return true;
  if (!Resize(other.width, other.height)) return false;
  if (other.ByteCount()) std::memcpy(pixels_.get(), other.pixels_.get(), other.ByteCount());
  hasAlpha = other.hasAlpha;
  return true;
}

void PixelImage::CropInPlace(int w, int h) {
  w = std::clamp(w, 0, width);
  h = std::clamp(h, 0, height);
  if (w == width) {
    height = h;
    return;
  }
  // Rows move towards the front; each destination lies at or before its source.
  for (int y = 0; y < h; ++y)
    std::memmove(pixels_.get() + static_cast<size_t>(y) * w * 4, Row(y), static_cast<size_t>(w) * 4);
  width = w;
  height = h;
}

bool PixelImage::ResizeCanvas(int w, int h) {
  PixelImage fresh;
  if (!fresh.Resize(w, h)) return false;
  int cw = std::min(w, width), ch = std::min(h, height);
  for (int y = 0; y < ch; ++y) std::memcpy(fresh.Row(y), Row(y), static_cast<size_t>(cw) * 4);
  fresh.hasAlpha = hasAlpha;
  std::swap(pixels_, fresh.pixels_);
  std::swap(capacityBytes_, fresh.capacityBytes_);
  width = w;
  height = h;
  return true;
}

void PixelImage::FlipVertical() {
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = Row(top);
    uint8_t* b = Row(bottom);
    std::swap_ranges(a, a + rowBytes, b);
  }
}

bool PixelImage::RotateQuarter() {
  PixelImage turned;
  if (!turned.Resize(height, width)) return false;
  const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels_.get());
  uint32_t* dst = reinterpret_cast<uint32_t*>(turned.pixels_.get());
  // Clockwise: destination (x', y') = source (y', height - 1 - x').
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      dst[static_cast<size_t>(x) * height + (height - 1 - y)] = src[static_cast<size_t>(y) * width + x];
  turned.hasAlpha = hasAlpha;
  std::swap(pixels_, turned.pixels_);
  std::swap(capacityBytes_, turned.capacityBytes_);
  std::swap(width, height);
  return true;
}

void PixelImage::SwapRedBlue() {
  uint8_t* p = pixels_.get();
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i, p += 4) std::swap(p[0], p[2]);
}

uint32_t PixelImage::Pixel(int x, int y) const {
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PixelImage::SetPixel(int x, int y, uint32_t abgr) {
  uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
  p[0] = abgr & 0xFF;
  p[1] = (abgr >> 8) & 0xFF;
  p[2] = (abgr >> 16) & 0xFF;
  p[3] = (abgr >> 24) & 0xFF;
}

}  // namespace orv
