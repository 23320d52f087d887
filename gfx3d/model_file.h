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

// What one model may take in memory once loaded: its stream records, the
// triangle records made of them and frame 0's copy among the current
// triangles (made when a light mode first draws the model); some 650,000
// triangles. A file that would need more is refused like a failed
// allocation, before the memory is taken.
constexpr size_t kMaxModelBytes = size_t{512} << 20;
// What a model may take per byte of its file. The densest honest encoding
// is a compressed .ddd strip: 5 bytes a record, and each record becomes
// seven 92-byte records in memory (itself, three triangle records and their
// copy among the current triangles), about 130 bytes per byte of file. A
// DDDA file repeats its faces in every frame, but an honest one carries
// each frame's vertices, which keeps it below that too. Only a file that
// describes far more than it holds (a huge fan repeated over frames with
// next to no vertices) goes beyond twice that.
constexpr size_t kModelBytesPerFileByte = 256;

// The memory a load of a file of fileSize bytes may take: in proportion to
// the file (with room for small files), never more than limit.
size_t ModelMemoryBudget(size_t fileSize, size_t limit = kMaxModelBytes);

// Reads a .ddd file, or a DDDA text file when the magic number is missing,
// into mesh (which is reset first), and prepares it (triangles, current
// triangles, bounds). normalMode says how a DDDA file without normals gets
// them: 0 left zero, 1 per face, 2 welded at equal positions. On failure,
// running out of memory included, the mesh is empty, the log has the reason
// ("# read error" or "# malloc error") and the name, and the error code is 3.
bool ReadModel(std::span<const uint8_t> data, const char* name, MeshObjectX& mesh, int normalMode,
               size_t memoryLimit = kMaxModelBytes);

// A scene file (several meshes and textures) starts with these four bytes.
bool IsSceneFile(std::span<const uint8_t> data);

// Loads a model file that is not a scene into slot: the slot is freed, gets
// one mesh, and is in use afterwards when the file read and frame 0 has
// records; otherwise the slot is left free.
bool LoadMeshSlot(std::span<const uint8_t> data, const char* name, ModelSlot& slot, int normalMode);

// Mesh 0 of a slot as a version 2.0 .ddd file; empty when there is nothing
// to write (no mesh or no frames).
std::vector<uint8_t> WriteDdd(const MeshObjectX& mesh);

}  // namespace orv
