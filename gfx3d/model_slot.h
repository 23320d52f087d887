// A model slot: one mesh (a loaded or built model) or several meshes with
// their own textures (a scene), and the slot-wide queries and edits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

constexpr int kModelSlots = 4096;

struct ModelSlot {
  uint8_t inUse = 0;
  uint8_t scene = 0;
  std::vector<std::unique_ptr<MeshObjectX>> meshes;
  std::vector<uint32_t> textures;  // GL texture names owned by a scene
  // How `textures` go back to GL; the store owning the slot sets it. Without
  // it they are only forgotten.
  GlNameRelease glRelease = nullptr;

  ModelSlot() = default;
  ~ModelSlot() { Free(); }
  ModelSlot(const ModelSlot&) = delete;
  ModelSlot& operator=(const ModelSlot&) = delete;

  // Resets every mesh, gives the slot's textures back, clears both flags.
  void Free();
};

// Triangles in frame 0 over the meshes that have frames.
int CountTriangles(const ModelSlot& slot);
// The triangle-th triangle of the given frame, counting across the meshes:
// for each of its three corners x, y, z, u, v (as stored), colour, nx, ny, nz.
// False (all zeros) when there is no such triangle.
bool GetFace(const ModelSlot& slot, int frame, int triangle, std::array<double, 27>& out);
// Scales every mesh of the slot.
void ScaleObject(ModelSlot& slot, Vec3 s);

}  // namespace orv
