// What the system says about the keyboard and the mouse, gathered from the
// events as they enter the platform's event queue.
//
// The watch sees every event at the moment it is queued: real key presses
// and pointer moves when the queue is filled from the system, and events a
// program (or a test) pushes itself. So a keyboard snapshot taken after
// collecting the system's input is current even when the queue has not been
// dispatched yet, and pushed events count exactly like real ones. Events may
// be queued from any thread; all state here sits behind one lock.
//
// Short key presses are latched: a key pressed and released between two
// snapshots still reads as held in the next one, so a tap shorter than a
// frame is never lost. Mouse buttons read as they are at the moment.
#pragma once

#include <cstdint>
#include <mutex>

union SDL_Event;

namespace orv {

// Pointer and buttons as gathered since the last TakeMouse.
struct RawMouse {
  int pointerX = 0, pointerY = 0;  // last absolute pointer position in the window
  int motionX = 0, motionY = 0;    // relative movement since the last read
  int wheel = 0;                   // signed count of wheel readings since the last read
  uint32_t buttons = 0;            // held now: 1 left, 2 right, 4 middle
};

class InputEventWatch {
 public:
  InputEventWatch() = default;
  ~InputEventWatch() { Detach(); }
  InputEventWatch(const InputEventWatch&) = delete;
  InputEventWatch& operator=(const InputEventWatch&) = delete;

  // Starts watching the queue; forgets everything gathered before.
  void Attach();
  // Stops watching; safe to call more than once.
  void Detach();

  // The window whose focus counts; `focused` is its focus right now.
  void SetWindow(uint32_t windowId, bool focused);
  // Whether the watched window has the keyboard focus.
  bool Focused();

  // Keyboard snapshot by scan code: 0x80 for every key held or pressed since
  // the last call, else 0. Clears the latched presses.
  void TakeKeys(uint8_t keys[256]);

  // The mouse since the last call; clears movement and wheel.
  RawMouse TakeMouse();
  // The pointer was moved by the program (a warp); takes the new position.
  void MovePointer(int x, int y);

  // The scan code games use for a platform scancode; 0 for keys without one.
  static int ScanCodeOf(int platformScancode);

 private:
  static int Watch(void* self, SDL_Event* event);
  void Handle(const SDL_Event& e);
  void ClearLocked();

  std::mutex lock_;
  bool attached_ = false;
  uint32_t windowId_ = 0;
  bool focused_ = false;
  uint8_t held_[256] = {};
  uint8_t pressed_[256] = {};
  RawMouse mouse_;
};

}  // namespace orv
