// Game-facing model commands: convert and forward to the model table.
#include <algorithm>
#include <array>
#include <vector>

#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::Vexel3D* Scene() { return orv::Rt().scene.get(); }

orv::ModelStore* Models() { return Scene() ? &Scene()->Models() : nullptr; }

int Slot(double slot) { return orv::ToInt32(slot); }

}  // namespace

void LoadObject(const RtString& path, double slot) {
  if (Scene()) Scene()->LoadObject(path, Slot(slot));
}

double SaveObject(const RtString& path, double slot) {
  orv::ModelStore* m = Models();
  return m && m->Save(path, Slot(slot)) ? 1 : 0;
}

double FindFreeObject() {
  orv::ModelStore* m = Models();
  return m ? m->FindFree() : -1;
}

void StartObject(double slot, double kind) {
  if (orv::ModelStore* m = Models()) m->Start(Slot(slot), orv::ToInt32(kind));
}

void NewGroup(double kind) {
  if (orv::ModelStore* m = Models()) m->NewGroup(orv::ToInt32(kind));
}

void SetBuildFrame(double frame) {
  if (orv::ModelStore* m = Models()) m->SetBuildFrame(orv::ToInt32(frame));
}

double AddVertex(double x, double y, double z, double u, double v, double color) {
  orv::ModelStore* m = Models();
  return m && m->AddVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), static_cast<float>(u),
                           static_cast<float>(v), static_cast<uint32_t>(orv::ToInt32(color)));
}

void EndObject() {
  if (orv::ModelStore* m = Models()) m->End();
}

double CountTriangles(double slot) {
  orv::ModelStore* m = Models();
  return m ? m->CountTriangles(Slot(slot)) : 0;
}

void GetFace(double slot, double frame, double triangle, RtArray<double>& out) {
  std::array<double, 27> face{};
  if (orv::ModelStore* m = Models()) m->GetFace(Slot(slot), orv::ToInt32(frame), orv::ToInt32(triangle), face);
  out.Dim(3, 9);
  for (int corner = 0; corner < 3; ++corner)
    for (int field = 0; field < 9; ++field) out.At(corner, field) = face[static_cast<size_t>(9 * corner + field)];
}

void ScaleObject(double slot, double sx, double sy, double sz) {
  if (orv::ModelStore* m = Models())
    m->Scale(Slot(slot), {static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(sz)});
}

double DrawObject(double slot, double frameA, double frameB, double tween, double interpolate) {
  return Scene() ? Scene()->DrawObject(Slot(slot), orv::ToInt32(frameA), orv::ToInt32(frameB),
                                       static_cast<float>(tween), interpolate != 0)
                 : 0;
}

void DrawObjectFrame(double slot, double frame) { DrawObject(slot, frame, frame, 0, 0); }
