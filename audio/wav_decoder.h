// WAV decoding: the bytes of a RIFF/WAVE file (from disk, the appended
// archive or a mem:// block alike) to PCM in the mixer's output format.
// Nothing here opens files or touches the audio device, so the decoder runs
// anywhere, including under the fuzzer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

// The sixteen bytes of a "fmt " chunk, as the file stores them.
struct WavFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

// Format tags of the codings a sound can be decoded from.
constexpr uint16_t kWavPcm = 1;
constexpr uint16_t kWavMsAdpcm = 2;
constexpr uint16_t kWavFloat = 3;
constexpr uint16_t kWavALaw = 6;
constexpr uint16_t kWavMuLaw = 7;
constexpr uint16_t kWavImaAdpcm = 0x11;
constexpr uint16_t kWavExtensible = 0xFFFE;  // the coding is in the sub-format

// A parsed file: its format and the sample bytes of its "data" chunk (a view
// into the caller's bytes).
struct WavImage {
  WavFormat format;
  // Extensible files: the first two bytes of the sub-format GUID, which
  // hold the coding's format tag (0 when the chunk is too short for one).
  uint16_t subFormat = 0;
  std::span<const uint8_t> data;
};

// How a file's samples become sound.
enum class WavCoding {
  // 8- or 16-bit samples taken as they stand, whatever the tag says; this
  // is how sounds have always been read, and it stays exact to the byte.
  kPlain,
  // Decoded through SDL's WAV loader: 24- and 32-bit PCM, 32-bit float,
  // A-law, mu-law, IMA and Microsoft ADPCM (also inside extensible files).
  kConverted,
  // Nothing here decodes it.
  kNone,
};
WavCoding CodingOf(const WavImage& image);

// Reads the RIFF layout: "RIFF", a size, "WAVE"; chunks skipped by their size
// until "fmt " (16 bytes used, the rest skipped); chunks skipped until
// "data". A chunk that claims more bytes than the file holds fails, and so
// does a format chunk shorter than 16 bytes. An odd-sized chunk followed by
// a zero byte has that pad byte skipped (files written to the letter pad
// odd chunks; files that do not still load). False with `why` set on failure.
bool ParseWav(std::span<const uint8_t> bytes, WavImage& out, std::string& why);

// The format a loaded sound is kept and described in: always PCM, two
// channels when the file has more than one, the file's rate, bits and block
// align, and bytes per second = rate x block align whatever the file says.
// The same fields as the file's format chunk.
using BufferFormat = WavFormat;

// What every format a sound or music is made from must pass, whatever its
// coding: at least one channel and 100..200000 samples per second (beyond
// that the resampler would turn a small file into gigabytes, or the rate is
// no sound at all). False with `why` otherwise.
bool CheckWavFormat(const WavFormat& file, std::string& why);

// The buffer format for a file read the plain way; false (with `why`) when
// no sound can be made from it: CheckWavFormat fails, a zero block align or
// one smaller than a sample frame, or a bit depth other than 8 or 16.
bool MakeBufferFormat(const WavFormat& file, BufferFormat& out, std::string& why);

// The mixer's output: SDL audio format, channels, samples per second.
struct MixFormat {
  uint16_t sdlFormat = 0;
  int channels = 0;
  int rate = 0;
};

// Decoded sounds larger than this are refused: a tiny file with a very low
// rate would otherwise resample into gigabytes.
constexpr size_t kMaxDecodedBytes = size_t{512} << 20;
// Resampling works on the whole sound at once in a buffer several times its
// size; beyond this the sound is refused rather than exhausting memory.
constexpr size_t kMaxConvertBytes = size_t{1} << 30;

// Converts the whole frames of `data` (frames are `blockAlign` bytes apart;
// the first one or two channels of each are used) to the mixer's format,
// which must be stereo 16-bit. Output samples equal input samples exactly
// when the rates match.
bool ConvertToMix(const BufferFormat& format, std::span<const uint8_t> data, const MixFormat& mix,
                  std::vector<uint8_t>& out, std::string& why);

struct DecodedSound {
  BufferFormat format;
  std::vector<uint8_t> pcm;  // in the mixer's format, whole frames
};

// The reason DecodeWav gives when memory ran out.
constexpr const char* kWavOutOfMemory = "out of memory";

// ParseWav, then by CodingOf: MakeBufferFormat + ConvertToMix, or SDL's
// loader to 16-bit samples (described as a plain 16-bit buffer format with
// the file's rate) + ConvertToMix; kNone fails. Running out of memory is a
// refused load (kWavOutOfMemory), never an exception.
bool DecodeWav(std::span<const uint8_t> bytes, const MixFormat& mix, DecodedSound& out, std::string& why);

}  // namespace orv
