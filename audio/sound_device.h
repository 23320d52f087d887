// Audio: sound effects. The device is the mixer output (SDL audio through
// SDL2_mixer, stereo 16-bit); sounds are WAV files decoded into numbered
// slots, each with up to four copies that can play over each other.
//
// Depends on SDL2 / SDL2_mixer (the device), the WAV decoder and the volume
// and pan rules in sound_level.h. Only the game thread calls in here; the
// mixer runs on SDL's audio thread.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "audio/sound_slot.h"
#include "audio/wav_decoder.h"

namespace orv {

constexpr int kSoundSlots = 4096;
// Game channel numbers are slot x 256 + copy.
constexpr int kChannelsPerSlot = 256;
constexpr int kSoundChannels = kSoundSlots * kChannelsPerSlot;
// The mixer's output; sounds are converted to it once, when they load.
constexpr int kMixRate = 22050;

class SoundDevice {
 public:
  SoundDevice();
  ~SoundDevice();
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;

  // Opens the audio output. Any failure leaves the runtime silent, with no
  // message: later loads fail and plays give -1.
  bool Open();
  // Clears every loaded slot, then closes the output. Safe to repeat.
  void Release();

  bool IsOpen() const { return open_; }
  const MixFormat& Format() const { return format_; }

  // ---- Voices: mixer channels, one per loaded copy of a sound -------------
  // A free voice, or -1 when the mixer cannot have more.
  int AcquireVoice();
  // Stops the voice and returns it to the pool.
  void ReleaseVoice(int voice);
  bool VoicePlaying(int voice) const;
  // Stops the voice; the next start plays from the beginning.
  void StopVoice(int voice);
  // Plays `pcm` (mixer format, whole frames) once from its start at a volume
  // and pan in hundredths of a decibel. The data must outlive the play.
  bool StartVoice(int voice, const std::vector<uint8_t>& pcm, int32_t volumeHundredthsDb, int32_t panHundredths);
  int VoiceCount() const { return voiceCount_; }

  // Slots register while loaded so Release can clear them first.
  void Track(SoundSlot* slot) { loaded_.insert(slot); }
  void Untrack(SoundSlot* slot) { loaded_.erase(slot); }

 // A voice's chunk and gains (defined with the mixing code).
  struct VoiceState;

 private:
  bool open_ = false;
  MixFormat format_;
  int voiceCount_ = 0;
  std::vector<int> freeVoices_;
  // Per voice: its chunk and gains, read by the mixer thread while it plays.
  // Allocated once at its largest size so the addresses never move.
  std::unique_ptr<VoiceState[]> voices_;
  std::unordered_set<SoundSlot*> loaded_;
};

}  // namespace orv
