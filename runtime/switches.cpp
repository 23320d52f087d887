#include "runtime/switches.h"

#include <cstdlib>
#include <cstring>

#include "runtime/runtime_state.h"

namespace orv {

namespace {

// On when the variable is exactly "1"; anything else keeps the default.
bool On(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

// Off when the variable is exactly "0"; anything else keeps the default.
bool Off(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "0") == 0;
}

// The variable's text; empty when it is not set.
std::string Text(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

RuntimeSwitches ReadSwitches() {
  RuntimeSwitches s;
  s.hidden = On("ORVANE_HIDDEN");
  s.noBatch = On("ORVANE_NO_BATCH");
  s.noFramebuffer = On("ORVANE_NO_FRAMEBUFFER");
  s.windowDepth = On("ORVANE_WINDOW_DEPTH");
  s.keepWindow = On("ORVANE_KEEP_WINDOW");
  s.noVertexBuffer = On("ORVANE_NO_VERTEX_BUFFER");
  s.noLargePages = On("ORVANE_NO_LARGE_PAGES");
  s.noShaders = On("ORVANE_NO_SHADERS");
  s.saveBackup = !Off("ORVANE_SAVE_BACKUP");
  s.patchDir = Text("ORVANE_PATCH_DIR");
  s.record = Text("ORVANE_RECORD");
  s.recordHash = On("ORVANE_RECORD_HASH");
  s.replay = Text("ORVANE_REPLAY");
  s.replaySpeed = On("ORVANE_REPLAY_SPEED");
  return s;
}

const RuntimeSwitches& Switches() { return Rt().switches; }

}  // namespace orv
