// The picture a movie shows: one texture the media player replaces picture
// by picture, drawn straight into the window. A movie owns the whole window
// while it plays, so drawing it ignores the game's 2D state (turn, viewport,
// blending, colour, alpha test) and leaves that state exactly as it was.
#include "gfx2d/opengl_vexel.h"

namespace orv {

void OpenGLVexel::SetMoviePicture(const uint8_t* rgba, int width, int height) {
  if (width <= 0 || height <= 0) return;
  FlushDrawing();
  MovieTexture& t = movieTexture_;
  if (!t.name) glGenTextures(1, &t.name);
  // The 2D state is kept: the texture binding and the unpacking too.
  glPushAttrib(GL_TEXTURE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glBindTexture(GL_TEXTURE_2D, t.name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (width != t.width || height != t.height) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    t.width = width;
    t.height = height;
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  }
  glPopClientAttrib();
  glPopAttrib();
}

void OpenGLVexel::ShowMoviePicture(int clientWidth, int clientHeight, int x, int y, int width, int height) {
  // The movie goes to the window: what the game drew before is drawn, a
  // surface or the 3D pass's target in use is left.
  EndSurface();
  LeaveSceneTarget(false);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, clientWidth, clientHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  for (GLenum capability : {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_FOG,
                            GL_SCISSOR_TEST, GL_STENCIL_TEST})
    glDisable(capability);
  glViewport(0, 0, clientWidth, clientHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (movieTexture_.name && width > 0 && height > 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, movieTexture_.name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
    const float x1 = static_cast<float>(x + width), y1 = static_cast<float>(y + height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glEnd();
  }
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void OpenGLVexel::ReleaseMoviePicture() {
  if (movieTexture_.name) glDeleteTextures(1, &movieTexture_.name);
  movieTexture_ = MovieTexture{};
}

}  // namespace orv
