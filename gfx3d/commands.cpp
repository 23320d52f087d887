// Game-facing commands of the 3D renderer: convert and forward.
#include "orvane/gfx3d.h"

#include "gfx3d/vexel3d.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::Vexel3D* Scene() { return orv::Rt().scene.get(); }

float F(double v) { return static_cast<float>(v); }

// A game array holds a matrix when it has exactly 16 elements in one dimension.
bool IsMatrixArray(const RtArray<double>& a) { return a.Dims() == 1 && a.Size(0) == 16; }

void CopyMatrixOut(const orv::Mat4& m, RtArray<double>& out) {
  if (!IsMatrixArray(out)) out.Dim(16);
  for (int i = 0; i < 16; ++i) out.At(i) = m.m[static_cast<size_t>(i)];
}

}  // namespace

void Begin3D(double nearPlane, double farPlane, double fov) {
  if (Scene()) Scene()->Begin3D(F(nearPlane), F(farPlane), F(fov));
}

void End3D() {
  if (Scene()) Scene()->End3D();
}

void ClearDepth() {
  if (Scene()) Scene()->ClearDepth();
}

void SetDepthTest(double on) {
  if (Scene()) Scene()->SetDepthTest(orv::ToInt32(on) != 0);
}

void SetCullMode(double mode) {
  if (Scene()) Scene()->SetCullModeCommand(orv::ToInt32(mode));
}

void SetFog(double color, double exponential, double startOrDensity, double end) {
  if (Scene()) Scene()->SetFog(orv::ToInt32(color), orv::ToInt32(exponential) != 0, F(startOrDensity), F(end));
}

void SetTextureOffset(double du, double dv) {
  if (Scene()) Scene()->SetTextureOffset(F(du), F(dv));
}

void SetSphereMapping(double on) {
  if (Scene()) Scene()->SetSphereMapping(orv::ToInt32(on) != 0);
}

double SetNormalMode(double mode) { return Scene() ? Scene()->SetNormalMode(orv::ToInt32(mode)) : 0; }

void ClearPassFlags() {
  if (Scene()) Scene()->ClearPassFlags();
}

void SetTexture3D(double first, double second) {
  if (Scene()) Scene()->SetTexture3D(orv::ToInt32(first), orv::ToInt32(second));
}

void SetCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY, double targetZ) {
  if (Scene()) Scene()->SetCamera(F(eyeX), F(eyeY), F(eyeZ), F(targetX), F(targetY), F(targetZ));
}

void SetCameraUp(double x, double y, double z) {
  if (Scene()) Scene()->SetCameraUp(F(x), F(y), F(z));
}

double SphereInFrustum(double x, double y, double z, double radius) {
  return Scene() && Scene()->SphereInFrustum(F(x), F(y), F(z), F(radius)) ? 1 : 0;
}

void PushTransform() {
  if (Scene()) Scene()->PushTransform();
}

double PopTransform() { return Scene() && Scene()->PopTransform() ? 1 : 0; }

void Translate(double x, double y, double z) {
  if (Scene()) Scene()->Translate(F(x), F(y), F(z));
}

void Scale(double x, double y, double z) {
  if (Scene()) Scene()->Scale(F(x), F(y), F(z));
}

void Rotate(double angle, double x, double y, double z) {
  if (Scene()) Scene()->Rotate(F(angle), F(x), F(y), F(z));
}

void MultiplyMatrix(const RtArray<double>& matrix) {
  if (!Scene() || !IsMatrixArray(matrix)) return;
  float m[16];
  for (int i = 0; i < 16; ++i) m[i] = F(matrix.At(i));
  Scene()->MultiplyMatrix(m);
}

void CurrentTransform(RtArray<double>& matrix) {
  if (Scene()) CopyMatrixOut(Scene()->CurrentTransform(), matrix);
}

void ViewMatrix(RtArray<double>& matrix) {
  if (Scene()) CopyMatrixOut(Scene()->ViewMatrix(), matrix);
}

void ApplyTransform() {
  if (Scene()) Scene()->ApplyTransform();
}

double TransformScale(double& sx, double& sy, double& sz) {
  float x = 1, y = 1, z = 1;
  const bool scaled = Scene() && Scene()->TransformScale(x, y, z);
  sx = x;
  sy = y;
  sz = z;
  return scaled ? 1 : 0;
}
