// Debugger output. Texts reach a developer only while a debugger is attached
// (a tracer process); they go to standard
// error with the "TX" (text) and "BP" (breakpoint) prefixes that development
// tools look for. Without a debugger these calls do nothing at all.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "input/dx_input.h"
#include "platform/info.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace orv {

bool DebuggerAttached() { return platform::DebuggerAttached(); }

namespace {
void SendDebugString(const char* prefix, const char* text, size_t length) {
  std::fputs(prefix, stderr);
  std::fwrite(text, 1, length, stderr);
  std::fflush(stderr);
}
}  // namespace

void DebugOut(const RtString& text) {
  if (!DebuggerAttached()) return;
  SendDebugString("TX", text.CStr(), static_cast<size_t>(text.Length()));
}

int32_t DebugBreakpoint(int32_t id) {
  if (!DebuggerAttached()) return 0;
  char buf[32] = {0};
  std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(id));
  RuntimeState& rt = Rt();
  // The debugger needs the pointer while the game stands at the breakpoint.
  if (rt.input) rt.input->ReleaseExclusive();
  SendDebugString("BP", buf, std::strlen(buf));
  rt.paused = false;
  if (rt.input) {
    rt.input->PollKeyboard();
    rt.input->PollMice();
  }
  // The next flip brings the game window back to the front.
  rt.activateRequest = 1;
  return 1;
}

}  // namespace orv
