// DXInput: lifecycle, the keyboard snapshot and the typed-character queue.
// The mouse is in mouse.cpp, joysticks in joystick.cpp.
#include "input/dx_input.h"

#include <cstring>

#include "platform/video.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace orv {

DXInput::DXInput() : mice(1) {}

DXInput::~DXInput() { Release(); }

void DXInput::InitInput(platform::Window* w, bool exclusive) {
  window = w;
  ForgetEvents();
  focused_ = w && w->HasKeyboardFocus();

  // The track starts where the pointer is, so the first read shows no jump.
  int px = 0, py = 0;
  if (w) w->PointerPosition(px, py);
  MouseTrack& track = mice[currentMouse];
  track.x = track.lastX = px;
  track.y = track.lastY = py;
  pointerX_ = px;
  pointerY_ = py;
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
  focused_ = w && w->HasKeyboardFocus();
}

void DXInput::Release() {
  if (window) ShowMouse(true);
  ForgetEvents();
  CloseJoysticks();
  typedCount_ = 0;
  window = nullptr;
}

// ---- Keyboard -------------------------------------------------------------------

void DXInput::PollKeyboard() {
  CollectEvents();
  if (!window || !focused_) return;  // the previous snapshot stays
  for (int i = 0; i < 256; ++i) keyState[i] = (held_[i] | pressed_[i]) ? 0x80 : 0;
  std::memset(pressed_, 0, sizeof pressed_);
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

void DXInput::QueueText(const char* utf8, size_t capacity) {
  // Single bytes toward the game: characters U+0000..U+00FF become that
  // byte (Latin-1); anything else, and malformed input, is dropped (never
  // cut to its low byte, which would type a different character).
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
      // Shorter forms of ASCII are not characters; above U+00FF no byte fits.
      if (c >= 0x80 && c <= 0xFF) QueueTypedChar(c);
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
