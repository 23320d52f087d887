// Game-facing commands of the audio subsystem: convert and forward.
#include "orvane/audio.h"

#include <new>
#include <string>
#include <vector>

#include "audio/sound_device.h"
#include "audio/sound_level.h"
#include "files/asset_locator.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::SoundSlot* Slots() { return orv::Rt().soundSlots.get(); }

orv::SoundSlot* SlotOfChannel(int channel) {
  orv::SoundSlot* slots = Slots();
  if (!slots || channel < 0 || channel >= orv::kSoundChannels) return nullptr;
  return &slots[channel / orv::kChannelsPerSlot];
}

}  // namespace

void LoadSound(const RtString& name, double slot, double copies) {
  orv::ClearError();
  const int s = orv::ToInt32(slot);
  if (s < 0 || s >= orv::kSoundSlots) {
    orv::SetErrorCode(orv::kErrOutOfMemory);
    return;
  }
  orv::SoundSlot* slots = Slots();
  orv::SoundDevice* audio = orv::Rt().audio.get();
  if (slots) slots[s].Clear();
  // Without sound output nothing is read: the load simply fails.
  if (!slots || !audio || !audio->IsOpen()) {
    orv::SetErrorCode(orv::kErrNoSuchFile);
    return;
  }
  std::string why = "cannot be read";
  bool loaded = false;
  try {
    std::vector<uint8_t> bytes;
    loaded = orv::ReadAssetBytes(name, bytes) && slots[s].Load(audio, bytes, orv::ToInt32(copies), why);
  } catch (const std::bad_alloc&) {
    // A file too large for the memory left is refused like a damaged one.
    slots[s].Clear();
    why = orv::kWavOutOfMemory;
  }
  if (!loaded) {
    orv::SetErrorCode(orv::kErrNoSuchFile);
    if (why == orv::kWavOutOfMemory) {
      orv::LogAllocationFailure(name.CStr());
    } else {
      orv::LogFormat("Sound %s not loaded: %s\n", name.CStr(), why.c_str());
    }
  }
}

double PlaySoundSlot(double slot, double pan, double volume) {
  const int s = orv::ToInt32(slot);
  if (s < 0 || s >= orv::kSoundSlots) return orv::Fail(orv::kErrOutOfMemory, 0);
  orv::SoundSlot* slots = Slots();
  if (!slots) return -1;
  const int copy = slots[s].Play(orv::VolumeHundredthsDb(orv::VolumePercent(volume)), orv::PanHundredths(pan));
  return copy < 0 ? -1 : s * orv::kChannelsPerSlot + copy;
}

double SoundPlaying(double channel) {
  const int c = orv::ToInt32(channel);
  if (c < 0 || c >= orv::kSoundChannels) return orv::Fail(orv::kErrOutOfMemory, 0);
  orv::SoundSlot* slot = SlotOfChannel(c);
  return slot && slot->Playing(c % orv::kChannelsPerSlot) ? 1 : 0;
}

void StopSound(double channel) {
  const int c = orv::ToInt32(channel);
  if (orv::SoundSlot* slot = SlotOfChannel(c)) slot->Stop(c % orv::kChannelsPerSlot);
}

void StopAllSounds() {
  orv::SoundSlot* slots = Slots();
  if (!slots) return;
  for (int s = 0; s < orv::kSoundSlots; ++s) slots[s].StopAll();
}

double FreeSoundSlot() {
  orv::ClearError();
  if (orv::SoundSlot* slots = Slots()) {
    for (int s = orv::kSoundSlots - 1; s >= 0; --s)
      if (slots[s].channelCount == 0) return s;
  }
  return orv::Fail(orv::kErrOutOfMemory, -1);
}
