// Image files by name: reading through the file layer (disk, the archive
// appended to the program, "mem://" names) and trying the three readers in
// turn, and saving in the format the name's ending asks for.
#include <cctype>
#include <new>

#include "files/asset_locator.h"
#include "files/atomic_write.h"
#include "gfx2d/image_codec.h"
#include "runtime/error_state.h"

namespace orv {

bool DecodeImage(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out, int64_t maxPixels) {
  return ReadBmp(data, colorKey, out, maxPixels) || ReadPng(data, colorKey, name, out, maxPixels) ||
         ReadJpeg(data, out, maxPixels);
}

bool ReadImage(const RtString& path, int32_t colorKey, PixelImage& out) {
  try {
    std::vector<uint8_t> bytes;
    if (ReadAssetBytes(path, bytes) && !bytes.empty()) return DecodeImage(bytes, colorKey, path.CStr(), out);
  } catch (const std::bad_alloc&) {
    // A file larger than memory can hold is refused like a damaged one.
    LogAllocationFailure(path.CStr());
  }
  out.Free();
  return false;
}

namespace {
// True when the name ends in `ending`, ignoring ASCII case.
bool EndsWith(const RtString& name, const char* ending, int n) {
  if (name.Length() < n) return false;
  const char* tail = name.CStr() + name.Length() - n;
  for (int i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
  return true;
}
}  // namespace

bool SaveImage(const RtString& path, const PixelImage& image) {
  std::vector<uint8_t> bytes;
  bool encoded;
  if (path.Length() > 4 && EndsWith(path, ".png", 4)) {
    encoded = EncodePng(image, bytes);
  } else if (EndsWith(path, "jpg", 3)) {
    encoded = EncodeJpeg(image, bytes, 80);
  } else {
    encoded = EncodeBmp(image, bytes);
  }
  return encoded && ReplaceFileContents(path.CStr(), bytes.data(), bytes.size());
}

}  // namespace orv
