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
// light; anything else: a point light. Positions and directions go through
// the modelview matrix current at the call (after SetCamera, world space).
// `show` marks the light's position (and a spot light's direction) with
// debug drawing. Colours are 0x00BBGGRR.
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
// Back to the default ramp; a new renderer starts with it.
void ResetCartoonRamp();
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

// Texturing off through the device (so it knows nothing is bound), and the
// game's 3D textures bound again.
void UnbindSceneTextures(Vexel3D& scene);
void RebindSceneTextures(Vexel3D& scene);

// ---- Bump and cartoon modes of model drawing (light_modes.cpp) ------------------------
// Model drawing calls these while the special light is on in mode 1 (bump)
// or 2 (cartoon), in this order:
//   1. EnsureCartoonRampTexture (mode 2) once the mesh has normals;
//   2. light = SpecialLightInObjectSpace(scene, object transform);
//   3. when HasMultitexture(): WriteBumpLightVector (mode 1) or
//      WriteCartoonCoordinates (mode 2) on every record after blending,
//      before the texture offset is added;
//   4. with the vertex and normal arrays set up, BeginBumpUnits or
//      BeginCartoonUnits instead of the plain texture set-up (they return
//      false without multitexture: then draw plainly);
//   5. glDrawArrays, then EndLightModeUnits;
//   6. mode 2 with culling on: CartoonOutlineOffset, and DrawCartoonOutline
//      when it is above 0, still under the object transform.

// Both texture units are there to combine.
bool HasMultitexture();
// The special light's position brought into the object space of
// `objectTransform` (a singular transform leaves it as it is).
Vec3 SpecialLightInObjectSpace(const Vexel3D& scene, const Mat4& objectTransform);
// Bump mode: `out`'s light vector becomes (L.T, L.B, L.N) x 0.5 + 0.5, L the
// unit vector from `out`'s position to the light, T and B from `source` (the
// record the tangents come from), N `out`'s normal.
void WriteBumpLightVector(MeshVertex& out, const MeshVertex& source, Vec3 lightObject);
// Cartoon mode: `out`'s bitangent x and y become the ramp coordinates s =
// L.N clamped to [0.05, 0.95] (how lit the record is) and t = (palette index
// + 0.5) x rowStep (its colour's row).
void WriteCartoonCoordinates(MeshVertex& out, Vec3 lightObject, float rowStep);
// Texture units and their coordinate arrays for records starting at `base`
// (a pointer, or offset 0 inside the bound vertex buffer). Bump: unit 0
// combines the primary colour (the colour array, fed from the light vector)
// with `normalMap` by a dot product; unit 1 modulates by `colourMap` (0:
// none); both take (u, v). Cartoon: unit 0 draws `first` (0: untextured)
// with (u, v), unit 1 modulates by the ramp texture at the ramp coordinates.
// False, touching nothing, without multitexture.
bool BeginBumpUnits(uint32_t normalMap, uint32_t colourMap, const MeshVertex* base);
bool BeginCartoonUnits(uint32_t ramp, uint32_t first, const MeshVertex* base);
// Both units back to modulate, unit 1's texture and arrays and the colour
// array off, unit 0 active.
void EndLightModeUnits();
// How far the outline stands off the surface for a frame with this centre
// and radius in object space, under the current object transform; 0 when
// the outline would swallow the model (or culling is off: no outline).
float CartoonOutlineOffset(Vexel3D& scene, Vec3 frameCentre, float radius);
// The outline: the mesh's current triangles pushed out along their normals
// by `offset`, drawn black from behind (culling inverted) with depth
// less-or-equal, through the mesh's dynamic buffer when buffers exist.
// Restores culling, the depth function, lighting and the 3D textures.
void DrawCartoonOutline(Vexel3D& scene, MeshObjectX& mesh, float offset);

}  // namespace orv
