// The platform seam for events: the queue the device's message pump drains.
// A peeked event stays at the head of the queue until it is popped, so a
// hook can look at each event before it is dispatched.
//
// An Event is a plain value that carries everything its consumers read (keys,
// text, pointer, wheel, joysticks), with no pointer into the platform, so a
// stream of them can be stored and fed back later exactly as it came.
#pragma once

#include <cstdint>

namespace orv::platform {

enum class EventKind : uint8_t {
  Other,
  Quit,         // the system asks the program to end (also Ctrl+C / SIGTERM)
  Close,        // the window's close button or the window manager's close
  FocusGained,  // the window became the active one
  FocusLost,    // another window became active
  KeyDown,
  KeyUp,
  Text,         // typed text, UTF-8 in `text`
  MouseMotion,
  MouseButtonDown,
  MouseButtonUp,
  MouseWheel,
  JoyAxis,          // joystick axis `joy.control` moved to `joy.value` (-32768..32767)
  JoyHat,           // hat `joy.control` now points at `joy.value` (a JoyHatBits set)
  JoyButtonDown,
  JoyButtonUp,
  JoyAdded,         // a joystick was plugged in (`joy.device` is its slot at that moment)
  JoyRemoved,
};

// Modifier keys held with a key event.
enum KeyMods : uint16_t {
  kModShift = 1,
  kModCtrl = 2,
  kModAlt = 4,
  kModGui = 8,
};

// Pointer buttons as numbered in events.
enum PointerButton : uint8_t {
  kButtonLeft = 1,
  kButtonMiddle = 2,
  kButtonRight = 3,
};

// Hat directions: a bit per direction, diagonals set two of them.
enum JoyHatBits : uint8_t {
  kHatUp = 1,
  kHatRight = 2,
  kHatDown = 4,
  kHatLeft = 8,
};

struct KeyData {
  int32_t scancode = 0;  // the physical key as a USB HID keyboard usage, whatever the layout
  uint16_t mods = 0;     // KeyMods held at the time
  bool repeat = false;   // the system repeats a held key
};

struct PointerData {
  int32_t x = 0, y = 0;    // position in the window's client area
  int32_t dx = 0, dy = 0;  // motion: movement since the last motion event
  uint8_t button = 0;      // button events: a PointerButton (or a higher number)
  uint8_t clicks = 0;      // button events: 1 single click, 2 double click, ...
};

struct WheelData {
  int32_t x = 0, y = 0;  // steps; y positive away from the user, whatever the system's scrolling setting
};

struct JoyData {
  int32_t device = 0;   // the joystick's identity for the run (never reused)
  int32_t control = 0;  // axis, hat or button number
  int32_t value = 0;
};

struct Event {
  EventKind kind = EventKind::Other;
  uint32_t type = 0;      // the platform's own event number
  uint32_t windowId = 0;  // the window it is for, 0 when it is for none
  int32_t param1 = 0;     // key: scancode; button: button number; wheel: y steps; window: event number
  int32_t param2 = 0;     // key: 1 when repeated; button: clicks; wheel: x steps
  KeyData key;            // KeyDown, KeyUp
  char text[32] = {};     // Text: NUL-terminated UTF-8
  PointerData pointer;    // MouseMotion, MouseButtonDown, MouseButtonUp
  WheelData wheel;        // MouseWheel
  JoyData joy;            // Joy*
};

// Collects pending input from the system into the queue.
void PumpEvents();
// The event at the head of the queue, left there; false when the queue is empty.
bool PeekEvent(Event& event);
// Removes the event at the head of the queue; false when the queue is empty.
bool PopEvent(Event& event);

// ---- The tap ------------------------------------------------------------------
// Everything the runtime learns from the system that another run could not
// know by itself passes one point: the event stream above and the few states
// read outside it. Normally nothing stands there and the calls go straight
// to the system. A recording installs a tap that notes what the system gives;
// a replay one that gives back what was noted instead.

// States read outside the stream, with the values each reading carries.
enum class Reading : uint8_t {
  KeyboardFocus = 1,    // 1 when the window has the keyboard focus
  PointerPosition = 2,  // x, y relative to the window's client area
  DesktopSize = 3,      // width, height of the desktop
  DesktopBits = 4,      // bits per pixel of the desktop
};
constexpr int kMaxReadingValues = 2;

class Tap {
 public:
  virtual ~Tap() = default;
  // Stand in for PumpEvents, PeekEvent and PopEvent.
  virtual void Pump() = 0;
  virtual bool Peek(Event& event) = 0;
  virtual bool Pop(Event& event) = 0;
  // `count` values just read from the system; the tap may replace them.
  virtual void Read(Reading what, int32_t* values, int count) = 0;
};

// Installs a tap (null: none). Only the thread that pumps events uses it.
void SetTap(Tap* tap);
// Passes a reading through the tap, when one is installed.
void TapReading(Reading what, int32_t* values, int count);

// The system's own queue, for a tap that passes it on or drains it.
void SystemPumpEvents();
bool SystemPeekEvent(Event& event);
bool SystemPopEvent(Event& event);

}  // namespace orv::platform
