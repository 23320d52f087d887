// Lights of the 3D renderer: the eight GL lights, the special light that
// switches model drawing into bump, cartoon or shadow-volume mode, the axis
// gizmo, and the shared cartoon intensity ramp with the per-mesh ramp
// textures built from it. The second half lists what model drawing calls
// for the bump and cartoon modes (gfx3d/light_modes.cpp).
// Depends on: gfx3d/vexel3d.h, gfx3d/mesh.h, gl/ (state cache, extension
// entry points), gfx2d/sprite_lookup.h (device alpha, pixel order, textures).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gfx3d/mesh.h"
#include "gfx3d/vexel3d.h"

namespace orv {

// ---- Lights (lights.cpp) ---------------------------------------------------------------
// index < 0: the special light, on while |cutoff| >= 0.00001, at `position`
// with `colour` (its shadow colour); -1 bump mode, -3 shadow volumes, any
// other negative index cartoon mode. index >= 0: GL light index mod 8;
// cutoff 0 switches it off (and lighting with the last one); otherwise
// position and direction both zero: a directional light from +z; cutoff 180:
// a directional light shining along `direction`; cutoff up to 90: a spot
// light; anything else: a point light. Positions and directions are in the
// camera space current at the call. `show` marks the light's position (and
// a spot light's direction) with debug drawing. Colours are 0x00BBGGRR.
void SetLight(Vexel3D& scene, int index, uint32_t colour, Vec3 position, Vec3 direction, float cutoff, bool show);
// A directional light shining from the camera's eye toward the origin.
void SetCameraLight(Vexel3D& scene, int index, uint32_t colour);
// Red, green and blue arrows 20 units long along x, y, z at world (x, y, z).
void DrawAxes(Vexel3D& scene, float x, float y, float z);

// ---- Cartoon ramp (lights.cpp) ---------------------------------------------------------
// The shared intensity ramp (bytes, 255 = full colour), darkest band first;
// the 16-entry default until the game replaces it.
const std::vector<uint8_t>& CartoonRamp();
// values (0 to 1, clamped) x 255; an empty list gives the single entry 255.
// Every mesh's ramp texture is refilled from the new ramp at its next use.
void ReplaceCartoonRamp(std::span<const double> values);
// The ramp texture's texels (RGBA bytes, rows bottom-up as GL takes them):
// row i is palette colour i (colour 0 past the palette, white for a marker)
// scaled along s by the ramp. rows = palette size rounded up to a power of
// two (1 to 32768); width = the first of 64, 128, 256 and 512 that is at
// least 4 x the ramp length (512 when none is).
std::vector<uint8_t> CartoonRampTexels(const std::vector<uint32_t>& palette, int& width, int& rows);
// Makes or refreshes the mesh's ramp texture (mesh.texture) and its row
// step (mesh.cartoonRowStep). `bgra` uploads BGRA source pixels into an
// RGBA8 texture. Leaves the texture binding as it was. False without a
// GL texture name.
bool EnsureCartoonRampTexture(MeshObjectX& mesh, bool bgra);

}  // namespace orv
