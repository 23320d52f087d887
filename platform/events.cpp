#include "platform/events.h"

#include <SDL2/SDL.h>

namespace orv::platform {

namespace {
SDL_Event g_peeked;
SDL_Event g_popped;

void Describe(const SDL_Event& e, Event& out) {
  out = Event{};
  out.type = e.type;
  out.native = &e;
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
      out.param1 = e.key.keysym.scancode;
      out.param2 = e.key.repeat;
      break;
    case SDL_TEXTINPUT:
      out.kind = EventKind::Text;
      out.windowId = e.text.windowID;
      break;
    case SDL_MOUSEMOTION:
      out.kind = EventKind::MouseMotion;
      out.windowId = e.motion.windowID;
      out.param1 = e.motion.xrel;
      out.param2 = e.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.kind = e.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseButtonDown : EventKind::MouseButtonUp;
      out.windowId = e.button.windowID;
      out.param1 = e.button.button;
      out.param2 = e.button.clicks;
      break;
    case SDL_MOUSEWHEEL:
      out.kind = EventKind::MouseWheel;
      out.windowId = e.wheel.windowID;
      out.param1 = e.wheel.y;
      out.param2 = e.wheel.x;
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

void PumpEvents() { SDL_PumpEvents(); }

bool PeekEvent(Event& event) {
  if (SDL_PeepEvents(&g_peeked, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1) return false;
  Describe(g_peeked, event);
  return true;
}

bool PopEvent(Event& event) {
  if (SDL_PeepEvents(&g_popped, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1) return false;
  Describe(g_popped, event);
  return true;
}

}  // namespace orv::platform
