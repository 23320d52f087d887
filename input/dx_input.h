// DXInput: keyboard, mouse and joysticks of the runtime, and the queue of
// typed characters. Key codes toward the game are the classic PC scan codes
// (Escape 1, Return 28, left Alt 56, F4 62, cursor keys 200/203/205/208).
//
// Depends on: SDL (keyboard state, mouse, joysticks), platform/ events.
#pragma once

#include <cstdint>

#include "platform/events.h"

namespace orv {

namespace platform {
class Window;
}

class DXInput {
 public:
  DXInput();
  ~DXInput();
  DXInput(const DXInput&) = delete;
  DXInput& operator=(const DXInput&) = delete;

  // Opens the devices; exclusiveMouse hides the pointer and reads movement.
  bool InitInput(bool exclusiveMouse);
  // The window keyboard focus and mouse positions refer to.
  void SetWindow(platform::Window* window) { window_ = window; }
  void Release();

  // Takes a keyboard snapshot (only while the game window has the focus).
  void PollKeyboard();
  // Samples the mouse.
  void PollMice();
  // Key held in the last snapshot (scan code 0..255).
  bool KeyHeld(int code) const { return code >= 0 && code < 256 && (keyState[code] & 0x80) != 0; }
  // Position and the left/right buttons of the current mouse.
  void MouseButtons(int& x, int& y, int& left, int& right) const;
  // Any joystick button held, an X/Y/Z axis beyond 0.1 or a hat off centre.
  bool JoystickActive() { return false; }
  // Events from the pump: typed characters, wheel steps.
  void HandleEvent(const platform::Event& event);
  // Typed characters: whether one waits, and the oldest one (-1 when none).
  bool HasTypedChar() const { return false; }
  int TakeTypedChar() { return -1; }
  // Lets go of the exclusive mouse (for a debugger taking over).
  void ReleaseExclusive() {}

  uint8_t keyState[256] = {};

 private:
  platform::Window* window_ = nullptr;
  int mouseX_ = 0, mouseY_ = 0;
  uint32_t mouseButtons_ = 0;
};

}  // namespace orv
