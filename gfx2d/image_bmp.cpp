// The runtime's own BMP reader.
//
// Accepts the core header (12 bytes, OS/2 1.x) and the Windows info header
// family (40 bytes and the longer 52/56/108/124-byte variants, whose first
// 40 bytes are the same), 1/4/8/16/24/32 bits per pixel, uncompressed rows
// padded to 32 bits, bit-field masks for 16 and 32 bits, and 4/8-bit
// run-length compression. A 32-bit file whose longer header declares an
// alpha mask keeps its alpha, unless every alpha value is 0. Everything else
// fails, as does any file whose header promises more than the file holds.
#include <algorithm>
#include <cstring>

#include "gfx2d/image_codec.h"
#include "runtime/byte_reader.h"

namespace orv {

namespace {

// Header fields are read only after their bytes were checked to be there.
uint16_t U16(const uint8_t* p) { return LoadLe16(p); }
uint32_t U32(const uint8_t* p) { return LoadLe32(p); }

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// One channel of a bit-field pixel: where it sits and how to widen it to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  static Channel FromMask(uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    c.max = mask >> c.shift;
    return c;
  }
  uint8_t Extract(uint32_t v) const {
    if (!max) return 0;
    return static_cast<uint8_t>(((v & mask) >> shift) * 255 / max);
  }
};

struct Header {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t pixelOffset = 0;
  size_t paletteStart = 0;
  int paletteEntrySize = 4;
  Channel red, green, blue;
  // Declared only by the longer headers (56 bytes and up) with bit fields.
  Channel alpha;
};

bool ParseHeader(ByteSpan d, Header& h) {
  if (d.size() < 18 || d[0] != 'B' || d[1] != 'M') return false;
  h.pixelOffset = U32(&d[10]);
  const uint32_t headerSize = U32(&d[14]);
  if (headerSize == 12) {
    if (d.size() < 26) return false;
    h.width = U16(&d[18]);
    h.height = U16(&d[20]);
    h.bits = U16(&d[24]);
    h.paletteStart = 26;
    h.paletteEntrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    if (d.size() < 14 + size_t{headerSize}) return false;
    int32_t w = static_cast<int32_t>(U32(&d[18]));
    int32_t hh = static_cast<int32_t>(U32(&d[22]));
    if (w <= 0 || hh == 0 || hh == INT32_MIN) return false;
    h.width = w;
    h.topDown = hh < 0;
    h.height = hh < 0 ? -hh : hh;
    h.bits = U16(&d[28]);
    h.compression = U32(&d[30]);
    h.paletteStart = 14 + size_t{headerSize};
    if (h.compression == kBitFields) {
      // Masks follow a 40-byte header; longer headers carry them inside.
      size_t at = 54;
      if (headerSize == 40) {
        if (d.size() < 66 || h.pixelOffset < 66) return false;
        h.paletteStart = 66;
      }
      h.red = Channel::FromMask(U32(&d[at]));
      h.green = Channel::FromMask(U32(&d[at + 4]));
      h.blue = Channel::FromMask(U32(&d[at + 8]));
      if (headerSize >= 56) h.alpha = Channel::FromMask(U32(&d[at + 12]));
    }
  } else {
    return false;
  }
  if (h.width <= 0 || h.height <= 0 || h.width > kMaxImageSide || h.height > kMaxImageSide) return false;
  switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  switch (h.compression) {
    case kRgb: break;
    case kRle8: if (h.bits != 8 || h.topDown) return false; break;
    case kRle4: if (h.bits != 4 || h.topDown) return false; break;
    case kBitFields: if (h.bits != 16 && h.bits != 32) return false; break;
    default: return false;
  }
  if (h.bits == 16 && h.compression == kRgb) {
    h.red = Channel::FromMask(0x7C00);
    h.green = Channel::FromMask(0x03E0);
    h.blue = Channel::FromMask(0x001F);
  }
  return h.pixelOffset <= d.size() && h.pixelOffset >= h.paletteStart;
}

