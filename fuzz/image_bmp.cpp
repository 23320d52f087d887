// The BMP reader and the edge treatment over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "gfx2d/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::PixelImage image;
  // A small pixel budget keeps each run fast; sizes above it are refused
  // the same way as absurd ones.
  if (orv::ReadBmp(orv::ByteSpan(data, size), 0x8000FF, image, int64_t{1} << 20)) orv::TreatEdges(image);
  return 0;
}
