#include "gfx3d/model_slot.h"

namespace orv {

void ModelSlot::Free() {
  for (auto& mesh : meshes)
    if (mesh) mesh->Reset();
  meshes.clear();
  if (glRelease && !textures.empty()) glRelease({}, textures);
  textures.clear();
  inUse = scene = 0;
}

int CountTriangles(const ModelSlot& slot) {
  size_t records = 0;
  for (const auto& mesh : slot.meshes)
    if (mesh && !mesh->frames.empty()) records += mesh->frames[0].triangles.size();
  return static_cast<int>(records / 3);
}

bool GetFace(const ModelSlot& slot, int frame, int triangle, std::array<double, 27>& out) {
  out.fill(0);
  if (frame < 0 || triangle < 0) return false;
  size_t t = static_cast<size_t>(triangle);
  for (const auto& mesh : slot.meshes) {
    if (!mesh || mesh->frames.empty()) continue;
    if (static_cast<size_t>(frame) >= mesh->frames.size()) continue;
    const std::vector<MeshVertex>& tris = mesh->frames[static_cast<size_t>(frame)].triangles;
    const size_t count = tris.size() / 3;
    if (t >= count) {
      t -= count;
      continue;
    }
    for (size_t i = 0; i < 3; ++i) {
      const MeshVertex& v = tris[3 * t + i];
      double* o = &out[9 * i];
      o[0] = v.x, o[1] = v.y, o[2] = v.z, o[3] = v.u, o[4] = v.v;
      o[5] = static_cast<int32_t>(v.colour);
      o[6] = v.nx, o[7] = v.ny, o[8] = v.nz;
    }
    return true;
  }
  return false;
}

void ScaleObject(ModelSlot& slot, Vec3 s) {
  for (auto& mesh : slot.meshes)
    if (mesh) mesh->Scale(s);
}

}  // namespace orv
