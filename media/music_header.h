// The check a music file passes before the mixer's music reader sees it.
// That reader (SDL2_mixer's, for WAV and AIFF files) keeps the channel count
// in a byte and divides by it: a file claiming no channels, or 256, ends the
// program with an arithmetic fault. It reads every format chunk of the file,
// wherever it stands, so every one is checked here, found the way that
// reader walks the chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// Bytes of the file at an offset; fewer (or none) at its end.
using ReadAtFn = std::function<size_t(uint64_t offset, uint8_t* dst, size_t n)>;

// False (with `why`) when a "RIFF" file has a "fmt " chunk that a sound
// would be refused for (CheckWavFormat), is shorter than 16 bytes or claims
// more than 255 channels, or a "FORM" (AIFF) file has a "COMM" chunk with a
// channel count outside 1..255, or either holds an absurd number of chunks.
// Other files pass: their readers keep no such count.
bool MusicHeaderUsable(const ReadAtFn& read, std::string& why);

}  // namespace orv
