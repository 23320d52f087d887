// SoundSlot: one numbered sound. Copy 0 is the decoded sound; copies 1-3
// share its samples and exist so the sound can overlap itself. A slot is
// free while `channelCount` is 0.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/wav_decoder.h"

namespace orv {

class SoundDevice;

constexpr int kMaxSoundCopies = 4;

struct SoundSlot {
  SoundSlot() = default;
  ~SoundSlot() { Clear(); }
  SoundSlot(const SoundSlot&) = delete;
  SoundSlot& operator=(const SoundSlot&) = delete;

  int32_t channelCount = 0;  // loaded copies, 0-4; 0 = free
  int32_t nextChannel = 0;   // the copy the next play request looks at first
  SoundDevice* device = nullptr;
  int voices[kMaxSoundCopies] = {-1, -1, -1, -1};  // the copies' mixer voices
  BufferFormat format;       // what the sound was made from
  std::vector<uint8_t> pcm;  // decoded samples, shared by every copy

  // Stops every copy and frees everything; the slot is free afterwards.
  void Clear();
  // Clears, then decodes a WAV file into the slot with `copies` copies
  // (clamped to 1..4). False (with `why`) leaves the slot free.
  bool Load(SoundDevice* audio, std::span<const uint8_t> wav, int copies, std::string& why);
  // Plays the next copy; returns its copy index, or -1 when nothing could
  // be played. A busy one-copy sound is not restarted; with more copies the
  // oldest overlapping play is cut off and restarted.
  int Play(int32_t volumeHundredthsDb, int32_t panHundredths);
  // Whether that copy plays; false for copies the slot does not have.
  bool Playing(int copy) const;
  // Stops and rewinds one copy (ignored for copies the slot does not have).
  void Stop(int copy);
  void StopAll();

 private:
  bool Usable() const;
};

}  // namespace orv
