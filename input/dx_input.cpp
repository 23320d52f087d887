#include "input/dx_input.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/video.h"

namespace orv {

namespace {
struct KeyMapping {
  int dik;
  SDL_Scancode sdl;
  const char* name;
};
const KeyMapping kKeyTable[] = {
#include "input/key_table.inc"
};
}  // namespace

DXInput::DXInput() = default;
DXInput::~DXInput() { Release(); }

bool DXInput::InitInput(bool /*exclusiveMouse*/) { return true; }

void DXInput::Release() {}

void DXInput::PollKeyboard() {
  SDL_PumpEvents();
  if (!window_ || SDL_GetKeyboardFocus() != window_->Native()) return;
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  std::memset(keyState, 0, sizeof keyState);
  for (const KeyMapping& k : kKeyTable) {
    if (k.sdl < count && state[k.sdl]) keyState[k.dik] = 0x80;
  }
}

void DXInput::PollMice() { mouseButtons_ = SDL_GetMouseState(&mouseX_, &mouseY_); }

void DXInput::MouseButtons(int& x, int& y, int& left, int& right) const {
  x = mouseX_;
  y = mouseY_;
  left = (mouseButtons_ & SDL_BUTTON_LMASK) ? 1 : 0;
  right = (mouseButtons_ & SDL_BUTTON_RMASK) ? 1 : 0;
}

void DXInput::HandleEvent(const platform::Event& /*event*/) {}

}  // namespace orv
