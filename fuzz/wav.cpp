// The WAV decoder over arbitrary bytes: parse, pick the coding (read as it
// stands, or through SDL's loader for the coded kinds) and convert to the
// mixer's stereo 16-bit output; and the check a music file's header passes
// before the mixer's own reader sees it.
#include <SDL2/SDL_audio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "audio/wav_decoder.h"
#include "media/music_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orv::MixFormat mix{AUDIO_S16SYS, 2, 22050};
  orv::DecodedSound decoded;
  std::string why;
  if (orv::DecodeWav(std::span<const uint8_t>(data, size), mix, decoded, why)) {
    // Whole stereo frames, and never more than the limit allows.
    if (decoded.pcm.empty() || decoded.pcm.size() % 4 != 0 || decoded.pcm.size() > orv::kMaxDecodedBytes)
      __builtin_trap();
  } else if (why.empty()) {
    __builtin_trap();
  }
  const orv::ReadAtFn read = [&](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
    if (offset >= size) return 0;
    const size_t got = std::min<uint64_t>(n, size - offset);
    std::memcpy(dst, data + offset, got);
    return got;
  };
  why.clear();
  if (!orv::MusicHeaderUsable(read, why) && why.empty()) __builtin_trap();
  return 0;
}
