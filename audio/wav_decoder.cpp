#include "audio/wav_decoder.h"

#include <SDL2/SDL_audio.h>
#include <SDL2/SDL_rwops.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "runtime/byte_reader.h"

namespace orv {

namespace {

bool Fail(std::string& why, const char* text) {
  why = text;
  return false;
}

// Walks the chunks after the RIFF header; the position never leaves the bytes.
class ChunkReader {
 public:
  explicit ChunkReader(std::span<const uint8_t> bytes) : in_(bytes, 12) {}  // after "RIFF", size, "WAVE"

  // Skips chunks until one with `id`; its size in `size`, the position at its
  // body. False when a header cannot be read or a skipped chunk runs past the end.
  bool Find(const char* id, uint32_t& size) {
    for (;;) {
      if (!in_.Has(8)) return false;
      const std::span<const uint8_t> header = in_.Take(4);
      const uint32_t n = in_.U32();
      if (std::memcmp(header.data(), id, 4) == 0) {
        size = n;
        return true;
      }
      if (!Skip(n)) return false;
    }
  }

  // Moves past `n` body bytes (and a pad byte after an odd size, when present).
  bool Skip(uint32_t n) {
    if (!in_.Skip(n)) return false;
    // Chunk ids are printable text, so a zero here can only be padding.
    if ((n & 1) && in_.Has(1) && *in_.Here() == 0) in_.Skip(1);
    return true;
  }

  size_t Left() const { return in_.Left(); }
  const uint8_t* Here() const { return in_.Here(); }

 private:
  ByteReader in_;
};

// Frames to 16-bit samples with the sound's one or two channels: 8-bit
// data is unsigned around 128 and widens by a byte shift, exactly as sound
// hardware plays it; padding and extra channels are dropped.
std::vector<int16_t> ToSamples16(const BufferFormat& f, std::span<const uint8_t> data, size_t frames) {
  const size_t channels = f.channels;
  std::vector<int16_t> out(frames * channels);
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* frame = data.data() + i * f.blockAlign;
    for (size_t c = 0; c < channels; ++c) {
      out[i * channels + c] = f.bitsPerSample == 8 ? static_cast<int16_t>((frame[c] - 128) * 256)
                                                   : static_cast<int16_t>(LoadLe16(frame + 2 * c));
    }
  }
  return out;
}

// Resamples 16-bit samples to another rate in one pass over the whole sound
// (a converter fed in pieces loses samples at the end).
bool Resample(std::vector<int16_t>& samples, int channels, int from, int to) {
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, static_cast<Uint8>(channels), from, AUDIO_S16SYS,
                        static_cast<Uint8>(channels), to) < 0)
    return false;
  const size_t bytes = samples.size() * 2;
  const size_t work = bytes * static_cast<size_t>(std::max(cvt.len_mult, 1));
  if (work > kMaxConvertBytes) return false;
  std::vector<uint8_t> buffer(work);
  std::memcpy(buffer.data(), samples.data(), bytes);
  cvt.buf = buffer.data();
  cvt.len = static_cast<int>(bytes);
  if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt < 0) return false;
  samples.resize(static_cast<size_t>(cvt.len_cvt) / 2 / static_cast<size_t>(channels) * static_cast<size_t>(channels));
  std::memcpy(samples.data(), buffer.data(), samples.size() * 2);
  return true;
}

}  // namespace

bool ParseWav(std::span<const uint8_t> bytes, WavImage& out, std::string& why) {
  out = WavImage{};
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return Fail(why, "not a RIFF/WAVE file");
  ChunkReader chunks(bytes);
  uint32_t size = 0;
  if (!chunks.Find("fmt ", size)) return Fail(why, "no \"fmt \" chunk");
  if (size < 16) return Fail(why, "\"fmt \" chunk shorter than 16 bytes");
  if (size > chunks.Left()) return Fail(why, "\"fmt \" chunk larger than the file");
  const uint8_t* f = chunks.Here();
  out.format.formatTag = LoadLe16(f);
  out.format.channels = LoadLe16(f + 2);
  out.format.samplesPerSec = LoadLe32(f + 4);
  out.format.avgBytesPerSec = LoadLe32(f + 8);
  out.format.blockAlign = LoadLe16(f + 12);
  out.format.bitsPerSample = LoadLe16(f + 14);
  // The extension: its size (2 bytes), valid bits (2), channel mask (4),
  // then the sub-format GUID, whose first two bytes are a format tag.
  if (out.format.formatTag == kWavExtensible && size >= 40) out.subFormat = LoadLe16(f + 24);
  chunks.Skip(size);
  if (!chunks.Find("data", size)) return Fail(why, "no \"data\" chunk");
  if (size > chunks.Left()) return Fail(why, "\"data\" chunk larger than the file");
  if (size == 0) return Fail(why, "empty \"data\" chunk");
  out.data = std::span<const uint8_t>(chunks.Here(), size);
  return true;
}

