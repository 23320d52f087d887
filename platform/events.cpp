#include "platform/events.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace orv::platform {

namespace {

Tap* g_tap = nullptr;

// The values the seam promises are the platform's own; keep them in step.
static_assert(kButtonLeft == SDL_BUTTON_LEFT && kButtonMiddle == SDL_BUTTON_MIDDLE && kButtonRight == SDL_BUTTON_RIGHT);
static_assert(kHatUp == SDL_HAT_UP && kHatRight == SDL_HAT_RIGHT && kHatDown == SDL_HAT_DOWN && kHatLeft == SDL_HAT_LEFT);
static_assert(sizeof(Event::text) == sizeof(SDL_TextInputEvent::text));

uint16_t ModsOf(uint16_t mod) {
  uint16_t m = 0;
  if (mod & KMOD_SHIFT) m |= kModShift;
  if (mod & KMOD_CTRL) m |= kModCtrl;
  if (mod & KMOD_ALT) m |= kModAlt;
  if (mod & KMOD_GUI) m |= kModGui;
  return m;
}

void Describe(const SDL_Event& e, Event& out) {
  out = Event{};
  out.type = e.type;
  switch (e.type) {
    case SDL_QUIT:
      out.kind = EventKind::Quit;
      break;
    case SDL_WINDOWEVENT:
      out.windowId = e.window.windowID;
      out.param1 = e.window.event;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) out.kind = EventKind::Close;
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) out.kind = EventKind::FocusGained;
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) out.kind = EventKind::FocusLost;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.kind = e.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp;
      out.windowId = e.key.windowID;
      out.key.scancode = e.key.keysym.scancode;
      out.key.mods = ModsOf(e.key.keysym.mod);
      out.key.repeat = e.key.repeat != 0;
      out.param1 = out.key.scancode;
      out.param2 = e.key.repeat;
      break;
    case SDL_TEXTINPUT:
      out.kind = EventKind::Text;
      out.windowId = e.text.windowID;
      // The system's buffer need not be terminated when it is full.
      std::memcpy(out.text, e.text.text, sizeof out.text - 1);
      break;
    case SDL_MOUSEMOTION:
      out.kind = EventKind::MouseMotion;
      out.windowId = e.motion.windowID;
      out.pointer.x = e.motion.x;
      out.pointer.y = e.motion.y;
      out.pointer.dx = e.motion.xrel;
      out.pointer.dy = e.motion.yrel;
      out.param1 = e.motion.xrel;
      out.param2 = e.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.kind = e.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseButtonDown : EventKind::MouseButtonUp;
      out.windowId = e.button.windowID;
      out.pointer.x = e.button.x;
      out.pointer.y = e.button.y;
      out.pointer.button = e.button.button;
      out.pointer.clicks = e.button.clicks;
      out.param1 = e.button.button;
      out.param2 = e.button.clicks;
      break;
    case SDL_MOUSEWHEEL: {
      out.kind = EventKind::MouseWheel;
      out.windowId = e.wheel.windowID;
      const int sign = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
      out.wheel.x = sign * e.wheel.x;
      out.wheel.y = sign * e.wheel.y;
      out.param1 = e.wheel.y;
      out.param2 = e.wheel.x;
      break;
    }
    case SDL_JOYAXISMOTION:
      out.kind = EventKind::JoyAxis;
      out.joy = {e.jaxis.which, e.jaxis.axis, e.jaxis.value};
      break;
    case SDL_JOYHATMOTION:
      out.kind = EventKind::JoyHat;
      out.joy = {e.jhat.which, e.jhat.hat, e.jhat.value};
      break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
      out.kind = e.type == SDL_JOYBUTTONDOWN ? EventKind::JoyButtonDown : EventKind::JoyButtonUp;
      out.joy = {e.jbutton.which, e.jbutton.button, e.jbutton.state == SDL_PRESSED ? 1 : 0};
      break;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
      out.kind = e.type == SDL_JOYDEVICEADDED ? EventKind::JoyAdded : EventKind::JoyRemoved;
      out.joy.device = e.jdevice.which;
      break;
    default:
      if (e.type >= SDL_USEREVENT && e.type <= SDL_LASTEVENT) {
        out.windowId = e.user.windowID;
        out.param1 = e.user.code;
      }
      break;
  }
}

}  // namespace

void SystemPumpEvents() { SDL_PumpEvents(); }

bool SystemPeekEvent(Event& event) {
  SDL_Event e;
  if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1) return false;
  Describe(e, event);
  return true;
}

bool SystemPopEvent(Event& event) {
  SDL_Event e;
  if (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1) return false;
  Describe(e, event);
  return true;
}

void SetTap(Tap* tap) { g_tap = tap; }

void TapReading(Reading what, int32_t* values, int count) {
  if (g_tap) g_tap->Read(what, values, count);
}

void PumpEvents() {
  if (g_tap) return g_tap->Pump();
  SystemPumpEvents();
}

bool PeekEvent(Event& event) { return g_tap ? g_tap->Peek(event) : SystemPeekEvent(event); }

bool PopEvent(Event& event) { return g_tap ? g_tap->Pop(event) : SystemPopEvent(event); }

}  // namespace orv::platform
