// Model files from bytes: the binary .ddd format (versions 1.02 to 2.0), its
// DDDA text form, and the version 2.0 writer. Readers never look past the
// bytes given: every count, offset and index is checked against them, and a
// damaged file fails cleanly with its log lines and error 3.
// Depends on: gfx3d/mesh.h, runtime/byte_reader.h, runtime/error_state.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gfx3d/mesh.h"
#include "gfx3d/model_slot.h"

namespace orv {

constexpr int32_t kDddMagic = 13021975;
constexpr double kDddNewestVersion = 2.0;
// Stream records one model may produce; files asking for more are refused
// like a failed allocation rather than exhausting memory.
constexpr size_t kMaxModelRecords = size_t{1} << 23;

// Reads a .ddd file, or a DDDA text file when the magic number is missing,
// into mesh (which is reset first). normalMode says how a DDDA file without
// normals gets them: 0 left zero, 1 per face, 2 welded at equal positions.
// On failure the mesh is empty, the log has the reason and the name, and
// the error code is 3.
bool ReadModel(std::span<const uint8_t> data, const char* name, MeshObjectX& mesh, int normalMode,
               size_t maxRecords = kMaxModelRecords);

// A scene file (several meshes and textures) starts with these four bytes.
bool IsSceneFile(std::span<const uint8_t> data);

// Loads a model file that is not a scene into slot: the slot is freed, gets
// one mesh, and is in use afterwards when the file read and frame 0 has
// records (then prepared and bounded); otherwise the slot is left free.
bool LoadMeshSlot(std::span<const uint8_t> data, const char* name, ModelSlot& slot, int normalMode);

// Mesh 0 of a slot as a version 2.0 .ddd file; empty when there is nothing
// to write (no mesh or no frames).
std::vector<uint8_t> WriteDdd(const MeshObjectX& mesh);

}  // namespace orv
