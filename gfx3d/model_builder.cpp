#include "gfx3d/model_builder.h"

#include <algorithm>
#include <new>
#include <string>

#include "gfx3d/model_file.h"
#include "runtime/error_state.h"

namespace orv {

void ModelBuilder::Start(ModelSlot& slot, int kind) {
  frame_ = 0;
  slot.Free();
  slot.meshes.push_back(std::make_unique<MeshObjectX>());
  slot.meshes[0]->frames.resize(1);
  slot_ = &slot;
  NewGroup(kind);
}

void ModelBuilder::NewGroup(int kind) {
  MeshObjectX* mesh = slot_ ? Mesh() : nullptr;
  if (!mesh) return;
  const uint32_t marker = kind == 0 ? kMarkerTriangles : kind == 2 ? kMarkerFan : kMarkerStrip;
  mesh->frames[frame_].stream.push_back(MarkerVertex(marker));
}

void ModelBuilder::SetFrame(int frame) {
  MeshObjectX* mesh = slot_ ? Mesh() : nullptr;
  if (!mesh || frame < 0) return;
  const size_t f = static_cast<size_t>(frame);
  // A built model may take what a loaded one may, and every frame of a
  // finished model holds as many records as frame 0, at least three: a frame
  // number that could never be finished is refused before anything is taken.
  const size_t records = std::max<size_t>(mesh->frames[0].stream.size(), 3);
  if (f >= kMaxModelBytes / (sizeof(MeshFrame) + records * sizeof(MeshVertex))) {
    SetErrorCode(kErrOutOfMemory);
    return;
  }
  // One that memory cannot hold all the same leaves the build where it was.
  try {
    if (mesh->frames.size() < f + 1) mesh->frames.resize(f + 1);
  } catch (const std::bad_alloc&) {
    SetErrorCode(kErrOutOfMemory);
    return;
  }
  std::vector<MeshVertex>& stream = mesh->frames[f].stream;
  const std::vector<MeshVertex>& first = mesh->frames[0].stream;
  if (stream.empty() && !first.empty()) stream.push_back(first[0]);
  frame_ = f;
}

bool ModelBuilder::AddVertex(float x, float y, float z, float u, float v, uint32_t colour) {
  MeshObjectX* mesh = slot_ ? Mesh() : nullptr;
  if (!mesh) return false;
  MeshVertex r;
  r.SetPosition({x, y, z});
  r.u = u;
  r.v = -v;
  r.SetColour(colour);
  try {
    mesh->frames[frame_].stream.push_back(r);
  } catch (const std::bad_alloc&) {
    SetErrorCode(kErrOutOfMemory);
    return false;
  }
  return true;
}

bool ModelBuilder::End(int normalMode) {
  ModelSlot* slot = slot_;
  slot_ = nullptr;
  if (!slot) return false;
  slot->scene = 0;
  MeshObjectX* mesh = slot->meshes.empty() ? nullptr : slot->meshes[0].get();
  if (!mesh || mesh->frames.empty() || mesh->frames[0].stream.size() < 3) {
    if (mesh) mesh->Reset();
    slot->inUse = 0;
    return false;
  }
  slot->inUse = 1;
  const size_t nodes = mesh->frames[0].stream.size();
  for (size_t f = 1; f < mesh->frames.size(); ++f) {
    const size_t count = mesh->frames[f].stream.size();
    if (count == nodes) continue;
    // Frames are interpolated record by record, so they must match frame 0.
    DebugOut(RtString(("Frame " + std::to_string(f) + " has " + std::to_string(count) +
                       " nodes, but must have (like frame 0) " + std::to_string(nodes) + " nodes\n")
                          .c_str()));
    // The refused model's frames are of no further use: give their memory back.
    mesh->Reset();
    slot->inUse = 0;
    return false;
  }
  try {
    mesh->BuildPalette();
    if (normalMode == 1) mesh->GenerateNormals(true, false, false);
    if (normalMode == 2) mesh->GenerateNormals(true, true, false);
    mesh->Prepare();
    mesh->ComputeBounds();
  } catch (const std::bad_alloc&) {
    // A model too large to finish is dropped whole, like one that is too small.
    mesh->Reset();
    slot->inUse = 0;
    SetErrorCode(kErrOutOfMemory);
    return false;
  }
  return true;
}

}  // namespace orv
