// Drawing model slots inside a 3D pass: animation frames chosen and
// blended, bounding-sphere culling under the current object transform, and
// the vertex records fed to GL from a static buffer (frame 0 drawn as it
// is), a streamed buffer (everything else), or straight from memory when
// vertex buffers are not advertised or ORVANE_NO_VERTEX_BUFFER=1 is set.
// The renderer supplies the transform, frustum test and textures through
// ModelDrawState, so drawing keeps no scene state of its own; the GL names
// a draw makes go back through DeleteGlNames, which it records on the mesh.
// Depends on: gfx3d/model_slot.h, gl/ (entry points, state cache),
// gfx2d/sprite_lookup.h (sprite textures).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "gfx3d/matrix.h"
#include "gfx3d/model_slot.h"
#include "orvane/rt_string.h"

namespace orv {

class OpenGLVexel;
class Vexel3D;

// The two frames a draw mixes: frame c weighted w, frame d weighted 1 - w.
struct FrameBlend {
  int c = 0;
  int d = 0;
  float w = 0;
};

// Frames a and b at tween t. Interpolating, t is wrapped into [0, 1] and the
// frames between a and b are walked; otherwise the draw is b weighted t over
// a. Both frames are clamped to 0..frameCount - 1.
FrameBlend ChooseFrames(int frameCount, int a, int b, float t, bool interpolate);

// The largest length of the three axis columns of m: how much m can
// stretch a bounding sphere.
float LargestColumnLength(const Mat4& m);

// What a draw takes from the scene pass.
struct ModelDrawState {
  Mat4 transform = Mat4::Identity();  // the current object transform
  // True when a sphere (world centre, radius) may be visible; empty: always.
  std::function<bool(Vec3, float)> inFrustum;
  float alpha = 1;                   // the 2D device's alpha
  int texture1 = -1, texture2 = -1;  // texture ids; -1 none
  float offsetU = 0, offsetV = 0;    // added to every texture coordinate
  bool sphereMapping = false;
  bool lighting = false;  // lights are on, so normals are needed
  const OpenGLVexel* device = nullptr;  // sprite textures by id
  // The renderer whose special light (bump, cartoon, shadow volumes),
  // shadow pass, cartoon ramp, culling and normal mode apply; none: plain
  // drawing.
  Vexel3D* scene = nullptr;
};

// Draws one mesh. While the scene's special light is on, bump mode combines
// the first texture as a normal map with the second, cartoon mode shades
// through the mesh's ramp texture and outlines it, and while the shadow
// pass is open the mesh only counts its shadow volume. Texture ids index `textures` when given (a scene's own
// list), else the device's sprite store; ids that name nothing draw
// untextured. 1 when the mesh was drawn, 0 when it has nothing to draw or
// lies outside the frustum.
int DrawMesh(MeshObjectX& mesh, int a, int b, float t, bool interpolate, const std::vector<uint32_t>* textures,
             const ModelDrawState& state);
// Draws a slot: a single model with the state's textures (DrawMesh's
// result), or every mesh of a scene with its own two texture indices into
// the scene's list (the number of meshes). 0 for a slot not in use.
int DrawSlot(ModelSlot& slot, int a, int b, float t, bool interpolate, const ModelDrawState& state);

// Vertex buffers are advertised, fetched and not switched off by the
// environment.
bool VertexBuffersUsable();

// Deletes GL buffer names (one buffer-delete call) and texture names (one
// texture-delete call); zeros are skipped. The GlNameRelease of every mesh
// and slot that holds names the drawing code made.
void DeleteGlNames(std::span<const uint32_t> buffers, std::span<const uint32_t> textures);

// A GL texture made from an image file (for scene files), pixels of
// colourKey (0x00BBGGRR) transparent; 0 when it cannot be read.
uint32_t LoadSceneTexture(const RtString& path, int32_t colourKey);

}  // namespace orv