WavCoding CodingOf(const WavImage& image) {
  const WavFormat& f = image.format;
  const uint16_t tag = f.formatTag == kWavExtensible ? image.subFormat : f.formatTag;
  switch (tag) {
    case kWavMsAdpcm:
    case kWavFloat:
    case kWavALaw:
    case kWavMuLaw:
    case kWavImaAdpcm:
      return WavCoding::kConverted;
    case kWavPcm:
      if (f.bitsPerSample == 24 || f.bitsPerSample == 32) return WavCoding::kConverted;
      break;
    default:
      break;
  }
  return f.bitsPerSample == 8 || f.bitsPerSample == 16 ? WavCoding::kPlain : WavCoding::kNone;
}

bool CheckWavFormat(const WavFormat& file, std::string& why) {
  if (file.channels == 0) return Fail(why, "no channels");
  if (file.samplesPerSec == 0) return Fail(why, "zero sample rate");
  if (file.samplesPerSec < 100 || file.samplesPerSec > 200000) return Fail(why, "sample rate outside 100..200000");
  return true;
}

bool MakeBufferFormat(const WavFormat& file, BufferFormat& out, std::string& why) {
  out = BufferFormat{};
  if (!CheckWavFormat(file, why)) return false;
  if (file.blockAlign == 0) return Fail(why, "zero block align");
  if (file.bitsPerSample != 8 && file.bitsPerSample != 16) return Fail(why, "bits per sample not 8 or 16");
  out.formatTag = 1;  // PCM, whatever the file says
  out.channels = file.channels > 1 ? 2 : 1;
  out.samplesPerSec = file.samplesPerSec;
  out.bitsPerSample = file.bitsPerSample;
  out.blockAlign = file.blockAlign;
  out.avgBytesPerSec = file.samplesPerSec * file.blockAlign;
  if (out.blockAlign < out.channels * out.bitsPerSample / 8) return Fail(why, "block align smaller than a sample frame");
  return true;
}

bool ConvertToMix(const BufferFormat& format, std::span<const uint8_t> data, const MixFormat& mix,
                  std::vector<uint8_t>& out, std::string& why) {
  out.clear();
  if (mix.sdlFormat != AUDIO_S16SYS || mix.channels != 2 || mix.rate <= 0) return Fail(why, "mixer format not stereo 16-bit");
  const size_t frameBytes = size_t{format.channels} * format.bitsPerSample / 8;
  if (format.blockAlign == 0 || frameBytes == 0 || frameBytes > format.blockAlign || format.channels > 2 ||
      format.samplesPerSec == 0)
    return Fail(why, "unusable format");
  const size_t frames = data.size() / format.blockAlign;
  if (frames == 0) return Fail(why, "no whole sample frame");
  const double outFrames = static_cast<double>(frames) * mix.rate / format.samplesPerSec;
  if (outFrames * 4 > static_cast<double>(kMaxDecodedBytes)) return Fail(why, "sound too long");

  std::vector<int16_t> samples = ToSamples16(format, data, frames);
  if (static_cast<int>(format.samplesPerSec) != mix.rate &&
      !Resample(samples, format.channels, static_cast<int>(format.samplesPerSec), mix.rate))
    return Fail(why, "sound too long to convert");
  const size_t n = samples.size() / format.channels;
  if (n == 0) return Fail(why, "no sample frame after conversion");
  // Mono reaches both sides at full level.
  out.resize(n * 4);
  for (size_t i = 0; i < n; ++i) {
    const int16_t l = samples[i * format.channels];
    const int16_t r = samples[i * format.channels + format.channels - 1];
    out[4 * i] = static_cast<uint8_t>(l & 0xFF);
    out[4 * i + 1] = static_cast<uint8_t>((l >> 8) & 0xFF);
    out[4 * i + 2] = static_cast<uint8_t>(r & 0xFF);
    out[4 * i + 3] = static_cast<uint8_t>((r >> 8) & 0xFF);
  }
  return true;
}

