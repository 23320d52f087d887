// The platform seam for events: the queue the device's message pump drains.
// A peeked event stays at the head of the queue until it is popped, so a
// hook can look at each event before it is dispatched.
#pragma once

#include <cstdint>

union SDL_Event;

namespace orv::platform {

enum class EventKind : uint8_t {
  Other,
  Quit,         // the system asks the program to end (also Ctrl+C / SIGTERM)
  Close,        // the window's close button or the window manager's close
  FocusGained,  // the window became the active one
  FocusLost,    // another window became active
  KeyDown,
  KeyUp,
  Text,         // typed text (UTF-8 in the native event)
  MouseMotion,
  MouseButtonDown,
  MouseButtonUp,
  MouseWheel,
};

struct Event {
  EventKind kind = EventKind::Other;
  uint32_t type = 0;      // the platform's own event number
  uint32_t windowId = 0;  // the window it is for, 0 when it is for none
  int32_t param1 = 0;     // key: scancode; button: button number; wheel: y steps; window: event number
  int32_t param2 = 0;     // key: 1 when repeated; button: clicks; wheel: x steps
  const SDL_Event* native = nullptr;  // valid until the next peek or pop
};

// Collects pending input from the system into the queue.
void PumpEvents();
// The event at the head of the queue, left there; false when the queue is empty.
bool PeekEvent(Event& event);
// Removes the event at the head of the queue; false when the queue is empty.
bool PopEvent(Event& event);

}  // namespace orv::platform
