// The depth and stencil buffer of the 3D pass.
//
// The window is made without depth and stencil. Mesa's software rasteriser
// (and other drivers) take a much faster path for plain blended 2D drawing
// when the target has neither, and 2D is most of what games draw. A 3D pass
// draws instead into a framebuffer of the window's size that has both:
// entering copies the window's picture in, leaving copies the result back.
// Games see one picture, exactly as if the window had its own depth buffer;
// the price is two copies of the screen per 3D pass.
//
// Multisampled windows, drivers without framebuffer objects, the copying
// surface fallback and ORVANE_WINDOW_DEPTH=1 keep depth and stencil in the
// window, and the pass draws there directly.
#include <cstdlib>
#include <cstring>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "runtime/error_state.h"
#include "runtime/switches.h"

namespace orv {

namespace {

// Copies the whole of one framebuffer into the other, pixel for pixel. The
// scissor box would clip the copy, so it is off meanwhile.
void CopyFramebuffer(GLuint from, GLuint to, int width, int height) {
  GlEntryPoints& g = Gl();
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  if (scissor) glDisable(GL_SCISSOR_TEST);
  g.glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, from);
  g.glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, to);
  g.glBlitFramebufferEXT(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  if (scissor) glEnable(GL_SCISSOR_TEST);
}

}  // namespace

bool OpenGLVexel::WindowDepthRequested() {
  return Switches().windowDepth || FramebufferFallbackRequested();
}

bool OpenGLVexel::SceneTargetPossible() {
  if (WindowDepthRequested()) return false;
  const bool objects = HasExtension("GL_ARB_framebuffer_object") ||
                       (HasExtension("GL_EXT_framebuffer_object") && HasExtension("GL_EXT_framebuffer_blit") &&
                        HasExtension("GL_EXT_packed_depth_stencil"));
  if (!objects) return false;
  LoadFramebufferEntryPoints();
  const GlEntryPoints& g = Gl();
  return g.glGenFramebuffersEXT && g.glBindFramebufferEXT && g.glGenRenderbuffersEXT && g.glRenderbufferStorageEXT &&
         g.glFramebufferRenderbufferEXT && g.glCheckFramebufferStatusEXT && g.glBlitFramebufferEXT;
}

bool OpenGLVexel::MakeSceneTarget(int width, int height) {
  ReleaseSceneTarget();
  GlEntryPoints& g = Gl();
  g.glGenFramebuffersEXT(1, &sceneFramebuffer_);
  g.glGenRenderbuffersEXT(1, &sceneColor_);
  g.glGenRenderbuffersEXT(1, &sceneDepth_);
  if (!sceneFramebuffer_ || !sceneColor_ || !sceneDepth_) return false;
  const GLint previous = CurrentFramebufferBinding();
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer_);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, sceneColor_);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, sceneDepth_);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, width, height);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, sceneColor_);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, sceneDepth_);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, sceneDepth_);
  const bool complete = g.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  if (complete) {
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    sceneWidth_ = width;
    sceneHeight_ = height;
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
  return complete;
}

void OpenGLVexel::ReleaseSceneTarget() {
  GlEntryPoints& g = Gl();
  if (sceneFramebuffer_ && g.glDeleteFramebuffersEXT) g.glDeleteFramebuffersEXT(1, &sceneFramebuffer_);
  if (sceneColor_ && g.glDeleteRenderbuffersEXT) g.glDeleteRenderbuffersEXT(1, &sceneColor_);
  if (sceneDepth_ && g.glDeleteRenderbuffersEXT) g.glDeleteRenderbuffersEXT(1, &sceneDepth_);
  sceneFramebuffer_ = sceneColor_ = sceneDepth_ = 0;
  sceneWidth_ = sceneHeight_ = 0;
  sceneTargetActive_ = false;
}

void OpenGLVexel::EnterSceneTarget() {
  // Whatever 2D drawing is held back belongs under the 3D picture.
  FlushDrawing();
  // A surface has a depth buffer of its own; a window with one needs no help.
  // A driver that could not make the target once is not asked again every frame.
  if (sceneTargetActive_ || sceneTargetFailed_ || !window_ || window_->HasDepthStencil() || currentSurface >= 0)
    return;
  int width = 0, height = 0;
  window_->DrawableSize(width, height);
  if (width <= 0 || height <= 0) return;
  if ((width != sceneWidth_ || height != sceneHeight_ || !sceneFramebuffer_) && !MakeSceneTarget(width, height)) {
    ReleaseSceneTarget();
    LogLine("3D pass: no depth buffer could be made; drawing without one\n");
    sceneTargetFailed_ = true;
    return;
  }
  CopyFramebuffer(0, sceneFramebuffer_, width, height);
  Gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer_);
  sceneTargetActive_ = true;
}

void OpenGLVexel::LeaveSceneTarget(bool clearDepth) {
  if (!sceneTargetActive_) return;
  FlushDrawing();
  // A surface begun during the pass goes on drawing into itself, and then
  // hands the target back to the window rather than to the pass.
  const GLint bound = CurrentFramebufferBinding();
  for (SurfaceRecord& r : surfaces)
    if (r.previousBinding == static_cast<int>(sceneFramebuffer_)) r.previousBinding = 0;
  CopyFramebuffer(sceneFramebuffer_, 0, sceneWidth_, sceneHeight_);
  GlEntryPoints& g = Gl();
  if (clearDepth) {
    // As a window's own depth buffer is cleared after the flip.
    g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer_);
    glClear(GL_DEPTH_BUFFER_BIT);
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, bound == static_cast<GLint>(sceneFramebuffer_) ? 0 : bound);
  sceneTargetActive_ = false;
}

}  // namespace orv
