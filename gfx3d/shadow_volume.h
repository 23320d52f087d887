// Stencil shadow volumes: while the shadow pass is open, casters are not
// drawn; their shadow volumes are counted into the stencil buffer instead
// (depth-pass counting, closed by a near cap and a cap at infinity). Leaving
// the pass darkens every pixel whose count is not zero with one rectangle at
// half the shadow colour, so overlapping shadows darken once.
// The pass changes GL state only on a real transition, so opening or
// closing it twice does nothing the second time. Without a stencil buffer
// the pass draws nothing and the error log says so once.
// Depends on: gfx3d/shadow_edges.h, gl/gl_state_cache.h.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

// The bound drawing target has a stencil buffer.
bool StencilAvailable();

class ShadowPass {
 public:
  // Casters drawn now count their volumes instead of drawing themselves.
  bool Open() const { return open_; }
  // Closed -> open: colour and depth writes off, stencil test on, flat shading.
  void Begin();
  // Open -> closed: the composite over the current viewport, then 3D state
  // back: smooth shading, depth test on (less-than), stencil off and
  // cleared, back faces culled. The caller re-applies its own cull mode.
  void End(uint32_t shadowColour);
  // Counts the shadow volume of one caster into the stencil buffer: the
  // mesh's edge data (built on first use) and the triangles of the frame
  // drawn, with the light in the object space of the current modelview
  // matrix. Only while the pass is open; client arrays and the bound
  // program are left as found.
  void DrawVolume(MeshObjectX& mesh, const std::vector<MeshVertex>& triangles, Vec3 light);

 private:
  // True with a stencil buffer; without, logs that once.
  bool StencilOrLog();

  bool open_ = false;
  bool noStencilLogged_ = false;
};

}  // namespace orv
