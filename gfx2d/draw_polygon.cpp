// Polygons built vertex by vertex: fans, triangle lists and strips, plain
// or textured, with per-vertex colours. Strips can be broken with
// PolyNewStrip: repeating the last vertex and the next one adds degenerate
// triangles, so many strips go to GL in one draw.
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

struct PolyVertexRecord {
  float x, y;
  float u, v;
  uint8_t r, g, b, a;
};
static_assert(sizeof(PolyVertexRecord) == 20, "GL reads the vertices with a stride of 20 bytes");

// The polygon being built; one at a time per process, like GL's own
// begin/end.
struct PolygonState {
  std::vector<PolyVertexRecord> vertices;
  int slot = -1;
  int kind = 0;
  float invTextureWidth = 0;
  float invTextureHeight = 0;
  bool usesColors = false;
  bool duplicatePending = false;
};

PolygonState& Poly() {
  static PolygonState state;
  return state;
}

}  // namespace

void OpenGLVexel::StartPoly(int slot, int kind) {
  PolygonState& p = Poly();
  if (!IsUsedSprite(slot)) slot = -1;
  // Batched, the texture is bound when the batch is drawn.
  if (!batching_) BindSprite(slot, -1, false, nullptr);
  p.vertices.clear();
  p.slot = slot;
  p.kind = kind;
  p.usesColors = false;
  if (slot >= 0) {
    p.invTextureWidth = 1.0f / sprites_[slot].textureWidth;
    p.invTextureHeight = 1.0f / sprites_[slot].textureHeight;
  }
  p.duplicatePending = false;
}

void OpenGLVexel::PolyVertex(float x, float y, float u, float v, int32_t color) {
  PolygonState& p = Poly();
  PolyVertexRecord vertex{x, y, 0, 0, 255, 255, 255, 255};
  if (p.slot >= 0 && IsUsedSprite(p.slot)) {
    vertex.u = u * p.invTextureWidth;
    vertex.v = (sprites_[p.slot].imageHeight - v) * p.invTextureHeight;
  }
  const uint32_t c = static_cast<uint32_t>(color);
  if (c != 0xFFFFFF) {
    p.usesColors = true;
    vertex.r = c & 0xFF;
    vertex.g = (c >> 8) & 0xFF;
    vertex.b = (c >> 16) & 0xFF;
  }
  vertex.a = c == transparentColor_ ? 0 : globalAlpha == 1.0f ? 255 : static_cast<uint8_t>(globalAlpha * 255);
  p.vertices.push_back(vertex);
  if (p.duplicatePending) {
    p.vertices.push_back(vertex);
    p.duplicatePending = false;
  }
}

void OpenGLVexel::PolyNewStrip() {
  PolygonState& p = Poly();
  if (p.vertices.empty() || p.duplicatePending) return;
  p.vertices.push_back(p.vertices.back());
  p.duplicatePending = true;
}

void OpenGLVexel::EndPoly() {
  PolygonState& p = Poly();
  GLenum mode;
  switch (p.kind) {
    case 0: mode = GL_TRIANGLE_FAN; break;
    case 1: mode = GL_TRIANGLES; break;
    case 2: mode = GL_TRIANGLE_STRIP; break;
    default: return;
  }
  if (p.vertices.empty()) return;
  if (batching_) {
    // Colours from the vertices' bytes when any vertex has one or the
    // intensity is below 1, else the current colour: white at full intensity.
    const bool colored = p.usesColors || globalAlpha != 1.0f;
    const uint8_t flags = static_cast<uint8_t>((smoothing ? kBatchLinear : 0) |
                                               (colored ? kBatchByteColors | kBatchSmoothShade : 0));
    BatchVertex* out = AppendVertices(p.slot, mode, flags, static_cast<int>(p.vertices.size()));
    for (const PolyVertexRecord& v : p.vertices)
      *out++ = BatchVertex{v.x, v.y, 0, v.u, v.v, 1, 1, 1, globalAlpha, {v.r, v.g, v.b, v.a}};
    return;
  }
  const bool textured = p.slot >= 0;
  const PolyVertexRecord* base = p.vertices.data();
  if (Gl().glClientActiveTextureARB) Gl().glClientActiveTextureARB(GL_TEXTURE0_ARB);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(PolyVertexRecord), &base->x);
  if (textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(PolyVertexRecord), &base->u);
  }
  if (p.usesColors || globalAlpha != 1.0f) {
    p.usesColors = true;
    GlState().Set(kCapDither, true);
    glShadeModel(GL_SMOOTH);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolyVertexRecord), &base->r);
  }
  ApplySmoothing();
  glDrawArrays(mode, 0, static_cast<GLsizei>(p.vertices.size()));
  glDisableClientState(GL_VERTEX_ARRAY);
  if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (p.usesColors) {
    glColor4f(1, 1, 1, globalAlpha);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    GlState().Set(kCapDither, false);
  }
}

}  // namespace orv
