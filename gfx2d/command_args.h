// Shared by the 2D command files: the device and the conversion of game
// numbers to the integers the device takes.
#pragma once

#include <cmath>
#include <cstdint>

#include "gfx2d/opengl_vexel.h"
#include "runtime/runtime_state.h"

namespace orv {

inline OpenGLVexel* Device() { return Rt().device.get(); }

// Truncation toward zero, saturated to the int range (NaN gives 0), so any
// number a game passes converts without undefined behaviour.
inline int ArgInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(v);
}

// A colour 0x00BBGGRR or pixel 0xAABBGGRR: the low 32 bits of the number.
inline int32_t ArgColor(double v) {
  if (!(v == v) || std::fabs(v) >= 9.2e18) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(v)));
}

}  // namespace orv
