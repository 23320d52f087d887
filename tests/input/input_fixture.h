// A running input object on a real device window (offscreen driver), fed by
// events pushed into the platform's queue exactly where the system puts its
// own. The window starts with the focus and a visible pointer.
#pragma once

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <memory>
#include <utility>

#include "gfx2d/opengl_vexel.h"
#include "input/dx_input.h"
#include "orvane/orvane.h"
#include "runtime/main_loop.h"
#include "runtime/runtime_state.h"
#include "support/runtime_fixture.h"

namespace inputtest {

class InputFixture : public testing::Test {
 protected:
  // Runs between creating the device and the input object (joysticks must
  // exist before the input object enumerates them).
  virtual void BeforeInput() {}

  void SetUp() override {
    ProjectSettings& settings = orv::Rt().settings;
    settings.width = 320;
    settings.height = 200;
    settings.frameRate = 0;
    settings.exclusiveMouse = 0;
    settings.fullScreen = 0;
    orvtest::StartRuntimeUpTo("scene");
    Flush();
    BeforeInput();
    orvtest::StartRuntimeUpTo("input devices");
    // Focus changes are the tests' own: they must not hold a frame in the pause loop.
    SetRuntimeActive(0);
    Focus(true);
    Frame();
  }

  void TearDown() override {
    Flush();
    orvtest::StopRuntime();
  }

  static void Flush() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }

  static uint32_t WindowId() { return orv::Rt().mainWindow->Id(); }

  // One frame of a game: input sampled, events dispatched, flip.
  static void Frame() { orv::ShowScreen(); }

  static void Push(SDL_Event& e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

  static void Focus(bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    e.window.windowID = WindowId();
    Push(e);
  }

  static void Key(SDL_Scancode scancode, bool down, uint16_t mod = 0) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    e.key.keysym.mod = mod;
    Push(e);
  }

  static void KeyPress(SDL_Scancode scancode, uint16_t mod = 0) {
    Key(scancode, true, mod);
    Key(scancode, false, mod);
  }

  static void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = WindowId();
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    Push(e);
  }

  static void Motion(int x, int y, int xrel, int yrel) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = WindowId();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    Push(e);
  }

  static void Button(uint8_t button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = WindowId();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }

  static void Wheel(int y, uint32_t direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = WindowId();
    e.wheel.y = y;
    e.wheel.direction = direction;
    Push(e);
  }

  // MouseState's position.
  static std::pair<double, double> MouseAt() {
    double x = 0, y = 0, left = 0, right = 0;
    MouseState(x, y, left, right);
    return {x, y};
  }
};

}  // namespace inputtest
