// Off-screen surfaces: drawing redirected into a sprite's texture.
#pragma once

#include <cstdint>

#include "gfx2d/gl.h"

namespace orv {

constexpr int kSurfaces = 32;

struct SurfaceRecord {
  GLuint framebuffer = 0;    // framebuffer object name
  GLuint depthBuffer = 0;    // depth renderbuffer name
  int previousBinding = -1;  // framebuffer bound before this one; -1 = not bound
  int width = 0;             // attachment size
  int height = 0;
  int sprite = -1;           // sprite slot whose texture is the colour attachment
};

}  // namespace orv
