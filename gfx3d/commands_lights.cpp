// Game-facing light commands: convert and forward.
#include <vector>

#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::Vexel3D* Scene() { return orv::Rt().scene.get(); }

float F(double v) { return static_cast<float>(v); }

uint32_t Colour(double c) { return static_cast<uint32_t>(orv::ToInt32(c)); }

}  // namespace

void SetLight(double index, double color, double x, double y, double z, double dx, double dy, double dz,
              double cutoff, double show) {
  if (Scene())
    Scene()->SetLight(orv::ToInt32(index), Colour(color), {F(x), F(y), F(z)}, {F(dx), F(dy), F(dz)}, F(cutoff),
                      orv::ToInt32(show) != 0);
}

void SetCameraLight(double index, double color) {
  if (Scene()) Scene()->SetCameraLight(orv::ToInt32(index), Colour(color));
}

void DrawAxes(double x, double y, double z) {
  if (Scene()) Scene()->DrawAxes(F(x), F(y), F(z));
}

void SetCartoonRamp(const RtArray<double>& ramp) {
  // The ramp runs along the first dimension (the first column of a larger array).
  std::vector<double> values;
  const int n = ramp.Dims() > 0 && ramp.Data() ? ramp.Size(0) : 0;
  for (int i = 0; i < n; ++i) values.push_back(ramp.Dims() == 1 ? ramp.At(i) : ramp.At(i, 0));
  if (Scene()) Scene()->SetCartoonRamp(values);
}
