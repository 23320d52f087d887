#include "audio/sound_slot.h"

#include <algorithm>

#include "audio/sound_device.h"

namespace orv {

bool SoundSlot::Usable() const { return device && device->IsOpen() && channelCount > 0 && !pcm.empty(); }

void SoundSlot::Clear() {
  if (device) {
    for (int& v : voices) {
      if (v >= 0) device->ReleaseVoice(v);
      v = -1;
    }
    device->Untrack(this);
  }
  channelCount = 0;
  nextChannel = 0;
  device = nullptr;
  format = BufferFormat{};
  std::vector<uint8_t>().swap(pcm);
}

bool SoundSlot::Load(SoundDevice* audio, std::span<const uint8_t> wav, int copies, std::string& why) {
  Clear();
  if (!audio || !audio->IsOpen()) {
    why = "no audio device";
    return false;
  }
  DecodedSound decoded;
  if (!DecodeWav(wav, audio->Format(), decoded, why)) return false;
  const int count = std::clamp(copies, 1, kMaxSoundCopies);
  device = audio;
  device->Track(this);
  for (int i = 0; i < count; ++i) {
    voices[i] = device->AcquireVoice();
    if (voices[i] < 0) {
      Clear();
      why = "the mixer has no free channel";
      return false;
    }
  }
  channelCount = count;
  format = decoded.format;
  pcm = std::move(decoded.pcm);
  return true;
}

int SoundSlot::Play(int32_t volumeHundredthsDb, int32_t panHundredths) {
  if (!Usable()) return -1;
  if (nextChannel < 0 || nextChannel >= channelCount) nextChannel = 0;
  if (device->VoicePlaying(voices[nextChannel])) {
    if (channelCount == 1) return -1;
    // Every copy may be busy: the oldest overlapping play is cut off.
    nextChannel = nextChannel + 1 >= channelCount ? 0 : nextChannel + 1;
    device->StopVoice(voices[nextChannel]);
  }
  if (!device->StartVoice(voices[nextChannel], pcm, volumeHundredthsDb, panHundredths)) return -1;
  return nextChannel;
}

bool SoundSlot::Playing(int copy) const {
  return Usable() && copy >= 0 && copy < channelCount && device->VoicePlaying(voices[copy]);
}

void SoundSlot::Stop(int copy) {
  if (Usable() && copy >= 0 && copy < channelCount) device->StopVoice(voices[copy]);
}

void SoundSlot::StopAll() {
  for (int c = 0; c < channelCount; ++c) Stop(c);
}

}  // namespace orv
