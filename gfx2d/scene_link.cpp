// The device's side of the 3D pass: what the 3D renderer may ask of the
// context's owner without seeing its header.
#include "gfx2d/opengl_vexel.h"
#include "gfx2d/sprite_lookup.h"
#include "gl/gl_state_cache.h"

namespace orv {

void MarkDepthUsed(OpenGLVexel& device) {
  device.depthClearPending = true;
  device.EnterSceneTarget();
}

void LoadViewport3D(OpenGLVexel& device, int& width, int& height) {
  int x = 0, y = 0, w = 0, h = 0;
  device.GetViewport(x, y, w, h);
  width = w;
  height = h;
  glMatrixMode(GL_PROJECTION);
  if (device.DrawingIntoFramebuffer()) {
    glLoadIdentity();
    glViewport(x, device.TargetHeight() - h - y, w, h);
    return;
  }
  // The same quarter turn and turned rectangle as the 2D projection, so a
  // 3D pass covers the pixels the 2D viewport covers.
  device.LoadTurnedViewport(x, y, w, h);
}

void DeviceViewport(const OpenGLVexel& device, int& x, int& y, int& width, int& height) {
  device.GetViewport(x, y, width, height);
}

void BindTextures3D(OpenGLVexel& device, int first, int second, bool useMip) {
  device.BindSprite(first, second, useMip, nullptr);
}

float DeviceAlpha(const OpenGLVexel& device) { return device.GlobalAlpha(); }

uint32_t DeviceTransparentColor(const OpenGLVexel& device) { return device.TransparentColor(); }

bool DeviceUsesBgra(const OpenGLVexel& device) { return device.bgraSupported; }

void Restore2DState(OpenGLVexel& device) {
  // The frame's 2D goes on in the pass's target, if it has one, until the flip.
  device.FlushDrawing();
  int x = 0, y = 0, w = 0, h = 0;
  device.GetViewport(x, y, w, h);
  device.Reset2DState();
  // Sphere mapping generates texture coordinates; 2D drawing gives its own.
  GlState().Set(kCapTextureGenS, false);
  GlState().Set(kCapTextureGenT, false);
  device.SetViewport(x, y, w, h);
}

}  // namespace orv
