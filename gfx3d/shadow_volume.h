// Stencil shadow volumes: while the shadow pass is open, casters are not
// drawn; their shadow volumes are counted into the stencil buffer instead
// (depth-pass counting, closed by a near cap and a cap at infinity). Leaving
// the pass darkens every pixel whose count is not zero with one rectangle at
// half the shadow colour, so overlapping shadows darken once.
// The pass flag belongs to the renderer; these functions only change it on
// a real transition, so entering or leaving twice does nothing the second
// time. Without a stencil buffer the pass draws nothing and the error log
// says so once.
// Depends on: gfx3d/shadow_edges.h, gl/gl_state_cache.h.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

// The bound drawing target has a stencil buffer.
bool StencilAvailable();

// 0 -> 1: colour and depth writes off, stencil test on, flat shading.
void EnterShadowPass(uint8_t& pass);
// 1 -> 0: the composite over the current viewport, then 3D state back:
// smooth shading, depth test on (less-than), stencil off and cleared, back
// faces culled. The caller re-applies its own cull mode afterwards.
void LeaveShadowPass(uint8_t& pass, uint32_t shadowColour);

// Counts the shadow volume of one caster into the stencil buffer: the mesh's
// edge data (built on first use) and the triangles of the frame drawn, with
// the light in the object space of the current modelview matrix. Only while
// the pass is open; client arrays and the bound program are left as found.
void DrawShadowVolume(uint8_t pass, MeshObjectX& mesh, const std::vector<MeshVertex>& triangles, Vec3 light);

}  // namespace orv
