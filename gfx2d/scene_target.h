// The depth and stencil buffer of the 3D pass.
//
// The window is made without depth and stencil. Mesa's software rasteriser
// (and other drivers) take a much faster path for plain blended 2D drawing
// when the target has neither, and 2D is most of what games draw. A 3D pass
// draws instead into a framebuffer of the window's size that has both:
// entering copies the window's picture in. The rest of that frame, 2D
// included, is drawn there too, and the flip copies it out once to show it:
// two copies of the screen per frame with 3D, however many passes it makes.
// Games see one picture, exactly as if the window had its own depth buffer.
//
// That is the price of the first 3D frame only: after showing it, the
// device replaces the window with one that has depth and stencil of its own
// (a game that draws 3D once goes on drawing it), and passes draw there
// directly. Only if the system refuses, or ORVANE_KEEP_WINDOW=1 asks, do all
// 3D frames go through the target.
//
// Multisampled windows, drivers without framebuffer objects, the copying
// surface fallback and ORVANE_WINDOW_DEPTH=1 keep depth and stencil in the
// window from the start. The device holds one target and decides when a
// pass enters and leaves it.
// Depends on: gl/ (framebuffer entry points), platform/video.h (fetching them).
#pragma once

#include "gl/gl.h"

namespace orv {

class SceneTarget {
 public:
  // The environment asks for depth in the window (known before any context).
  static bool WindowDepthRequested();
  // Whether the current context can give passes a target of their own, so
  // the window can go without depth and stencil.
  static bool Possible();

  // Copies the window's picture (width x height drawable pixels) into the
  // target, made or remade at that size, and draws there. When no target
  // can be made it says so in the log, draws on without depth, and later
  // calls do nothing until ForgetFailure.
  void Enter(int width, int height);
  // Copies the target back into the window and draws there again;
  // clearDepth clears its depth buffer too (as a window's own is cleared
  // after the flip). A surface bound meanwhile stays bound.
  void Leave(bool clearDepth);
  bool Active() const { return active_; }
  bool Failed() const { return failed_; }
  // The target's framebuffer name (0 when there is none).
  GLuint Framebuffer() const { return framebuffer_; }
  // Deletes the framebuffer and its buffers, before the context goes.
  void Release();
  // Deletes the framebuffer and the depth buffer and hands over the colour
  // buffer, which holds the last frame drawn here (0 when there is none).
  // Renderbuffers are shared between contexts, framebuffers are not: the
  // picture can be shown by a context made after this one.
  GLuint TakePicture();
  // Copies a picture taken above into the current context's window (its
  // back buffer) and deletes it.
  static void ShowPicture(GLuint colour, int width, int height);
  // A new context is asked again.
  void ForgetFailure() { failed_ = false; }

 private:
  bool Make(int width, int height);

  GLuint framebuffer_ = 0, colour_ = 0, depth_ = 0;
  int width_ = 0, height_ = 0;
  bool active_ = false;
  bool failed_ = false;
};

}  // namespace orv
