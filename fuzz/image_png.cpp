// The PNG reader and the edge treatment over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gfx2d/image_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Unsupported colour types print a notice; keep the fuzzer's output readable.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::PixelImage image;
  if (orv::ReadPng(orv::ByteSpan(data, size), 0x8000FF, "fuzz.png", image, int64_t{1} << 20) && !image.hasAlpha)
    orv::TreatEdges(image);
  return 0;
}
