#include "gfx3d/vexel3d.h"

#include "gfx2d/sprite_lookup.h"
#include "gfx3d/shadow_volume.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* d) : device(d) {
  if (device) AttachScene3D(*device, this);
}

Vexel3D::~Vexel3D() {
  if (device && AttachedScene3D(*device) == this) AttachScene3D(*device, nullptr);
}

void Vexel3D::BeginShadowPass() { EnterShadowPass(shadowPass); }

void Vexel3D::EndShadowPass() {
  if (!shadowPass) return;
  LeaveShadowPass(shadowPass, shadowColor);
  SetCullMode(cullMode);
}

void SetTextureSamplerUniforms(Vexel3D& scene) {
  // Shader programs take their texture units from "TextureID1" (unit 0) and
  // "TextureID2" (unit 1).
  ShaderSetSamplers(scene.shaders);
}

}  // namespace orv
