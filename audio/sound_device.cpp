#include "audio/sound_device.h"

namespace orv {

bool SoundDevice::Open(platform::Window* window) {
  window_ = window;
  return false;
}

void SoundDevice::Release() {}

}  // namespace orv
