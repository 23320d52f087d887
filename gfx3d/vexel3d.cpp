#include "gfx3d/vexel3d.h"

#include "gfx2d/sprite_lookup.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* d) : device(d) {
  if (device) AttachScene3D(*device, this);
}

Vexel3D::~Vexel3D() {
  if (device && AttachedScene3D(*device) == this) AttachScene3D(*device, nullptr);
}

void SetTextureSamplerUniforms(Vexel3D&) {
  // Shader programs take their texture units from "TextureID1" (unit 0) and
  // "TextureID2" (unit 1); the shader store sets them here once it exists.
}

}  // namespace orv
