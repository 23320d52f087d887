#include "input/event_watch.h"

#include <SDL2/SDL.h>

#include <array>
#include <cstring>

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
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 4;
    default: return 0;
  }
}

}  // namespace

int InputEventWatch::ScanCodeOf(int platformScancode) {
  if (platformScancode <= 0 || platformScancode >= SDL_NUM_SCANCODES) return 0;
  return kScanCodes[static_cast<size_t>(platformScancode)];
}

void InputEventWatch::Attach() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ClearLocked();
    if (attached_) return;
    attached_ = true;
  }
  SDL_AddEventWatch(&InputEventWatch::Watch, this);
}

void InputEventWatch::Detach() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!attached_) return;
    attached_ = false;
  }
  // Outside the lock: removing the watch waits for a callback running on
  // another thread, and that callback takes the lock.
  SDL_DelEventWatch(&InputEventWatch::Watch, this);
}

void InputEventWatch::SetWindow(uint32_t windowId, bool focused) {
  std::lock_guard<std::mutex> guard(lock_);
  windowId_ = windowId;
  focused_ = focused;
}

bool InputEventWatch::Focused() {
  std::lock_guard<std::mutex> guard(lock_);
  return focused_;
}

void InputEventWatch::TakeKeys(uint8_t keys[256]) {
  std::lock_guard<std::mutex> guard(lock_);
  for (int i = 0; i < 256; ++i) keys[i] = (held_[i] | pressed_[i]) ? 0x80 : 0;
  std::memset(pressed_, 0, sizeof pressed_);
}

RawMouse InputEventWatch::TakeMouse() {
  std::lock_guard<std::mutex> guard(lock_);
  RawMouse taken = mouse_;
  mouse_.motionX = mouse_.motionY = 0;
  mouse_.wheel = 0;
  return taken;
}

void InputEventWatch::MovePointer(int x, int y) {
  std::lock_guard<std::mutex> guard(lock_);
  mouse_.pointerX = x;
  mouse_.pointerY = y;
}

int InputEventWatch::Watch(void* self, SDL_Event* event) {
  if (event) static_cast<InputEventWatch*>(self)->Handle(*event);
  return 0;
}

void InputEventWatch::ClearLocked() {
  std::memset(held_, 0, sizeof held_);
  std::memset(pressed_, 0, sizeof pressed_);
  mouse_ = RawMouse{};
}

void InputEventWatch::Handle(const SDL_Event& e) {
  std::lock_guard<std::mutex> guard(lock_);
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int code = ScanCodeOf(e.key.keysym.scancode);
      if (code == 0) break;
      if (e.type == SDL_KEYDOWN) {
        held_[code] = 1;
        pressed_[code] = 1;
      } else {
        held_[code] = 0;
      }
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.windowID != windowId_) break;
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        // Presses latched around a focus change belong to another window's
        // time; keys still held are reported again by the system on return.
        focused_ = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
        std::memset(pressed_, 0, sizeof pressed_);
      }
      break;
    case SDL_MOUSEMOTION:
      mouse_.pointerX = e.motion.x;
      mouse_.pointerY = e.motion.y;
      mouse_.motionX += e.motion.xrel;
      mouse_.motionY += e.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      uint32_t bit = ButtonBit(e.button.button);
      mouse_.pointerX = e.button.x;
      mouse_.pointerY = e.button.y;
      if (e.type == SDL_MOUSEBUTTONDOWN) {
        mouse_.buttons |= bit;
      } else {
        mouse_.buttons &= ~bit;
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      // Each wheel event is one reading: its direction counts, not its size.
      int y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      mouse_.wheel += (y > 0) - (y < 0);
      break;
    }
    default:
      break;
  }
}

}  // namespace orv
