#include "media/music_loop.h"

#include <cmath>
#include <cstring>

#include "runtime/byte_reader.h"

namespace orv {

namespace {

// Real files have a handful of chunks; the walk stays short whatever a file claims.
constexpr int kMaxChunks = 65536;
// "smpl": nine 32-bit fields, then 24 bytes per loop.
constexpr uint32_t kSmplHeader = 36;
constexpr uint32_t kSmplLoop = 24;

bool Fail(std::string& why, std::string text) {
  why = std::move(text);
  return false;
}

// A whole number of samples: decimal digits with blanks around them, below 2^62.
bool ParseFrames(const char* text, int64_t& value) {
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return false;
  value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    // Checked before the step, so a long number never overflows on the way.
    const int digit = *text - '0';
    if (value > ((int64_t{1} << 62) - 1 - digit) / 10) return false;
    value = value * 10 + digit;
  }
  while (*text == ' ' || *text == '\t') ++text;
  return *text == '\0';
}

}  // namespace

bool LoopFromTags(const char* start, const char* length, const char* end, LoopPoints& loop, std::string& why) {
  loop = LoopPoints();
  if (!start || (!length && !end)) return true;
  int64_t s = 0, n = 0;
  if (!ParseFrames(start, s)) return Fail(why, std::string("LOOPSTART \"") + start + "\" is not a sample number");
  if (length) {
    if (!ParseFrames(length, n)) return Fail(why, std::string("LOOPLENGTH \"") + length + "\" is not a sample number");
    n += s;
  } else if (!ParseFrames(end, n)) {
    return Fail(why, std::string("LOOPEND \"") + end + "\" is not a sample number");
  }
  loop.present = true;
  loop.start = s;
  loop.end = n;
  return true;
}

bool LoopFromSmpl(const ReadAtFn& read, LoopPoints& loop, std::string& why) {
  loop = LoopPoints();
  uint8_t riff[12];
  if (read(0, riff, 12) < 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return true;
  uint64_t pos = 12;
  for (int n = 0; n < kMaxChunks; ++n) {
    uint8_t header[8];
    if (read(pos, header, 8) < 8) return true;
    const uint32_t size = LoadLe32(header + 4);
    if (std::memcmp(header, "smpl", 4) == 0) {
      uint8_t head[kSmplHeader];
      if (size < kSmplHeader || read(pos + 8, head, kSmplHeader) < kSmplHeader)
        return Fail(why, "\"smpl\" chunk cut short");
      if (LoadLe32(head + 28) == 0) return true;  // no loops
      uint8_t first[kSmplLoop];
      if (size < kSmplHeader + kSmplLoop || read(pos + 8 + kSmplHeader, first, kSmplLoop) < kSmplLoop)
        return Fail(why, "\"smpl\" chunk cut short");
      loop.present = true;
      loop.start = LoadLe32(first + 8);
      loop.end = int64_t{LoadLe32(first + 12)} + 1;  // the end sample is played
      return true;
    }
    pos += 8 + uint64_t{size} + (size & 1);
  }
  return true;
}

bool CheckLoop(const LoopPoints& loop, int64_t lengthFrames, int rate, std::string& why) {
  if (!loop.present) return true;
  const std::string range = std::to_string(loop.start) + ".." + std::to_string(loop.end);
  if (loop.end <= loop.start) return Fail(why, "loop " + range + " ends before it starts");
  if (lengthFrames > 0 && loop.end > lengthFrames)
    return Fail(why, "loop " + range + " ends beyond the track's " + std::to_string(lengthFrames) + " samples");
  if (static_cast<double>(loop.end - loop.start) < kMinLoopSeconds * rate)
    return Fail(why, "loop " + range + " is too short to play");
  return true;
}

}  // namespace orv
