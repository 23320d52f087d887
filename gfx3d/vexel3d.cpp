#include "gfx3d/vexel3d.h"

#include "gfx2d/sprite_lookup.h"
#include "gfx3d/lights.h"
#include "gfx3d/model_draw.h"
#include "gfx3d/query_scene.h"
#include "gfx3d/shadow_volume.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* d) : device(d) {
  if (device) AttachScene3D(*device, this);
  ResetCartoonRamp();  // a game that set its own ramp before a restart sees the default again
  // Models draw under the pass's transform, frustum, textures and lights.
  models.sceneState = [this](ModelDrawState& state) {
    state.transform = CurrentTransform();
    state.inFrustum = [this](Vec3 c, float r) { return SphereInFrustum(c.x, c.y, c.z, r); };
    state.texture1 = texture3D[0];
    state.texture2 = texture3D[1];
    state.offsetU = textureOffset[0];
    state.offsetV = textureOffset[1];
    state.sphereMapping = sphereMapping != 0;
    state.lighting = lightingMask != 0;
    state.scene = this;
  };
  // Picking and collision read slots and matrices through these.
  QueryScene& q = SceneForQueries();
  q.modelSlot = [this](int slot) -> const ModelSlot* {
    const ModelSlot* s = models.Slot(slot);
    return s && s->inUse ? s : nullptr;
  };
  q.objectTransform = [this] { return CurrentTransform(); };
  q.projection = [this] { return projection; };
  q.view = [this] { return view; };
}

Vexel3D::~Vexel3D() {
  SceneForQueries() = {};
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
