// Untextured primitives (rectangles, lines, pixels), reading pixels back,
// and the textured fan every stretched sprite and background tile uses.
#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

// The projection moved by 3/8 pixel, so integer coordinates of lines,
// points and rectangle edges fall inside the pixels they name.
struct PixelCentreOffset {
  PixelCentreOffset() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(0.375f, 0.375f, 0);
    glMatrixMode(GL_MODELVIEW);
  }
  ~PixelCentreOffset() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }
};

}  // namespace

int OpenGLVexel::TargetHeight() const {
  // A surface on the copying path is drawn in the window itself.
  if (DrawingIntoFramebuffer()) {
    const int s = surfaces[currentSurface].sprite;
    return IsSpriteSlot(s) ? sprites_[s].imageHeight : surfaces[currentSurface].height;
  }
  return screenHeight;
}

void OpenGLVexel::DrawFan(const float v[16], bool textured) {
  if (Gl().glClientActiveTextureARB) Gl().glClientActiveTextureARB(GL_TEXTURE0_ARB);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 16, v);
  if (textured) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 16, v + 2);
  }
  glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
  if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void OpenGLVexel::DrawQuadFan(const float v[16]) { DrawFan(v, boundSprite >= 0); }

namespace {
uint8_t DrawAlpha(uint32_t color, uint32_t key, float globalAlpha) {
  return color == key ? 0 : static_cast<uint8_t>(globalAlpha * 255);
}
void SetDrawColor(uint32_t color, uint32_t key, float globalAlpha) {
  glColor4ub(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, DrawAlpha(color, key, globalAlpha));
}
// A byte as GL holds a colour given as bytes.
float ByteToFloat(uint8_t b) { return static_cast<float>(b) / 255.0f; }
}  // namespace

void OpenGLVexel::BatchPrimitive(GLenum mode, const float* xy, int n, uint32_t color) {
  BatchVertex* p = AppendVertices(-1, mode, kBatchPixelOffset | kBatchKeepFilter, n);
  const uint8_t a = DrawAlpha(color, transparentColor_, globalAlpha);
  const uint8_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  for (int i = 0; i < n; ++i)
    p[i] = BatchVertex{xy[2 * i], xy[2 * i + 1], 0, 0, 0, ByteToFloat(r),
                       ByteToFloat(g), ByteToFloat(b), ByteToFloat(a), {r, g, b, a}};
}

void OpenGLVexel::DrawRect(int x, int y, int w, int h, int32_t color) {
  if (w < 0) {
    x += w + 1;
    w = -w;
  }
  if (h < 0) {
    y += h + 1;
    h = -h;
  }
  const uint32_t c = static_cast<uint32_t>(color);
  if (batching_ && c != transparentColor_) {
    // Untextured and in one colour: as a quad it covers exactly the pixels
    // of the fan, and consecutive rectangles share one draw.
    const float l = static_cast<float>(x), t = static_cast<float>(y);
    const float r = static_cast<float>(int64_t{x} + w), b = static_cast<float>(int64_t{y} + h);
    const float corners[8] = {l, b, r, b, r, t, l, t};
    BatchPrimitive(GL_QUADS, corners, 4, c);
    // Like the direct path, which turns the test back on after the key colour.
    SetAlphaTest(alphaTestRef);
    return;
  }
  BindSprite(-1, -1, false, nullptr);
  SetDrawColor(c, transparentColor_, globalAlpha);
  // The key colour clears to transparent: its alpha-0 pixels must not be
  // dropped by the alpha test (this is how surfaces are cleared).
  if (c == transparentColor_) GlState().Set(kCapAlphaTest, false);
  {
    PixelCentreOffset offset;
    const float l = static_cast<float>(x), t = static_cast<float>(y);
    const float r = static_cast<float>(int64_t{x} + w), b = static_cast<float>(int64_t{y} + h);
    const float quad[16] = {l, b, 0, 0, r, b, 0, 0, r, t, 0, 0, l, t, 0, 0};
    DrawQuadFan(quad);
  }
  glColor4f(1, 1, 1, globalAlpha);
  SetAlphaTest(alphaTestRef);
}

void OpenGLVexel::DrawLine(int x1, int y1, int x2, int y2, int32_t color) {
  if (batching_) {
    const float ends[4] = {static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                           static_cast<float>(y2)};
    BatchPrimitive(GL_LINES, ends, 2, static_cast<uint32_t>(color));
    BatchPrimitive(GL_POINTS, ends + 2, 1, static_cast<uint32_t>(color));
    return;
  }
  BindSprite(-1, -1, false, nullptr);
  SetDrawColor(static_cast<uint32_t>(color), transparentColor_, globalAlpha);
  {
    PixelCentreOffset offset;
    glBegin(GL_LINES);
    glVertex2i(x1, y1);
    glVertex2i(x2, y2);
    glEnd();
    // Lines leave out their last pixel; the point puts it in.
    glBegin(GL_POINTS);
    glVertex2i(x2, y2);
    glEnd();
  }
  glColor4f(1, 1, 1, globalAlpha);
}

void OpenGLVexel::SetPixel(int x, int y, int32_t color) {
  if (batching_) {
    const float point[2] = {static_cast<float>(x), static_cast<float>(y)};
    return BatchPrimitive(GL_POINTS, point, 1, static_cast<uint32_t>(color));
  }
  BindSprite(-1, -1, false, nullptr);
  SetDrawColor(static_cast<uint32_t>(color), transparentColor_, globalAlpha);
  {
    PixelCentreOffset offset;
    glBegin(GL_POINTS);
    glVertex2i(x, y);
    glEnd();
  }
  glColor4f(1, 1, 1, globalAlpha);
}

uint32_t OpenGLVexel::GetPixel(int x, int y) {
  FlushDrawing();
  const bool surface = DrawingIntoFramebuffer();
  // Surfaces are never turned; only the window follows the orientation.
  if (!surface) OrientPoint(x, y);
  const int H = TargetHeight();
  uint8_t p[4] = {0, 0, 0, 0};
  const bool bgra = bgraSupported;
  glReadBuffer(surface || sceneTarget_.Active() ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(x, H - y - 1, 1, 1, bgra ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, p);
  const uint8_t r = bgra ? p[2] : p[0], b = bgra ? p[0] : p[2];
  return r | p[1] << 8 | b << 16;
}

}  // namespace orv
