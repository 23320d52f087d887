// Debug drawing for the 3D layer: dots, lines, wire spheres and wire boxes
// in the current modelview space, in one colour, drawn straight away. Used
// by the debug-primitive commands and, in debug mode, to show the shape a
// collision query tested. Leaves the colour white at the device's alpha
// and lighting as it found it.
// Depends on: gfx3d/collision.h (OrientedBox), gl/ (GL and its state cache),
// gfx2d/sprite_lookup.h (texturing off, the device's alpha).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx3d/collision.h"
#include "gfx3d/matrix.h"

namespace orv {

class OpenGLVexel;

// Sizes and widths the commands accept: 1 to 512 pixels.
float ClampDebugSize(float size);

// colour is 0x00BBGGRR.
void DrawDebugDot(OpenGLVexel& device, Vec3 p, float size, uint32_t colour);
void DrawDebugLine(OpenGLVexel& device, Vec3 a, Vec3 b, float width, uint32_t colour);
void DrawDebugSphere(OpenGLVexel& device, Vec3 centre, float radius, float width, uint32_t colour);
void DrawDebugBox(OpenGLVexel& device, const OrientedBox& box, float width, uint32_t colour);

// The unit sphere's wire: the 20 faces of an icosahedron each split once
// into four, the new corners pushed onto the sphere; 80 triangles.
const std::vector<std::array<Vec3, 3>>& WireSphereTriangles();

}  // namespace orv
