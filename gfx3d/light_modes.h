// The special light's bump and cartoon modes as model drawing uses them:
// the per-record light data, the texture units that combine it, and the
// cartoon outline. Model drawing calls these while the special light is on
// in mode 1 (bump) or 2 (cartoon), in this order:
//   1. the renderer's CartoonRamp::EnsureTexture (mode 2) once the mesh has normals;
//   2. light = SceneLights::SpecialPositionIn(object transform);
//   3. when HasMultitexture(): WriteBumpLightVector (mode 1) or
//      WriteCartoonCoordinates (mode 2) on every record after blending,
//      before the texture offset is added;
//   4. with the vertex and normal arrays set up, BeginBumpUnits or
//      BeginCartoonUnits instead of the plain texture set-up (they return
//      false without multitexture: then draw plainly);
//   5. glDrawArrays, then EndLightModeUnits;
//   6. mode 2 with culling on: CartoonOutlineOffset, and DrawCartoonOutline
//      when it is above 0, still under the object transform.
// Depends on: gfx3d/vexel3d.h, gfx3d/mesh.h, gl/ (state cache, extension
// entry points).
#pragma once

#include <cstdint>

#include "gfx3d/mesh.h"

namespace orv {

class Vexel3D;

// Both texture units are there to combine.
bool HasMultitexture();
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
