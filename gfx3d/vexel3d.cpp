#include "gfx3d/vexel3d.h"

#include "gfx2d/opengl_vexel.h"

namespace orv {

Vexel3D::Vexel3D(OpenGLVexel* d) : device(d) {
  if (device) device->scene3D = this;
}

Vexel3D::~Vexel3D() {
  if (device && device->scene3D == this) device->scene3D = nullptr;
}

}  // namespace orv
