// The model table of the 3D renderer: 4096 numbered slots, the one model
// being built, how finished models get their normals, and the slot
// operations the game's model commands forward to.
// Every slot number is checked here, so a wrong number gives the neutral
// result instead of touching memory outside the table.
// Depends on: gfx3d/model_slot.h, gfx3d/model_builder.h, gfx3d/model_loading.h.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "gfx3d/model_builder.h"
#include "gfx3d/model_loading.h"
#include "gfx3d/model_slot.h"
#include "orvane/rt_string.h"

namespace orv {

class ModelStore {
 public:
  // kModelSlots empty slots, whose scene textures go back through `release`.
  explicit ModelStore(GlNameRelease release = nullptr);
  // Frees every slot.
  ~ModelStore();
  ModelStore(const ModelStore&) = delete;
  ModelStore& operator=(const ModelStore&) = delete;

  // The slot with that number; null outside 0..kModelSlots - 1.
  ModelSlot* Slot(int slot);
  const ModelSlot* Slot(int slot) const;
  // The lowest slot not in use, or -1.
  int FindFree() const;

  // Frees the slot and loads a .ddd, DDDA or scene file into it through the
  // file layer (disk, archive, "mem://"); a scene's images become textures
  // through `textures`. A name the file layer cannot take (over 1023 bytes)
  // leaves the slot as it was. False with error 3 when the file is missing
  // or damaged (a damaged one also logs why and its name).
  bool Load(const RtString& name, int slot, const SceneTextureLoader& textures);
  // Mesh 0 of the slot as a version 2.0 .ddd file. False with error 9 for a
  // wrong number; false with error 3 and "cannot save <name>" in the log
  // when the slot has nothing to save or the file cannot be written (an
  // existing file is then left whole).
  bool Save(const RtString& name, int slot) const;
  void Free(int slot);
  void FreeAll();

  // Building, one model at a time (see ModelBuilder).
  void Start(int slot, int kind);
  void NewGroup(int kind) { builder_.NewGroup(kind); }
  void SetBuildFrame(int frame) { builder_.SetFrame(frame); }
  bool AddVertex(float x, float y, float z, float u, float v, uint32_t colour) {
    return builder_.AddVertex(x, y, z, u, v, colour);
  }
  // Finishes the model with the current normal mode; true when the slot is in use.
  bool End() { return builder_.End(normalMode_); }

  int CountTriangles(int slot) const;
  bool GetFace(int slot, int frame, int triangle, std::array<double, 27>& out) const;
  // Scales every mesh; the static vertex buffers are dropped so the next
  // draw uploads the scaled triangles.
  void Scale(int slot, Vec3 s);

  // How finished models (and loaded DDDA files without normals) get
  // normals: 0 none, 1 per face, 2 welded. Stores n mod 3 (the remainder
  // keeps n's sign) and returns it.
  int SetNormalMode(int n) { return normalMode_ = n % 3; }
  int NormalMode() const { return normalMode_; }

 private:
  std::unique_ptr<ModelSlot[]> slots_;
  ModelBuilder builder_;
  int normalMode_ = 2;
};

}  // namespace orv
