// Off-screen surfaces: drawing redirected into a sprite's texture, through a
// framebuffer object, or where the driver has none, through the window's
// back buffer (drawn in its top-left corner and copied into the sprite).
#pragma once

#include <cstdint>

#include "gl/gl.h"

namespace orv {

constexpr int kSurfaces = 32;

struct SurfaceRecord {
  GLuint framebuffer = 0;    // framebuffer object name
  GLuint depthBuffer = 0;    // depth renderbuffer name
  int previousBinding = -1;  // framebuffer bound before this one; -1 = not bound
  int width = 0;             // attachment size
  int height = 0;
  int sprite = -1;           // sprite slot whose texture is the colour attachment
  // The sprite's texture was released or replaced since the framebuffer was
  // made: the framebuffer is made again for the new texture before use.
  bool textureReleased = false;
};

}  // namespace orv
