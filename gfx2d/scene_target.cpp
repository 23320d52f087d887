// The 3D pass's target: making it, copying the window's picture in and out.
#include "gfx2d/scene_target.h"

#include <memory>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "platform/video.h"
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

GLint BoundFramebuffer() {
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  return binding;
}

}  // namespace

bool SceneTarget::WindowDepthRequested() {
  return Switches().windowDepth || OpenGLVexel::FramebufferFallbackRequested();
}

bool SceneTarget::Possible() {
  if (WindowDepthRequested()) return false;
  const bool objects = HasExtension("GL_ARB_framebuffer_object") ||
                       (HasExtension("GL_EXT_framebuffer_object") && HasExtension("GL_EXT_framebuffer_blit") &&
                        HasExtension("GL_EXT_packed_depth_stencil"));
  if (!objects) return false;
  LoadFramebufferEntryPoints(platform::GetProcAddress);
  const GlEntryPoints& g = Gl();
  return g.glGenFramebuffersEXT && g.glBindFramebufferEXT && g.glGenRenderbuffersEXT && g.glRenderbufferStorageEXT &&
         g.glFramebufferRenderbufferEXT && g.glCheckFramebufferStatusEXT && g.glBlitFramebufferEXT;
}

bool SceneTarget::Make(int width, int height) {
  Release();
  GlEntryPoints& g = Gl();
  g.glGenFramebuffersEXT(1, &framebuffer_);
  g.glGenRenderbuffersEXT(1, &colour_);
  g.glGenRenderbuffersEXT(1, &depth_);
  if (!framebuffer_ || !colour_ || !depth_) return false;
  const GLint previous = BoundFramebuffer();
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, colour_);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_);
  g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, width, height);
  g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour_);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth_);
  g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth_);
  const bool complete = g.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  if (complete) {
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    width_ = width;
    height_ = height;
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
  return complete;
}

void SceneTarget::Release() {
  GlEntryPoints& g = Gl();
  if (framebuffer_ && g.glDeleteFramebuffersEXT) g.glDeleteFramebuffersEXT(1, &framebuffer_);
  if (colour_ && g.glDeleteRenderbuffersEXT) g.glDeleteRenderbuffersEXT(1, &colour_);
  if (depth_ && g.glDeleteRenderbuffersEXT) g.glDeleteRenderbuffersEXT(1, &depth_);
  framebuffer_ = colour_ = depth_ = 0;
  width_ = height_ = 0;
  active_ = false;
}

GLuint SceneTarget::TakePicture() {
  const GLuint colour = colour_;
  colour_ = 0;
  Release();
  return colour;
}

void SceneTarget::ShowPicture(GLuint colour, int width, int height) {
  if (!colour) return;
  GlEntryPoints& g = Gl();
  GLuint framebuffer = 0;
  g.glGenFramebuffersEXT(1, &framebuffer);
  if (framebuffer) {
    g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour);
    if (g.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT)
      CopyFramebuffer(framebuffer, 0, width, height);
    g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    g.glDeleteFramebuffersEXT(1, &framebuffer);
  }
  g.glDeleteRenderbuffersEXT(1, &colour);
}

void SceneTarget::Enter(int width, int height) {
  // A driver that could not make the target once is not asked again every frame.
  if (active_ || failed_) return;
  if ((width != width_ || height != height_ || !framebuffer_) && !Make(width, height)) {
    Release();
    LogLine("3D pass: no depth buffer could be made; drawing without one\n");
    failed_ = true;
    return;
  }
  CopyFramebuffer(0, framebuffer_, width, height);
  Gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  active_ = true;
}

void SceneTarget::Leave(bool clearDepth) {
  if (!active_) return;
  const GLint bound = BoundFramebuffer();
  CopyFramebuffer(framebuffer_, 0, width_, height_);
  GlEntryPoints& g = Gl();
  if (clearDepth) {
    g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glClear(GL_DEPTH_BUFFER_BIT);
  }
  g.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, bound == static_cast<GLint>(framebuffer_) ? 0 : bound);
  active_ = false;
}

// ---- The device's side --------------------------------------------------------------------

void OpenGLVexel::EnterSceneTarget() {
  // Whatever 2D drawing is held back belongs under the 3D picture.
  FlushDrawing();
  // A surface has a depth buffer of its own; a window with one needs no help.
  if (sceneTarget_.Active() || sceneTarget_.Failed() || !window_ || window_->HasDepthStencil() || currentSurface >= 0)
    return;
  int width = 0, height = 0;
  window_->DrawableSize(width, height);
  if (width <= 0 || height <= 0) return;
  // The target's copy in is exact, so the frame so far can travel through it.
  // A full-screen window holds the display's mode; it is replaced once the
  // game is back in a window.
  const bool move = !windowMoveTried_ && !Switches().keepWindow && !window_->Fullscreen();
  sceneTarget_.Enter(width, height);
  if (move && sceneTarget_.Active() && MoveToWindowWithDepth(width, height)) return;
  sceneTarget_.Enter(width, height);
}

void OpenGLVexel::LeaveSceneTarget(bool clearDepth) {
  if (!sceneTarget_.Active()) return;
  FlushDrawing();
  // A surface begun during the pass goes on drawing into itself, and then
  // hands the target back to the window rather than to the pass.
  for (SurfaceRecord& r : surfaces)
    if (r.previousBinding == static_cast<int>(sceneTarget_.Framebuffer())) r.previousBinding = 0;
  sceneTarget_.Leave(clearDepth);
}

bool OpenGLVexel::MoveToWindowWithDepth(int width, int height) {
  windowMoveTried_ = true;
  GlEntryPoints& g = Gl();
  // What the new context must have as this one has it: the colour clears
  // are made with, and the program a game's shader left in use.
  GLfloat clear[4] = {0, 0, 0, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  GLint program = 0;
  if (g.glUseProgram) glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  // Framebuffer objects belong to the context that made them; the buffers
  // they draw into are shared, and surfaces attach theirs again when used.
  const GLuint picture = sceneTarget_.TakePicture();
  for (SurfaceRecord& r : surfaces) {
    if (!r.framebuffer) continue;
    g.glDeleteFramebuffersEXT(1, &r.framebuffer);
    if (r.depthBuffer) g.glDeleteRenderbuffersEXT(1, &r.depthBuffer);
    r.framebuffer = r.depthBuffer = 0;
    r.textureReleased = true;
  }
  std::unique_ptr<platform::GlContext> moved = window_->ReplaceWithDepthStencil();
  if (!moved) {
    // The window still holds the frame so far: the target copies it in again.
    if (picture) g.glDeleteRenderbuffersEXT(1, &picture);
    LogLine("3D: the window keeps drawing 3D frames through a copy\n");
    return false;
  }
  glContext_ = std::move(moved);
  windowDepth_ = true;
  LogLine("3D: the window now has a depth buffer of its own\n");
  SceneTarget::ShowPicture(picture, width, height);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  if (g.glUseProgram) g.glUseProgram(static_cast<GLuint>(program));
  int x = 0, y = 0, w = 0, h = 0;
  GetViewport(x, y, w, h);
  Reset2DState();
  SetViewport(x, y, w, h);
  return true;
}

}  // namespace orv