namespace {

// A coded file through SDL's WAV loader, then to signed 16-bit samples with
// the file's channels and rate; those are then read like a plain 16-bit
// file, so every coding reaches the mixer by the same path.
bool DecodeConverted(std::span<const uint8_t> bytes, const WavImage& image, const MixFormat& mix,
                     DecodedSound& out, std::string& why) {
  const WavFormat& f = image.format;
  if (!CheckWavFormat(f, why)) return false;
  if (f.channels > 255) return Fail(why, "more than 255 channels");
  // Refused before anything is decoded: the most frames the data can hold
  // (4-bit ADPCM packs the most), taken to the mixer's rate.
  const double maxFrames = static_cast<double>(image.data.size()) * 8 / (std::max<int>(f.bitsPerSample, 4) * f.channels);
  if (maxFrames * mix.rate / f.samplesPerSec * 4 > static_cast<double>(kMaxDecodedBytes))
    return Fail(why, "sound too long");
  if (bytes.size() > INT_MAX) return Fail(why, "file too large");
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!rw) return Fail(why, kWavOutOfMemory);
  SDL_AudioSpec loaded{};
  Uint8* raw = nullptr;
  Uint32 rawBytes = 0;
  if (!SDL_LoadWAV_RW(rw, 1, &loaded, &raw, &rawBytes)) {
    why = std::string("cannot be decoded: ") + SDL_GetError();
    return false;
  }
  const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> decoded(raw, SDL_FreeWAV);
  if (loaded.channels == 0 || loaded.freq <= 0) return Fail(why, "cannot be decoded");
  if (!raw || rawBytes == 0) return Fail(why, "no whole sample frame");
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, loaded.format, loaded.channels, loaded.freq, AUDIO_S16LSB, loaded.channels, loaded.freq) < 0)
    return Fail(why, "cannot be converted");
  std::vector<uint8_t> samples(static_cast<size_t>(rawBytes) * static_cast<size_t>(std::max(cvt.len_mult, 1)));
  std::memcpy(samples.data(), raw, rawBytes);
  size_t sampleBytes = rawBytes;
  if (cvt.needed) {
    cvt.buf = samples.data();
    cvt.len = static_cast<int>(std::min<Uint32>(rawBytes, INT_MAX));
    if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt < 0) return Fail(why, "cannot be converted");
    sampleBytes = static_cast<size_t>(cvt.len_cvt);
  }
  BufferFormat& b = out.format;
  b.formatTag = kWavPcm;
  b.channels = loaded.channels > 1 ? 2 : 1;
  b.samplesPerSec = static_cast<uint32_t>(loaded.freq);
  b.bitsPerSample = 16;
  b.blockAlign = static_cast<uint16_t>(2 * loaded.channels);
  b.avgBytesPerSec = b.samplesPerSec * b.blockAlign;
  return ConvertToMix(b, std::span<const uint8_t>(samples.data(), sampleBytes), mix, out.pcm, why);
}

}  // namespace

bool DecodeWav(std::span<const uint8_t> bytes, const MixFormat& mix, DecodedSound& out, std::string& why) {
  std::vector<uint8_t>().swap(out.pcm);
  try {
    WavImage image;
    if (!ParseWav(bytes, image, why)) return false;
    switch (CodingOf(image)) {
      case WavCoding::kPlain:
        return MakeBufferFormat(image.format, out.format, why) &&
               ConvertToMix(out.format, image.data, mix, out.pcm, why);
      case WavCoding::kConverted:
        return DecodeConverted(bytes, image, mix, out, why);
      case WavCoding::kNone:
        break;
    }
    return Fail(why, "a sample coding that cannot be decoded");
  } catch (const std::bad_alloc&) {
    std::vector<uint8_t>().swap(out.pcm);
    return Fail(why, kWavOutOfMemory);
  }
}

}  // namespace orv
