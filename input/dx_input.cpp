// DXInput: lifecycle, the keyboard snapshot and the typed-character queue.
// The mouse is in mouse.cpp, joysticks in joystick.cpp.
#include "input/dx_input.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/video.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace orv {

DXInput::DXInput() : mice(1) {}

DXInput::~DXInput() { Release(); }

void DXInput::InitInput(platform::Window* w, bool exclusive) {
  window = w;
  watch_.Attach();
  watch_.SetWindow(w ? w->Id() : 0, w && SDL_GetKeyboardFocus() == w->Native());

  // The track starts where the pointer is, so the first read shows no jump.
  int px = 0, py = 0;
  if (w && SDL_GetMouseFocus() == w->Native()) {
    SDL_GetMouseState(&px, &py);
  } else if (w) {
    int wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&px, &py);
    SDL_GetWindowPosition(w->Native(), &wx, &wy);
    px -= wx;
    py -= wy;
  }
  MouseTrack& track = mice[currentMouse];
  track.x = track.lastX = px;
  track.y = track.lastY = py;
  watch_.MovePointer(px, py);
  std::memset(keyState, 0, sizeof keyState);

  cursorVisible = false;
  exclusiveMouse = exclusive;
  if (exclusive) {
    platform::ShowCursor(false);
    if (!CaptureMouse(true)) {
      // The pointer stays merely hidden; movement is still read from it.
      LogLine("can't aquire mouse - first try\n");
      LogLine("No DX_Mouse\n");
    }
  } else {
    ShowMouse(true);
  }
  OpenJoysticks();
}

void DXInput::SetWindow(platform::Window* w) {
  if (w == window) return;
  window = w;
  watch_.SetWindow(w ? w->Id() : 0, w && SDL_GetKeyboardFocus() == w->Native());
}

void DXInput::Release() {
  if (window) ShowMouse(true);
  watch_.Detach();
  CloseJoysticks();
  typedCount_ = 0;
  window = nullptr;
}

// ---- Keyboard -------------------------------------------------------------------

void DXInput::PollKeyboard() {
  // Collecting the system's input feeds the event watch; the events stay
  // queued for the message pump.
  platform::PumpEvents();
  if (!window || !watch_.Focused()) return;  // the previous snapshot stays
  watch_.TakeKeys(keyState);
}

bool DXInput::KeyDown(int code) {
  RuntimeState& rt = Rt();
  // A game that loops on keys without flipping still sees fresh state.
  if (++rt.keyReads > 128) {
    rt.keyReads = 0;
    PollKeyboard();
  }
  return KeyHeld(code);
}

bool DXInput::AnyKeyHeld() const {
  for (int code = 0; code < 255; ++code)
    if (KeyHeld(code)) return true;
  return false;
}

// ---- Typed characters --------------------------------------------------------------

void DXInput::HandleEvent(const platform::Event& event) {
  if (!event.native) return;
  const SDL_Event& e = *event.native;
  if (event.kind == platform::EventKind::Text) {
    QueueText(e.text.text, sizeof e.text.text);
  } else if (event.kind == platform::EventKind::KeyDown) {
    // These keys type a control character but produce no text event; with
    // Alt held they are system keys and type nothing.
    if (e.key.keysym.mod & KMOD_ALT) return;
    switch (e.key.keysym.scancode) {
      case SDL_SCANCODE_RETURN:
      case SDL_SCANCODE_KP_ENTER: QueueTypedChar(13); break;
      case SDL_SCANCODE_BACKSPACE: QueueTypedChar(8); break;
      case SDL_SCANCODE_TAB: QueueTypedChar(9); break;
      default: break;
    }
  }
}

void DXInput::QueueText(const char* utf8, size_t capacity) {
  // Single bytes toward the game: characters U+0000..U+00FF become that
  // byte (Latin-1); anything else, and malformed input, is dropped.
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  size_t n = strnlen(utf8, capacity);
  for (size_t i = 0; i < n;) {
    unsigned char b = s[i];
    if (b < 0x80) {
      QueueTypedChar(b);
      ++i;
      continue;
    }
    size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
    size_t j = 1;
    while (j < length && i + j < n && (s[i + j] & 0xC0) == 0x80) ++j;
    if (length == 2 && j == 2) {
      int c = ((b & 0x1F) << 6) | (s[i + 1] & 0x3F);
      if (c >= 0x80) QueueTypedChar(c);  // shorter forms of ASCII are not characters
    }
    i += j;
  }
}

void DXInput::QueueTypedChar(int c) {
  c &= 0xFF;
  if (c == 0) return;
  if (c == 13) c = 10;
  if (c < 32 && c != 8 && c != 9 && c != 10) return;
  if (typedCount_ >= kTypedCharLimit) return;
  typedChars_[typedCount_++] = static_cast<uint8_t>(c);
}

int DXInput::TakeTypedChar() {
  if (typedCount_ == 0) return -1;
  int c = typedChars_[0];
  std::memmove(typedChars_, typedChars_ + 1, static_cast<size_t>(typedCount_ - 1));
  --typedCount_;
  return c == 13 ? 10 : c;
}

}  // namespace orv