// The palette: the entries between the header and the pixel data, at most
// 2^bits. Indices beyond it read as black.
int ReadPalette(ByteSpan d, const Header& h, Rgb palette[256]) {
  if (h.bits > 8) return 0;
  size_t room = (h.pixelOffset - h.paletteStart) / h.paletteEntrySize;
  int count = static_cast<int>(std::min<size_t>(room, size_t{1} << h.bits));
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = &d[h.paletteStart + static_cast<size_t>(i) * h.paletteEntrySize];
    palette[i] = Rgb{e[2], e[1], e[0]};
  }
  return count;
}

void Put(uint8_t* px, Rgb c) {
  px[0] = c.r;
  px[1] = c.g;
  px[2] = c.b;
  px[3] = 255;
}

// `withAlpha` tells whether the pixels carry real alpha values; only 32-bit
// bit-field pixels with an alpha mask can.
bool ReadRows(ByteSpan d, const Header& h, const Rgb* palette, int paletteCount, PixelImage& out, bool& withAlpha) {
  withAlpha = false;
  const bool alphaMask = h.bits == 32 && h.compression == kBitFields && h.alpha.mask != 0;
  bool anyAlpha = false;
  const int64_t stride = (int64_t{h.width} * h.bits + 31) / 32 * 4;
  const int64_t lastRow = (int64_t{h.width} * h.bits + 7) / 8;  // the last row may lack its padding
  if (int64_t{h.pixelOffset} + stride * (h.height - 1) + lastRow > static_cast<int64_t>(d.size())) return false;
  if (!out.Resize(h.width, h.height)) return false;
  const Rgb black{};
  auto entry = [&](unsigned i) -> const Rgb& { return i < static_cast<unsigned>(paletteCount) ? palette[i] : black; };
  for (int r = 0; r < h.height; ++r) {
    const uint8_t* src = &d[h.pixelOffset + static_cast<size_t>(stride) * r];
    uint8_t* dst = out.Row(h.topDown ? r : h.height - 1 - r);
    for (int x = 0; x < h.width; ++x, dst += 4) {
      switch (h.bits) {
        case 1: Put(dst, entry((src[x >> 3] >> (7 - (x & 7))) & 1)); break;
        case 4: Put(dst, entry((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4)); break;
        case 8: Put(dst, entry(src[x])); break;
        case 16: {
          uint32_t v = U16(src + 2 * x);
          Put(dst, Rgb{h.red.Extract(v), h.green.Extract(v), h.blue.Extract(v)});
          break;
        }
        case 24: Put(dst, Rgb{src[3 * x + 2], src[3 * x + 1], src[3 * x]}); break;
        default:
          if (h.compression == kBitFields) {
            uint32_t v = U32(src + 4 * x);
            Put(dst, Rgb{h.red.Extract(v), h.green.Extract(v), h.blue.Extract(v)});
            if (alphaMask) {
              dst[3] = h.alpha.Extract(v);
              anyAlpha |= dst[3] != 0;
            }
          } else {
            Put(dst, Rgb{src[4 * x + 2], src[4 * x + 1], src[4 * x]});
          }
          break;
      }
    }
  }
  if (alphaMask && !anyAlpha) {
    // Many writers declare an alpha mask and leave every alpha byte 0: such
    // a file means an opaque image, not an invisible one.
    for (int r = 0; r < h.height; ++r)
      for (int x = 0; x < h.width; ++x) out.Row(r)[4 * x + 3] = 255;
  }
  withAlpha = alphaMask && anyAlpha;
  return true;
}

// Run-length data (always bottom-up). Pixels the runs never reach keep
// palette entry 0; runs past a row's or the image's end are clipped.
bool ReadRunLength(ByteSpan d, const Header& h, const Rgb* palette, int paletteCount, PixelImage& out) {
  if (!out.Resize(h.width, h.height)) return false;
  const Rgb black{};
  auto entry = [&](unsigned i) -> const Rgb& { return i < static_cast<unsigned>(paletteCount) ? palette[i] : black; };
  for (int y = 0; y < h.height; ++y)
    for (int x = 0; x < h.width; ++x) Put(out.Row(y) + 4 * x, entry(0));
  const bool four = h.compression == kRle4;
  int x = 0, y = 0;  // y counts rows from the bottom
  // x and y never pass the image's width and height: deltas and absolute
  // runs come from the file, and an unbounded x would wrap around to a
  // negative column after enough of them.
  auto set = [&](unsigned index) {
    if (x < h.width && y < h.height) {
      Put(out.Row(h.height - 1 - y) + 4 * x, entry(index));
      ++x;
    }
  };
  ByteReader in(d, h.pixelOffset);
  while (in.Has(2) && y < h.height) {
    const unsigned n = in.U8(), c = in.U8();
    if (n > 0) {
      for (unsigned i = 0; i < n && x < h.width; ++i) set(four ? ((i & 1) ? c & 15 : c >> 4) : c);
    } else if (c == 0) {
      x = 0;
      ++y;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (!in.Has(2)) break;
      x = std::min(x + in.U8(), h.width);
      y = std::min(y + in.U8(), h.height);
    } else {
      const size_t bytes = four ? (c + 1) / 2 : c;
      const std::span<const uint8_t> run = in.Take(bytes);
      if (run.size() != bytes) break;
      for (unsigned i = 0; i < c; ++i) {
        unsigned b = run[four ? i / 2 : i];
        set(four ? ((i & 1) ? b & 15 : b >> 4) : b);
      }
      // Absolute runs end on a 16-bit boundary; a missing pad byte ends the data.
      if ((bytes & 1) && !in.Skip(1)) break;
    }
  }
  return true;
}

}  // namespace

