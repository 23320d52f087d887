// SoundDevice: the audio output, and the sound slots that hold loaded sounds.
#pragma once

namespace orv {

namespace platform {
class Window;
}

constexpr int kSoundSlots = 4096;

class SoundDevice {
 public:
  SoundDevice() = default;
  ~SoundDevice() { Release(); }
  // Opens the audio output; false leaves the runtime silent.
  bool Open(platform::Window* window);
  // The window the audio belongs to (kept for focus-related behaviour).
  void SetWindow(platform::Window* window) { window_ = window; }
  void Release();

 private:
  platform::Window* window_ = nullptr;
};

struct SoundSlot {};

}  // namespace orv
