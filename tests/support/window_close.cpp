// Asking a window on the virtual display to close, as a window manager's
// close button does: a WM_DELETE_WINDOW message, which the program may
// answer as it likes (xdotool can only destroy the window outright).
#include <X11/Xlib.h>

#include <cstdlib>

#include "support/test_support.h"

namespace orvtest {

bool VirtualDisplay::RequestClose(const std::string& window) {
  ::Display* x = XOpenDisplay(display_.c_str());
  if (!x) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = static_cast<::Window>(std::strtoul(window.c_str(), nullptr, 10));
  e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(x, e.xclient.window, False, NoEventMask, &e) != 0;
  XSync(x, False);
  XCloseDisplay(x);
  return sent;
}

}  // namespace orvtest
