// The movie decoder over arbitrary bytes from memory: container probing,
// demuxing, picture and sound decoding and conversion, the one timeline of
// both streams (silence before late sound, jumps in the stamps), with
// FFmpeg's own error handling in the path. Whatever the bytes, it opens or
// refuses, decodes pictures of the size it announced, keeps what one step
// decodes bounded, and ends.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "media/movie_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::MovieDecoder decoder;
  if (!decoder.OpenMemory(data, size, 22050)) return 0;
  if (decoder.DisplayWidth() <= 0 || decoder.DisplayHeight() <= 0 || !(decoder.FrameMs() > 0)) __builtin_trap();
  double last = -1;
  for (int step = 0; step < 4096 && decoder.Step(); ++step) {
    for (const orv::MoviePicture& p : decoder.Pictures()) {
      if (p.width <= 0 || p.height <= 0 || p.rgba.size() != static_cast<size_t>(p.width) * p.height * 4) __builtin_trap();
      // Pictures come in time order, on a finite timeline.
      if (!(p.timeMs > last) || !std::isfinite(p.timeMs)) __builtin_trap();
      last = p.timeMs;
    }
    decoder.Pictures().clear();
    // Whole stereo frames, and a bounded amount from one packet.
    if (decoder.Sound().size() % 2 != 0 || decoder.Sound().size() > orv::kMaxPendingSoundSamples) __builtin_trap();
    decoder.Sound().clear();
    if (!std::isfinite(decoder.SoundEndMs()) || decoder.SoundEndMs() < 0) __builtin_trap();
  }
  return 0;
}
