// Small models built in code, so tests, examples and users have real meshes
// and real .ddd files without shipping binaries: a cube, a sphere and an
// animated two-frame pyramid. Faces are clockwise seen from outside (the
// front faces under cull mode 1), so generated normals point outward.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx3d/model_slot.h"

namespace orv {

// A cube of the given edge length centred on the origin, one colour per face.
bool BuildSampleCube(ModelSlot& slot, float size);
// A sphere of strips, rings x segments, with welded normals.
bool BuildSampleSphere(ModelSlot& slot, float radius, int rings, int segments);
// A four-sided pyramid whose apex rises between frame 0 and frame 1.
bool BuildSampleAnimated(ModelSlot& slot);

// Mesh 0 of a built slot as .ddd bytes (empty when the slot is empty).
std::vector<uint8_t> SampleFile(const ModelSlot& slot);

}  // namespace orv
