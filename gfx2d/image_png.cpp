// PNG reading through libpng, from bytes in memory.
//
// Palette images become RGB, grey below 8 bits is expanded, a tRNS chunk
// becomes an alpha channel, 16-bit samples are cut to 8. The result must be
// grey, RGB or RGBA at 8 bits; libpng then writes each row straight into
// the image as RGBA.
//
// libpng reports errors by longjmp; the function that calls setjmp keeps no
// object with a destructor alive across the calls that may jump.
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "gfx2d/image_codec.h"

static_assert(std::endian::native == std::endian::little, "pixels are compared as little-endian words");

namespace orv {

namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

struct ErrorState {
  jmp_buf jump;
  bool failed = false;
};

void OnError(png_structp png, png_const_charp /*message*/) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  state->failed = true;
  longjmp(state->jump, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "read past the end of the data");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// Everything the decode needs, owned outside the setjmp frame.
struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::unique_ptr<png_bytep[]> rows;
  ~Decoder() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

enum class Outcome { kOk, kFailed, kBadType, kBadDepth };

// The part that may jump. Only plain values live in this frame.
Outcome Decode(Decoder& dec, ErrorState& err, Source& src, PixelImage& out, int64_t maxPixels, int& channels,
               int& depth) {
  if (setjmp(err.jump)) return Outcome::kFailed;
  png_set_read_fn(dec.png, &src, ReadFromMemory);
  png_set_user_limits(dec.png, kMaxImageSide, kMaxImageSide);
  // Ancillary chunks may claim gigabytes; none of them is needed for the
  // pixels, so text and colour-profile chunks are skipped unread and no
  // chunk may ask for more than a few megabytes.
  static const png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
  png_set_keep_unknown_chunks(dec.png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 6);
  png_set_chunk_malloc_max(dec.png, 8 << 20);
  png_read_info(dec.png, dec.info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(dec.png, dec.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (int64_t{width} * height > maxPixels) return Outcome::kFailed;
  // Deflate cannot expand data by more than about 1032:1, so an image whose
  // rows could not fit in the file is refused before anything is allocated.
  const int64_t rawBytes = int64_t{height} * (1 + (int64_t{width} * bitDepth * png_get_channels(dec.png, dec.info) + 7) / 8);
  if (rawBytes > static_cast<int64_t>(src.size) * 1100 + 4096) return Outcome::kFailed;

  const bool trns = png_get_valid(dec.png, dec.info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(dec.png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(dec.png);
  if (trns) png_set_tRNS_to_alpha(dec.png);
  if (bitDepth == 16) png_set_strip_16(dec.png);
  if (bitDepth < 8) png_set_packing(dec.png);

  // The layout these transformations give.
  bool color = (colorType & PNG_COLOR_MASK_COLOR) != 0;
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;
  channels = (color ? 3 : 1) + (alpha ? 1 : 0);
  depth = 8;
  if (channels == 2) return Outcome::kBadType;

  // Then widen everything to RGBA so rows decode in place.
  if (!color) png_set_gray_to_rgb(dec.png);
  if (!alpha) png_set_filler(dec.png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(dec.png);
  png_read_update_info(dec.png, dec.info);
  if (png_get_bit_depth(dec.png, dec.info) != 8) {
    depth = png_get_bit_depth(dec.png, dec.info);
    return Outcome::kBadDepth;
  }
  if (png_get_rowbytes(dec.png, dec.info) != static_cast<size_t>(width) * 4) return Outcome::kFailed;

  if (!out.Resize(static_cast<int>(width), static_cast<int>(height))) return Outcome::kFailed;
  dec.rows.reset(new (std::nothrow) png_bytep[height]);
  if (!dec.rows) return Outcome::kFailed;
  for (png_uint_32 y = 0; y < height; ++y) dec.rows[y] = out.Row(static_cast<int>(y));
  png_read_image(dec.png, dec.rows.get());
  png_read_end(dec.png, nullptr);
  return Outcome::kOk;
}

}  // namespace

bool ReadPng(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out, int64_t maxPixels) {
  if (data.size() < 8 || std::memcmp(data.data() + 1, "PNG", 3) != 0) return false;
  Source src{data.data(), data.size(), 0};
  ErrorState err;
  Decoder dec;
  dec.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
  if (!dec.png) return false;
  dec.info = png_create_info_struct(dec.png);
  if (!dec.info) return false;

  int channels = 0, depth = 0;
  Outcome outcome = Decode(dec, err, src, out, maxPixels, channels, depth);
  if (outcome == Outcome::kBadType) {
    std::printf("File %s has unsupported color type.\n", name ? name : "");
    std::printf("Types GRAY, RGB and RGB_ALPHA are supported.\n");
    std::fflush(stdout);
  } else if (outcome == Outcome::kBadDepth) {
    std::printf("File %s has bit depth %d.\n", name ? name : "", depth);
    std::printf("Only bit depth of 8 is supported.\n");
    std::fflush(stdout);
  }
  if (outcome != Outcome::kOk || err.failed) {
    out.Free();
    return false;
  }
  out.hasAlpha = channels == 4;
  if (channels == 3 && colorKey != kNoColorKey) {
    const uint32_t key = static_cast<uint32_t>(colorKey) | 0xFF000000u;
    uint32_t* p = reinterpret_cast<uint32_t*>(out.Data());
    for (size_t i = 0, n = static_cast<size_t>(out.width) * out.height; i < n; ++i)
      if (p[i] == key) p[i] = 0;
  }
  return true;
}

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void FlushNothing(png_structp) {}

struct Encoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~Encoder() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool Encode(Encoder& enc, ErrorState& err, const PixelImage& image, png_bytep* rows, bool alpha,
            std::vector<uint8_t>& out) {
  if (setjmp(err.jump)) return false;
  png_set_write_fn(enc.png, &out, WriteToVector, FlushNothing);
  png_set_IHDR(enc.png, enc.info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(enc.png, enc.info);
  if (!alpha) png_set_filler(enc.png, 0, PNG_FILLER_AFTER);  // drops each pixel's fourth byte
  png_write_image(enc.png, rows);
  png_write_end(enc.png, nullptr);
  return true;
}

}  // namespace

bool EncodePng(const PixelImage& image, std::vector<uint8_t>& out, bool alpha) {
  out.clear();
  if (image.Empty()) return false;
  ErrorState err;
  Encoder enc;
  enc.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
  if (!enc.png) return false;
  enc.info = png_create_info_struct(enc.png);
  if (!enc.info) return false;
  std::vector<png_bytep> rows(static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) rows[y] = const_cast<png_bytep>(image.Row(y));
  if (!Encode(enc, err, image, rows.data(), alpha, out) || err.failed) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace orv
