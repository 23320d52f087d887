// Building a model vertex by vertex: one model at a time, into one slot,
// one frame stream per animation frame. Finishing checks that every frame
// has as many records as frame 0, then builds the palette, the normals the
// chosen mode asks for, the triangles and the bounds.
#pragma once

#include "gfx3d/model_slot.h"

namespace orv {

class ModelBuilder {
 public:
  // Frees the slot and gives it one mesh with one frame, opened with a group
  // of the given kind (0 triangles, 2 fan, anything else strip).
  void Start(ModelSlot& slot, int kind);
  // Appends a marker record switching the primitive kind.
  void NewGroup(int kind);
  // Selects frame f (created when missing; a new frame starts with frame 0's
  // first record). Negative frames are ignored; a frame beyond what a model
  // may hold (kMaxModelBytes, every frame as long as frame 0 and at least
  // three records) or memory can take is refused with error 7, and the
  // build stays in its frame.
  void SetFrame(int frame);
  // Appends a vertex (v given the game's way up); false when nothing is
  // being built or memory ran out (error 7).
  bool AddVertex(float x, float y, float z, float u, float v, uint32_t colour);
  // Finishes the model; normalMode 0 none, 1 per face, 2 welded. True when
  // the slot is in use afterwards; a refused model (too few records, frames
  // of different lengths) gives its memory back, and one memory cannot hold
  // is dropped with error 7. There is no model being built after it.
  bool End(int normalMode);

  bool Building() const { return slot_ != nullptr; }
  // The slot being built into, or null.
  const ModelSlot* Target() const { return slot_; }
  // Drops the build without finishing it (its slot is being replaced).
  void Abandon() { slot_ = nullptr, frame_ = 0; }

 private:
  MeshObjectX* Mesh() const { return slot_->meshes.empty() ? nullptr : slot_->meshes[0].get(); }

  ModelSlot* slot_ = nullptr;
  size_t frame_ = 0;
};

}  // namespace orv
