// Synthesized WAV files for the audio tests: RIFF chunks put together by
// hand, so tests can also build the damaged and unusual files they need.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace wavtest {

inline std::string Le16(uint32_t v) { return {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)}; }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A chunk with its header; `size` overrides the stated size (for lies).
inline std::string Chunk(const char* id, const std::string& body, int64_t size = -1, bool pad = true) {
  std::string c = std::string(id, 4) + Le32(size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(size));
  c += body;
  if (pad && (body.size() & 1)) c += '\0';
  return c;
}

struct Format {
  uint16_t tag = 1;
  uint16_t channels = 1;
  uint32_t rate = 22050;
  uint16_t bits = 16;
  int blockAlign = -1;      // -1: channels x bits / 8
  int64_t avgBytes = -1;    // -1: rate x block align
  std::string extra;        // bytes after the sixteen of the format
  int64_t statedSize = -1;  // -1: the real size
};

inline std::string FmtChunk(const Format& f) {
  const uint32_t align = f.blockAlign >= 0 ? static_cast<uint32_t>(f.blockAlign) : f.channels * f.bits / 8u;
  const uint32_t avg = f.avgBytes >= 0 ? static_cast<uint32_t>(f.avgBytes) : f.rate * align;
  std::string body = Le16(f.tag) + Le16(f.channels) + Le32(f.rate) + Le32(avg) + Le16(align) + Le16(f.bits) + f.extra;
  return Chunk("fmt ", body, f.statedSize);
}

inline std::string Riff(const std::string& chunks) {
  return "RIFF" + Le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

// 16-bit samples, interleaved as given.
inline std::string Samples16(const std::vector<int16_t>& s) {
  std::string out;
  for (int16_t v : s) out += Le16(static_cast<uint16_t>(v));
  return out;
}

// `frames` frames of a sine of `amplitude` at `hz`, the same on every channel.
inline std::vector<int16_t> Sine(int frames, int channels, double amplitude, double hz, double rate) {
  std::vector<int16_t> s;
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    for (int c = 0; c < channels; ++c) s.push_back(v);
  }
  return s;
}

// A plain 16-bit file: "fmt " then "data".
inline std::string Wav16(const std::vector<int16_t>& samples, uint16_t channels = 1, uint32_t rate = 22050) {
  Format f;
  f.channels = channels;
  f.rate = rate;
  return Riff(FmtChunk(f) + Chunk("data", Samples16(samples)));
}

inline std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace wavtest
