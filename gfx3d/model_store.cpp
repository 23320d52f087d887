#include "gfx3d/model_store.h"

#include <algorithm>

#include "gfx3d/model_loading.h"
#include "runtime/error_state.h"

namespace orv {

// The file layer maps names into a buffer of this size.
constexpr size_t kMaxModelName = 1024;

ModelStore::ModelStore(GlNameRelease release) : slots_(std::make_unique<ModelSlot[]>(kModelSlots)) {
  for (int i = 0; i < kModelSlots; ++i) slots_[static_cast<size_t>(i)].glRelease = release;
}

ModelStore::~ModelStore() { FreeAll(); }

ModelSlot* ModelStore::Slot(int slot) {
  return slot >= 0 && slot < kModelSlots ? &slots_[static_cast<size_t>(slot)] : nullptr;
}

const ModelSlot* ModelStore::Slot(int slot) const {
  return slot >= 0 && slot < kModelSlots ? &slots_[static_cast<size_t>(slot)] : nullptr;
}

int ModelStore::FindFree() const {
  for (int i = 0; i < kModelSlots; ++i)
    if (!slots_[static_cast<size_t>(i)].inUse) return i;
  return -1;
}

bool ModelStore::Load(const RtString& name, int slot, const SceneTextureLoader& textures) {
  ModelSlot* s = Slot(slot);
  if (!s) return Fail(kErrOutOfBounds, false);
  if (static_cast<size_t>(name.Length()) >= kMaxModelName) return Fail(kErrNoSuchFile, false);
  ClearError();
  // A build into this slot would go on in the loaded mesh's frames.
  if (builder_.Target() == s) builder_.Abandon();
  if (LoadModelFile(name, *s, normalMode_, textures)) return true;
  return Fail(kErrNoSuchFile, false);
}

bool ModelStore::Save(const RtString& name, int slot) const {
  const ModelSlot* s = Slot(slot);
  if (!s) return Fail(kErrOutOfBounds, false);
  ClearError();
  if (SaveModelFile(name, *s)) return true;
  // The player's work did not reach the disk: say so, and where.
  LogFormat("cannot save %s\n", name.CStr());
  return Fail(kErrNoSuchFile, false);
}

void ModelStore::Free(int slot) {
  ModelSlot* s = Slot(slot);
  if (!s) return;
  if (builder_.Target() == s) builder_.Abandon();
  s->Free();
}

void ModelStore::FreeAll() {
  builder_.Abandon();
  for (int i = 0; i < kModelSlots; ++i) slots_[static_cast<size_t>(i)].Free();
}

void ModelStore::Start(int slot, int kind) {
  ModelSlot* s = Slot(slot);
  if (!s) {
    SetErrorCode(kErrOutOfBounds);
    return;
  }
  builder_.Start(*s, kind);
}

int ModelStore::CountTriangles(int slot) const {
  const ModelSlot* s = Slot(slot);
  return s ? orv::CountTriangles(*s) : 0;
}

bool ModelStore::GetFace(int slot, int frame, int triangle, std::array<double, 27>& out) const {
  out.fill(0);
  const ModelSlot* s = Slot(slot);
  return s && orv::GetFace(*s, frame, triangle, out);
}

void ModelStore::Scale(int slot, Vec3 scale) {
  ModelSlot* s = Slot(slot);
  if (!s) return;
  ScaleObject(*s, scale);
  for (auto& mesh : s->meshes)
    if (mesh) mesh->DropStaticBuffer();
}

}  // namespace orv
