// JPEG reading and writing through libjpeg.
//
// Reading uses libjpeg's memory source, so JPEGs packed into the program's
// archive and "mem://" names load like files on disk. libjpeg reports fatal
// errors through error_exit, which must not return: it jumps back to the
// frame that called setjmp, which holds no object with a destructor.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "gfx2d/image_codec.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}
void OnEmit(j_common_ptr, int) {}

void InstallErrors(ErrorManager& err) {
  jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.output_message = OnMessage;
  err.base.emit_message = OnEmit;
}

// Only plain values live in this frame. `components` receives the output
// component count once the header is read.
bool Decode(jpeg_decompress_struct& cinfo, ErrorManager& err, ByteSpan data, PixelImage& out, int64_t maxPixels,
            int& components) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxImageSide ||
      cinfo.image_height > kMaxImageSide || int64_t{cinfo.image_width} * cinfo.image_height > maxPixels)
    return false;
  jpeg_start_decompress(&cinfo);
  components = cinfo.output_components;
  if (components != 1 && components != 3 && components != 4) {
    LogFormat("JPEG: Channels: %d not supported!\n", components);
    return false;
  }
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (!out.Resize(w, h)) return false;
  // Scanlines decode into the end of each destination row (it is at least as
  // long), then widen to RGBA from the front, which never overtakes the
  // bytes still to be read.
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* row = out.Row(static_cast<int>(cinfo.output_scanline));
    JSAMPROW line = row + static_cast<size_t>(w) * (4 - components);
    if (jpeg_read_scanlines(&cinfo, &line, 1) != 1) return false;
    if (components == 4) continue;
    for (int x = 0; x < w; ++x) {
      const uint8_t* s = line + static_cast<size_t>(x) * components;
      uint8_t r = s[0], g = components == 3 ? s[1] : s[0], b = components == 3 ? s[2] : s[0];
      row[4 * x] = r;
      row[4 * x + 1] = g;
      row[4 * x + 2] = b;
      row[4 * x + 3] = 255;
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

struct Destination {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~Destination() { std::free(buffer); }
};

bool Encode(jpeg_compress_struct& cinfo, ErrorManager& err, const PixelImage& image, int quality, JSAMPROW line,
            Destination& dst) {
  if (setjmp(err.jump)) return false;
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &dst.buffer, &dst.size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = image.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < image.width; ++x) std::memcpy(line + 3 * x, src + 4 * x, 3);
    jpeg_write_scanlines(&cinfo, &line, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

bool ReadJpeg(ByteSpan data, PixelImage& out, int64_t maxPixels) {
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  InstallErrors(err);
  cinfo.err = &err.base;
  int components = 0;
  bool ok = Decode(cinfo, err, data, out, maxPixels, components);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) {
    out.Free();
    return false;
  }
  out.hasAlpha = components == 4;
  return true;
}

bool EncodeJpeg(const PixelImage& image, std::vector<uint8_t>& out, int quality) {
  out.clear();
  if (image.Empty()) return false;
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  InstallErrors(err);
  cinfo.err = &err.base;
  std::vector<uint8_t> line(static_cast<size_t>(image.width) * 3);
  Destination dst;
  bool ok = Encode(cinfo, err, image, quality, line.data(), dst);
  jpeg_destroy_compress(&cinfo);
  if (!ok || !dst.buffer) return false;
  out.assign(dst.buffer, dst.buffer + dst.size);
  return true;
}

}  // namespace orv