bool ReadBmp(ByteSpan data, int32_t colorKey, PixelImage& out, int64_t maxPixels) {
  Header h;
  if (!ParseHeader(data, h) || int64_t{h.width} * h.height > maxPixels) return false;
  Rgb palette[256];
  int paletteCount = ReadPalette(data, h, palette);
  bool withAlpha = false;
  bool ok = (h.compression == kRle8 || h.compression == kRle4)
                ? ReadRunLength(data, h, palette, paletteCount, out)
                : ReadRows(data, h, palette, paletteCount, out, withAlpha);
  if (!ok) {
    out.Free();
    return false;
  }
  // An image with its own alpha is not keyed, as with PNG.
  out.hasAlpha = withAlpha;
  if (colorKey != kNoColorKey && !withAlpha) {
    const uint32_t key = static_cast<uint32_t>(colorKey);
    uint32_t* p = reinterpret_cast<uint32_t*>(out.Data());
    for (size_t i = 0, n = static_cast<size_t>(out.width) * out.height; i < n; ++i) {
      // Opaque pixels only here, so comparing with the alpha byte set is exact.
      if (p[i] == (key | 0xFF000000u)) p[i] = 0;
    }
  }
  return true;
}

bool EncodeBmp(const PixelImage& image, std::vector<uint8_t>& out) {
  out.clear();
  if (image.Empty()) return false;
  const size_t stride = (static_cast<size_t>(image.width) * 3 + 3) & ~size_t{3};
  const size_t size = stride * image.height + 54;
  if (size > UINT32_MAX) return false;
  out.assign(size, 0);
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = v & 0xFF;
    out[at + 1] = (v >> 8) & 0xFF;
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(size));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(image.width));
  put32(22, static_cast<uint32_t>(image.height));
  put16(26, 1);
  put16(28, 24);
  put32(38, 10000);
  put32(42, 10000);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = image.Row(image.height - 1 - y);
    uint8_t* dst = &out[54 + stride * y];
    for (int x = 0; x < image.width; ++x, src += 4, dst += 3) {
      if (src[3] == 255) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      } else {
        dst[0] = 128;  // the default colour key: loads transparent again
        dst[1] = 0;
        dst[2] = 255;
      }
    }
  }
  return true;
}

}  // namespace orv
