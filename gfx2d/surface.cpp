// Off-screen surfaces: drawing redirected into a sprite's texture.
#include "gfx2d/gl_extensions.h"
#include "gfx2d/opengl_vexel.h"

namespace orv {

void OpenGLVexel::InitSurfaces() { LoadFramebufferEntryPoints(); }

void OpenGLVexel::EndSurface() {}

void OpenGLVexel::ReleaseAllSurfaces() {}

}  // namespace orv
