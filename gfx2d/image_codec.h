// Image files: the BMP, PNG and JPEG readers, the treatments applied on load
// (colour key, edge fill, normal maps) and the three writers.
//
// Readers take bytes, never names, so disk files, archive entries and
// "mem://" names all decode the same way; they are the fuzz entry points.
// Every header field is checked against the bytes actually present: a bad
// file fails cleanly and never makes a reader touch memory outside its
// input or its output image.
//
// Depends on: libpng, libjpeg, zlib; runtime/ (log).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gl/pixel_image.h"
#include "orvane/rt_string.h"

namespace orv {

using ByteSpan = std::span<const uint8_t>;

// A colour key is a colour 0x00BBGGRR; pixels of exactly that colour load
// fully transparent (all four bytes 0). kNoColorKey turns keying off.
constexpr int32_t kNoColorKey = -1;

// The runtime's BMP reader: core (12-byte) and info (40-byte and longer)
// headers, 1/4/8/16/24/32 bits, palettes, bottom-up and top-down rows.
// hasAlpha is false, except for 32-bit bit-field pixels whose header (56
// bytes or longer) declares an alpha mask and whose alpha values are not all
// 0; such an image is not keyed.
bool ReadBmp(ByteSpan data, int32_t colorKey, PixelImage& out, int64_t maxPixels = kMaxImagePixels);
// PNG through libpng. `name` appears in the messages for unsupported types.
// hasAlpha is true for images with an alpha channel (or tRNS).
bool ReadPng(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out,
             int64_t maxPixels = kMaxImagePixels);
// JPEG through libjpeg's memory source. Never keyed: a JPEG's lossy colours
// rarely hit a key exactly, and a near miss would leave a fringe anyway.
bool ReadJpeg(ByteSpan data, PixelImage& out, int64_t maxPixels = kMaxImagePixels);
// BMP, then PNG, then JPEG: the first reader that succeeds wins.
bool DecodeImage(ByteSpan data, int32_t colorKey, const char* name, PixelImage& out,
                 int64_t maxPixels = kMaxImagePixels);

// Reads an image file (disk, archive or "mem://") and decodes it. No edge
// treatment: callers decide.
bool ReadImage(const RtString& path, int32_t colorKey, PixelImage& out);

// Fills the colour of every fully transparent pixel from its opaque
// neighbours, so bilinear filtering does not pull the key colour into the
// edges of a keyed sprite. In place, row by row.
void TreatEdges(PixelImage& image);

// Encoders. The image is not changed.
// PNG with an alpha channel, or without one (alpha false: RGB, the alpha bytes dropped).
bool EncodePng(const PixelImage& image, std::vector<uint8_t>& out, bool alpha = true);
bool EncodeJpeg(const PixelImage& image, std::vector<uint8_t>& out, int quality = 80);
// 24-bit BMP; a pixel that is not fully opaque is written as the default
// key colour (red 255, green 0, blue 128) so it loads transparent again.
bool EncodeBmp(const PixelImage& image, std::vector<uint8_t>& out);

// Saves by the name's ending, ignoring case: ".png" PNG, "jpg" JPEG,
// anything else BMP. The file is replaced only once the new content is
// completely written.
bool SaveImage(const RtString& path, const PixelImage& image);

}  // namespace orv
