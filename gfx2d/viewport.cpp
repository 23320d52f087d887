// The 2D projection: viewport, screen orientation and the per-frame reset of
// the render state.
#include <cstring>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_state_cache.h"

namespace orv {

void OpenGLVexel::OrientPoint(int& x, int& y) const { orientation_.OrientPoint(x, y, screenWidth, screenHeight); }

void OpenGLVexel::UnorientPoint(int& x, int& y) const { orientation_.UnorientPoint(x, y, screenWidth, screenHeight); }

void OpenGLVexel::RotateVector(int& dx, int& dy) const { orientation_.RotateVector(dx, dy); }

void OpenGLVexel::LoadTurnedViewport(int x, int y, int w, int h) {
  // The orientation turns the whole projection; the viewport rectangle is
  // turned with it so it covers the same pixels of the logical screen.
  GLfloat m[16] = {0};
  m[10] = m[15] = 1;
  const int turns = orientation_.Turns();
  switch (turns) {
    case 1: m[1] = -1; m[4] = 1; break;
    case 2: m[0] = -1; m[5] = -1; break;
    case 3: m[1] = 1; m[4] = -1; break;
    default: m[0] = 1; m[5] = 1; break;
  }
  glLoadMatrixf(m);
  int px = x, py = y;
  OrientPoint(px, py);
  int pw = w, ph = h;
  switch (turns) {
    case 1: pw = -h; ph = w; break;
    case 2: pw = -w; ph = -h; break;
    case 3: pw = h; ph = -w; break;
    default: break;
  }
  if (pw < 0) {
    px += pw + 1;
    pw = -pw;
  }
  if (ph < 0) {
    py += ph + 1;
    ph = -ph;
  }
  glViewport(px, screenHeight - ph - py, pw, ph);
}

void OpenGLVexel::SetViewport(int x, int y, int w, int h) {
  FlushDrawing();
  // A surface on the copying path is drawn in the window's top-left corner
  // (the orientation is 0 meanwhile), sized as the surface's image.
  const bool surface = DrawingIntoFramebuffer();
  const bool copyingSurface = !surface && currentSurface >= 0 && currentSurface < kSurfaces;
  if (w <= 0 || h <= 0) {
    x = y = 0;
    if (surface) {
      w = surfaces[currentSurface].width;
      h = surfaces[currentSurface].height;
    } else if (copyingSurface && IsUsedSprite(surfaces[currentSurface].sprite)) {
      w = sprites_[surfaces[currentSurface].sprite].imageWidth;
      h = sprites_[surfaces[currentSurface].sprite].imageHeight;
    } else {
      w = LogicalWidth();
      h = LogicalHeight();
    }
  }
  glMatrixMode(GL_PROJECTION);
  if (!surface) {
    LoadTurnedViewport(x, y, w, h);
    glOrtho(0, w, h, 0, -1, 1);
  } else {
    int S = surfaces[currentSurface].sprite >= 0 ? sprites_[surfaces[currentSurface].sprite].imageHeight
                                                 : surfaces[currentSurface].height;
    glViewport(x, S - h - y, w, h);
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
  }
  viewportX = x;
  viewportY = y;
  viewportWidth = w;
  viewportHeight = h;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OpenGLVexel::SetScreenSizeFields(int width, int height) {
  screenWidth = width;
  screenHeight = height;
  SetViewport(0, 0, 0, 0);
}

void OpenGLVexel::Reset2DState() {
  SetViewport(0, 0, 0, 0);
  GlStateCache& gl = GlState();
  gl.Reset();
  gl.Set(kCapDepthTest, false);
  gl.Set(kCapCullFace, false);
  glFrontFace(GL_CCW);
  SetAlphaTest(0.05f);
  glColor4f(1, 1, 1, 1);
  gl.Set(kCapFog, false);
  gl.Set(kCapLineSmooth, false);
  gl.Set(kCapPointSmooth, false);
  gl.Set(kCapStencilTest, false);
  gl.Set(kCapNormalize, false);
  gl.Set(kCapLighting, false);
  glShadeModel(GL_FLAT);
  gl.Set(kCapColorMaterial, false);
  gl.Set(kCapDither, false);
  gl.Set(kCapPolygonSmooth, false);
  gl.Set(kCapPolygonOffsetPoint, false);
  gl.Set(kCapAutoNormal, false);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  smoothing = true;
  ForgetTextureUnits();
  BindSprite(-1, -1, false, nullptr);
  SetAlphaMode(0);
}

}  // namespace orv
