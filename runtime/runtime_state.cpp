#include "runtime/runtime_state.h"

#include "audio/sound_device.h"
#include "files/asset_locator.h"
#include "files/file_channel.h"
#include "files/ini_file.h"
#include "gl/gl_state_cache.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "input/dx_input.h"
#include "media/music_player.h"
#include "net/net_session.h"
#include "runtime/lib/line_file.h"
#include "runtime/replay/session_tape.h"
#include "system/imports.h"

namespace orv {

RuntimeState::RuntimeState() = default;
RuntimeState::~RuntimeState() = default;

RuntimeState& Rt() {
  // Constructed on first use and never destroyed: subsystems may still reach
  // it from exit handlers after main has returned.
  static RuntimeState* state = new RuntimeState();
  return *state;
}

}  // namespace orv
