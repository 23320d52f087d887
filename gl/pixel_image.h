// PixelImage: the runtime's in-memory image. Loaders fill it, the texture
// build reads it, screen grabs and sprite read-backs land in it, and the
// savers write it. Pixels are top row first, four bytes each in the order
// red, green, blue, alpha.
#pragma once

#include <cstdint>
#include <memory>

namespace orv {

class PixelImage {
 public:
  PixelImage() = default;
  PixelImage(const PixelImage&) = delete;
  PixelImage& operator=(const PixelImage&) = delete;

  // w x h zeroed pixels. The buffer is reallocated only when it is too
  // small, so a reused scratch image stops allocating once it is big
  // enough. False (image freed) for negative or absurd sizes and when
  // memory runs out.
  bool Resize(int w, int h);
  // Back to the created state: no pixels, hasAlpha true.
  void Free();
  bool CopyFrom(const PixelImage& other);
  // Keeps the top-left w x h part; only shrinks (larger sizes are cut to the
  // current ones).
  void CropInPlace(int w, int h);
  // A new zeroed w x h canvas with the overlapping top-left part copied.
  bool ResizeCanvas(int w, int h);
  void FlipVertical();
  // One quarter turn clockwise as seen on screen (top row first): the
  // result is height x width, its top row is the old left column read
  // bottom to top.
  bool RotateQuarter();
  void SwapRedBlue();

  uint8_t* Data() { return pixels_.get(); }
  const uint8_t* Data() const { return pixels_.get(); }
  uint8_t* Row(int y) { return pixels_.get() + static_cast<size_t>(y) * width * 4; }
  const uint8_t* Row(int y) const { return pixels_.get() + static_cast<size_t>(y) * width * 4; }
  // 0xAABBGGRR of pixel (x, y); the caller keeps the indices inside.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t abgr);
  size_t ByteCount() const { return static_cast<size_t>(width) * height * 4; }
  int64_t CapacityBytes() const { return capacityBytes_; }
  bool Empty() const { return width <= 0 || height <= 0; }

  bool hasAlpha = true;
  int width = 0;
  int height = 0;

 private:
  std::unique_ptr<uint8_t[]> pixels_;
  int64_t capacityBytes_ = 0;
};

// Largest width or height an image may have: sprite records keep sizes in
// 16 bits.
constexpr int kMaxImageSide = 32767;
// Largest pixel count a reader allocates for (256 MB of pixels).
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

}  // namespace orv
