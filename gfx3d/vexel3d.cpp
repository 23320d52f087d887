#include "gfx3d/vexel3d.h"

#include "gfx2d/sprite_lookup.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* d) : device(d) {
  if (device) AttachScene3D(*device, this);
}

Vexel3D::~Vexel3D() {
  if (device && AttachedScene3D(*device) == this) AttachScene3D(*device, nullptr);
}

}  // namespace orv
