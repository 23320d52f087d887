// The one offscreen 2D device (and GL context) a benchmark process draws
// with, made on first use.
#pragma once

#include <cstdlib>
#include <memory>

#include "gfx2d/opengl_vexel.h"

namespace benchsupport {

// Null when no GL context can be made here. The size is the first caller's.
inline orv::OpenGLVexel* OffscreenDevice(int width, int height) {
  static std::unique_ptr<orv::OpenGLVexel> device;
  if (!device) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    device = std::make_unique<orv::OpenGLVexel>();
    if (!device->Init(width, height, 0, 0, 0, false)) device.reset();
  }
  return device.get();
}

}  // namespace benchsupport
