// Shared by the 2D command files: the device the commands act on, and the
// conversion of game numbers to the integers it takes.
#pragma once

#include "gfx2d/opengl_vexel.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace orv {

inline OpenGLVexel* Device() { return Rt().device.get(); }

}  // namespace orv
