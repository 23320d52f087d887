// The WAV decoder over arbitrary bytes: parse, choose the buffer format and
// convert to the mixer's stereo 16-bit output.
#include <SDL2/SDL_audio.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "audio/wav_decoder.h"

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
  return 0;
}
