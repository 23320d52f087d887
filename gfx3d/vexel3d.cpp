// The renderer put together from its parts, and the model commands that
// take several of them: loading a slot with its scene textures, drawing one
// under the pass's state.
#include "gfx3d/vexel3d.h"

#include "gfx2d/sprite_lookup.h"
#include "gfx3d/model_draw.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* device) : device_(device), pass_(device), models_(DeleteGlNames) {}

float Vexel3D::DeviceAlpha() const { return device_ ? orv::DeviceAlpha(*device_) : 1.0f; }

bool Vexel3D::LoadObject(const RtString& path, int slot) {
  OpenGLVexel* device = device_;
  // A scene's images load keyed like sprites; without a device (and so
  // without a GL context) a scene keeps its meshes and goes untextured.
  return models_.Load(path, slot, [device](const RtString& image) -> uint32_t {
    return device ? LoadSceneTexture(image, static_cast<int32_t>(DeviceTransparentColor(*device))) : 0;
  });
}

int Vexel3D::DrawObject(int slot, int frameA, int frameB, float tween, bool interpolate) {
  ModelSlot* s = models_.Slot(slot);
  if (!s) return 0;
  // Models draw under the pass's transform, frustum, textures and lights.
  ModelDrawState state;
  state.device = device_;
  state.alpha = DeviceAlpha();
  state.transform = transforms_.Current();
  state.inFrustum = [this](Vec3 c, float r) { return camera_.SphereInFrustum(c.x, c.y, c.z, r); };
  state.texture1 = pass_.Texture(0);
  state.texture2 = pass_.Texture(1);
  state.offsetU = pass_.OffsetU();
  state.offsetV = pass_.OffsetV();
  state.sphereMapping = pass_.SphereMapping();
  state.lighting = lights_.AnyOn();
  state.scene = this;
  return DrawSlot(*s, frameA, frameB, tween, interpolate, state);
}

}  // namespace orv
