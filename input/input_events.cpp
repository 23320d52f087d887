// The event stream as input sees it: what the runtime's window procedure
// dispatches becomes the held keys and buttons, the latched short presses,
// the pointer, the wheel count, the focus and the typed characters.
#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "gfx2d/opengl_vexel.h"
#include "input/dx_input.h"
#include "runtime/main_loop.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {

struct KeyMapping {
  int dik;
  SDL_Scancode sdl;
  const char* name;
};
constexpr KeyMapping kKeyTable[] = {
#include "input/key_table.inc"
};

// Platform scancode -> scan code games use, built once from the key table.
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> BuildScanCodes() {
  std::array<uint8_t, SDL_NUM_SCANCODES> codes{};
  for (const KeyMapping& k : kKeyTable) codes[k.sdl] = static_cast<uint8_t>(k.dik);
  return codes;
}
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> kScanCodes = BuildScanCodes();

uint32_t ButtonBit(uint8_t button) {
  switch (button) {
    case platform::kButtonLeft: return 1;
    case platform::kButtonRight: return 2;
    case platform::kButtonMiddle: return 4;
    default: return 0;
  }
}

}  // namespace

int DXInput::ScanCodeOf(int platformScancode) {
  if (platformScancode <= 0 || platformScancode >= SDL_NUM_SCANCODES) return 0;
  return kScanCodes[static_cast<size_t>(platformScancode)];
}

void DXInput::CollectEvents() {
  platform::PumpEvents();
  // Inside the game's message hook the pump is already dispatching; a
  // nested one would take events from under it.
  const OpenGLVexel* device = Rt().device.get();
  if (device && !device->PendingEvent()) ProcessMessages();
}

void DXInput::ForgetEvents() {
  std::memset(held_, 0, sizeof held_);
  std::memset(pressed_, 0, sizeof pressed_);
  pointerX_ = pointerY_ = motionX_ = motionY_ = wheel_ = 0;
  buttonsHeld_ = buttonsPressed_ = buttonsLatched_ = 0;
}

void DXInput::HandleEvent(const platform::Event& event) {
  using platform::EventKind;
  switch (event.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: {
      const int code = ScanCodeOf(event.key.scancode);
      if (code != 0) {
        held_[code] = event.kind == EventKind::KeyDown;
        if (event.kind == EventKind::KeyDown) pressed_[code] = 1;
      }
      // These keys type a control character but produce no text event; with
      // Alt held they are system keys and type nothing.
      if (event.kind != EventKind::KeyDown || (event.key.mods & platform::kModAlt)) break;
      switch (event.key.scancode) {
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER: QueueTypedChar(13); break;
        case SDL_SCANCODE_BACKSPACE: QueueTypedChar(8); break;
        case SDL_SCANCODE_TAB: QueueTypedChar(9); break;
        default: break;
      }
      break;
    }
    case EventKind::Text:
      QueueText(event.text, sizeof event.text);
      break;
    case EventKind::FocusGained:
    case EventKind::FocusLost:
      if (!window || event.windowId != window->Id()) break;
      // Presses latched around a focus change belong to another window's
      // time; keys still held are reported again by the system on return.
      focused_ = event.kind == EventKind::FocusGained;
      std::memset(pressed_, 0, sizeof pressed_);
      buttonsPressed_ = 0;
      break;
    case EventKind::MouseMotion:
      pointerX_ = event.pointer.x;
      pointerY_ = event.pointer.y;
      motionX_ += event.pointer.dx;
      motionY_ += event.pointer.dy;
      break;
    case EventKind::MouseButtonDown:
    case EventKind::MouseButtonUp: {
      const uint32_t bit = ButtonBit(event.pointer.button);
      pointerX_ = event.pointer.x;
      pointerY_ = event.pointer.y;
      if (event.kind == EventKind::MouseButtonDown) {
        buttonsHeld_ |= bit;
        buttonsPressed_ |= bit;
      } else {
        buttonsHeld_ &= ~bit;
      }
      break;
    }
    case EventKind::JoyAdded:
      AttachNewJoysticks();
      break;
    case EventKind::JoyRemoved:
      DetachJoystick(event.joy.device);
      break;
    case EventKind::JoyAxis:
    case EventKind::JoyHat:
    case EventKind::JoyButtonDown:
    case EventKind::JoyButtonUp: {
      Joystick* j = JoystickOf(event.joy.device);
      if (!j) break;
      const int control = event.joy.control;
      if (event.kind == EventKind::JoyAxis) {
        if (control >= 0 && static_cast<size_t>(control) < j->axes.size())
          j->axes[static_cast<size_t>(control)] = static_cast<int16_t>(std::clamp(event.joy.value, -32768, 32767));
      } else if (event.kind == EventKind::JoyHat) {
        if (control >= 0 && control < 4) j->hats[control] = static_cast<uint8_t>(event.joy.value);
      } else if (control >= 0 && control < 32) {
        j->buttons[control] = event.kind == EventKind::JoyButtonDown;
      }
      break;
    }
    case EventKind::MouseWheel:
      // Each wheel event is one reading: its direction counts, not its size.
      wheel_ += (event.wheel.y > 0) - (event.wheel.y < 0);
      break;
    default:
      break;
  }
}

}  // namespace orv
