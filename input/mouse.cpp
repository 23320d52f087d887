// The mouse track: samples, the game's mouse reads, pointer visibility.
//
// A visible pointer is read as absolute positions in the window; a hidden
// one is captured (relative mouse mode) and its movement is added to the
// tracked position. Either way the position stays inside the window.
// Movement and the wheel count accumulate between consuming samples (the
// frame flip and MouseState take one), so MouseAxis reports what happened
// since the last of them.
#include <SDL2/SDL.h>

#include <algorithm>
#include <limits>

#include "gfx2d/opengl_vexel.h"
#include "input/dx_input.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {
int16_t Short(int v) {
  return static_cast<int16_t>(
      std::clamp(v, int{std::numeric_limits<int16_t>::min()}, int{std::numeric_limits<int16_t>::max()}));
}
}  // namespace

bool DXInput::CaptureMouse(bool capture) {
  if (!window) return false;
  return SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE) == 0;
}

void DXInput::ReadMouseRaw(int& x, int& y, uint32_t& buttons, int& wheel) {
  CollectEvents();
  if (released_ && !cursorVisible) {
    // The debugger let go of the pointer; this read takes it back.
    platform::ShowCursor(false);
    CaptureMouse(true);
    released_ = false;
  }
  const int motionX = motionX_, motionY = motionY_, wheelSteps = wheel_;
  motionX_ = motionY_ = wheel_ = 0;
  buttons = 0;
  wheel = 0;
  if (!cursorVisible && !focused_) return;  // a captured mouse reads nothing in the background
  if (cursorVisible) {
    x = pointerX_;
    y = pointerY_;
  } else {
    x += motionX;
    y += motionY;
  }
  buttons = buttonsHeld_ | buttonsLatched_;
  wheel = wheelSteps;
  if (window) {
    platform::Rect r = window->ClientRect();
    x = std::clamp(x, 0, std::max(r.w, 0));
    y = std::clamp(y, 0, std::max(r.h, 0));
  }
}

void DXInput::SampleMouse(MouseSample& sample, bool consume) {
  MouseTrack& t = mice[static_cast<size_t>(currentMouse)];
  int x, y, wheel;
  uint32_t buttons;
  if (cursorVisible) {
    x = t.lastX;
    y = t.lastY;
    ReadMouseRaw(x, y, buttons, wheel);
  } else {
    x = t.x;
    y = t.y;
    ReadMouseRaw(x, y, buttons, wheel);
    t.x = x;
    t.y = y;
  }
  sample.dx = Short(x - t.lastX);
  sample.dy = Short(y - t.lastY);
  t.wheelTotal = std::clamp(t.wheelTotal + wheel, -32768, 32767);
  sample.wheel = Short(t.wheelTotal);
  sample.left = (buttons & 1) ? 1 : 0;
  sample.right = (buttons & 2) ? 1 : 0;
  sample.middle = (buttons & 4) ? 1 : 0;
  if (consume) {
    if (cursorVisible) {
      t.x = t.lastX = x;
      t.y = t.lastY = y;
    } else {
      t.lastX = t.x;
      t.lastY = t.y;
    }
    t.wheelTotal = 0;
  }
}

void DXInput::PollMice() {
  // A press since the last poll reads as held until the next one, even when
  // the button was already let go: a tap must reach the game's frame.
  CollectEvents();
  buttonsLatched_ = buttonsPressed_;
  buttonsPressed_ = 0;
  int keep = currentMouse;
  MouseSample sample;
  for (size_t i = 0; i < mice.size(); ++i) {
    currentMouse = static_cast<int32_t>(i);
    SampleMouse(sample, true);
  }
  currentMouse = keep;
}

void DXInput::MouseState(int& x, int& y, int& left, int& right) {
  MouseSample sample;
  SampleMouse(sample, true);
  left = sample.left;
  right = sample.right;
  MouseTrack& t = mice[static_cast<size_t>(currentMouse)];
  int gx = t.lastX, gy = t.lastY;
  UnorientPoint(gx, gy);
  if (const OpenGLVexel* d = Rt().device.get()) {
    gx = std::clamp(gx, 0, std::max(d->LogicalWidth(), 0));
    gy = std::clamp(gy, 0, std::max(d->LogicalHeight(), 0));
  }
  x = gx;
  y = gy;
  OrientPoint(gx, gy);
  t.lastX = gx;
  t.lastY = gy;
}

int DXInput::MouseAxis(int n) {
  MouseSample sample;
  SampleMouse(sample, false);
  int dx = sample.dx, dy = sample.dy;
  UnorientVector(dx, dy);
  switch (n) {
    case 0: return dx;
    case 1: return dy;
    case 2: return sample.wheel;
    case 3: return sample.left;
    case 4: return sample.right;
    case 5: return sample.middle;
    default: return 0;
  }
}

void DXInput::SetMouse(int x, int y) {
  OrientPoint(x, y);
  MouseTrack& t = mice[static_cast<size_t>(currentMouse)];
  t.x = t.lastX = x;
  t.y = t.lastY = y;
}

void DXInput::ShowMouse(bool visible) {
  if (visible) {
    CaptureMouse(false);
    platform::ShowCursor(true);
    if (!cursorVisible && window) {
      // The pointer reappears where the game last saw it. Only while the
      // window has the focus: a game in the background must not pull the
      // pointer away from where the user works.
      const MouseTrack& t = mice[static_cast<size_t>(currentMouse)];
      if (focused_) window->WarpPointer(t.lastX, t.lastY);
      pointerX_ = t.lastX;
      pointerY_ = t.lastY;
    }
  } else {
    platform::ShowCursor(false);
    CaptureMouse(true);
  }
  cursorVisible = visible;
  released_ = false;
}

void DXInput::ReleaseExclusive() {
  if (cursorVisible || !window) return;
  CaptureMouse(false);
  platform::ShowCursor(true);
  released_ = true;
}

// ---- Screen orientation ------------------------------------------------------------

void DXInput::UnorientPoint(int& x, int& y) const {
  if (const OpenGLVexel* d = Rt().device.get()) d->UnorientPoint(x, y);
}

void DXInput::OrientPoint(int& x, int& y) const {
  if (const OpenGLVexel* d = Rt().device.get()) d->OrientPoint(x, y);
}

void DXInput::UnorientVector(int& dx, int& dy) const {
  // The linear part of UnorientPoint, so a zero vector stays zero.
  int ox = 0, oy = 0;
  UnorientPoint(ox, oy);
  UnorientPoint(dx, dy);
  dx -= ox;
  dy -= oy;
}

void DXInput::RotateVector(int& dx, int& dy) const {
  if (const OpenGLVexel* d = Rt().device.get()) d->RotateVector(dx, dy);
}

}  // namespace orv
