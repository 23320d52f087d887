#include "media/music_header.h"

#include <cstring>

#include "audio/wav_decoder.h"
#include "runtime/byte_reader.h"

namespace orv {

namespace {

// Real files have a handful; the walk stays short whatever a file claims.
constexpr int kMaxChunks = 65536;

bool Fail(std::string& why, const char* text) {
  why = text;
  return false;
}

uint32_t LoadBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// RIFF chunks as the mixer walks them: little-endian sizes, no pad byte
// after odd sizes, and the walk ends at a chunk of size 0.
bool CheckRiff(const ReadAtFn& read, std::string& why) {
  uint64_t pos = 12;
  for (int n = 0; n < kMaxChunks; ++n) {
    uint8_t header[8];
    if (read(pos, header, 8) < 8) return true;
    const uint32_t size = LoadLe32(header + 4);
    if (size == 0) return true;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      uint8_t f[16];
      if (size < 16 || read(pos + 8, f, 16) < 16) return Fail(why, "\"fmt \" chunk shorter than 16 bytes");
      WavFormat format;
      format.formatTag = LoadLe16(f);
      format.channels = LoadLe16(f + 2);
      format.samplesPerSec = LoadLe32(f + 4);
      if (!CheckWavFormat(format, why)) return false;
      if (format.channels > 255) return Fail(why, "more than 255 channels");
    }
    pos += 8 + uint64_t{size};
  }
  return Fail(why, "too many chunks");
}

// AIFF chunks: big-endian sizes, odd sizes padded, no end marker.
bool CheckAiff(const ReadAtFn& read, std::string& why) {
  uint64_t pos = 12;
  for (int n = 0; n < kMaxChunks; ++n) {
    uint8_t header[8];
    if (read(pos, header, 8) < 8) return true;
    const uint32_t size = LoadBe32(header + 4);
    if (std::memcmp(header, "COMM", 4) == 0) {
      uint8_t c[2];
      if (read(pos + 8, c, 2) < 2) return Fail(why, "\"COMM\" chunk cut short");
      const int channels = static_cast<int16_t>(c[0] << 8 | c[1]);
      if (channels < 1) return Fail(why, "no channels");
      if (channels > 255) return Fail(why, "more than 255 channels");
    }
    pos += 8 + uint64_t{size} + (size & 1);
  }
  return Fail(why, "too many chunks");
}

}  // namespace

bool MusicHeaderUsable(const ReadAtFn& read, std::string& why) {
  uint8_t magic[4];
  if (read(0, magic, 4) < 4) return true;
  if (std::memcmp(magic, "RIFF", 4) == 0) return CheckRiff(read, why);
  if (std::memcmp(magic, "FORM", 4) == 0) return CheckAiff(read, why);
  return true;
}

}  // namespace orv
