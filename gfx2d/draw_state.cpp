// Render state of 2D drawing: texture binding, alpha modes and the alpha test.
#include <cmath>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {
void BindTexture(GLuint name) {
  glBindTexture(GL_TEXTURE_2D, name);
  glEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}
}  // namespace

void OpenGLVexel::BindSprite(int a, int b, bool useMip, const GLuint* explicitTextures) {
  FlushDrawing();
  BindSpriteNow(a, b, useMip, explicitTextures);
}

void OpenGLVexel::BindSpriteNow(int a, int b, bool useMip, const GLuint* explicitTextures) {
  boundSprite = a;
  boundSecondSprite = b;
  boundUsesMip = useMip;
  auto textureOf = [&](int slot) -> GLuint {
    if (slot < 0 || slot >= kSpriteSlots) return 0;
    if (explicitTextures) return explicitTextures[slot];
    return useMip ? sprites_[slot].mipTexture : sprites_[slot].texture;
  };
  GlEntryPoints& ext = Gl();
  if (ext.glActiveTextureARB) {
    // Switching the active unit ends the driver's batch of immediate-mode
    // quads, so consecutive 2D draws skip it while unit 1 is known to be off.
    const bool unit1Off = a < 0 || b < 0;
    if (!unit1Off || !textureUnit1Off) {
      ext.glActiveTextureARB(GL_TEXTURE1_ARB);
      if (unit1Off) {
        glDisable(GL_TEXTURE_2D);
      } else {
        BindTexture(textureOf(a));
      }
      ext.glActiveTextureARB(GL_TEXTURE0_ARB);
      textureUnit1Off = unit1Off;
    }
    if (a < 0) {
      glDisable(GL_TEXTURE_2D);
      return;
    }
    BindTexture(textureOf(b >= 0 ? b : a));
  } else {
    if (a < 0) {
      glDisable(GL_TEXTURE_2D);
      GlState().Set(kCapColorMaterial, true);
      return;
    }
    BindTexture(textureOf(a));
  }
}

void OpenGLVexel::ApplySmoothing() {
  FlushDrawing();
  const GLint filter = smoothing ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}

void OpenGLVexel::SetAlphaMode(float m) {
  GlStateCache& gl = GlState();
  // The intensity travels with each vertex; only a change of blending
  // itself must draw what was batched under the old one.
  const GLenum destination = m > 0 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA;
  if (gl.Slot(kCapBlend) != (m != 0 ? 1 : 0) || (m != 0 && destination != blendDestination_)) FlushDrawing();
  if (m != 0) {
    gl.Set(kCapBlend, true);
    glBlendFunc(GL_SRC_ALPHA, destination);
    blendDestination_ = destination;
  } else {
    gl.Set(kCapBlend, false);
    m = 1;
  }
  globalAlpha = std::fabs(m) < 1 ? std::fabs(m) : 1.0f;
  glColor4f(1, 1, 1, globalAlpha);
}

void OpenGLVexel::SetAlphaTest(float ref) {
  if (ref >= 1 ? GlState().Slot(kCapAlphaTest) != 0 : (GlState().Slot(kCapAlphaTest) != 1 || ref != alphaTestRef))
    FlushDrawing();
  if (ref >= 1) {
    GlState().Set(kCapAlphaTest, false);
    return;
  }
  GlState().Set(kCapAlphaTest, true);
  glAlphaFunc(GL_GREATER, ref);
  alphaTestRef = ref;
}

}  // namespace orv
