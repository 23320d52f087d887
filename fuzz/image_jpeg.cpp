// The JPEG reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "gfx2d/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::PixelImage image;
  orv::ReadJpeg(orv::ByteSpan(data, size), image, int64_t{1} << 20);
  return 0;
}
