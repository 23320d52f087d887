// Printing and measuring text in a bitmap font.
//
// Drawn on its own, a whole text is one triangle strip: each character adds
// the four corners of its quad, and consecutive characters share the edge
// between them, so the joining triangles have no area and draw nothing.
#include <cmath>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"

namespace orv {

void OpenGLVexel::PrintText(int font, const char* text, int length, double x, double y, float z, bool proportional) {
  if (!text || length <= 0 || !IsUsedFont(font)) return;
  const int slot = kFirstFontSprite + font;
  const SpriteSlot& s = sprites_[slot];
  const FontLayout l = FontLayoutOf(s.imageWidth, s.imageHeight);
  const float W = static_cast<float>(l.cellWidth), H = static_cast<float>(l.cellHeight);
  const float cellU = s.uMax / 16, cellV = s.vMax / static_cast<float>(l.rows);
  const FontGlyph* glyphs = fonts_.Glyphs(font);
  std::vector<QuadVertex>& quadVertices = fonts_.QuadScratch();

  quadVertices.clear();
  quadVertices.reserve(static_cast<size_t>(length) * 4);
  // Text starts on whole pixels, so glyph texels land on pixels one to one.
  float px = static_cast<float>(std::ceil(x));
  const float top = static_cast<float>(std::ceil(y)), bottom = top + H;
  for (int i = 0; i < length; ++i) {
    const int index = static_cast<unsigned char>(text[i]) % l.characters;
    if (index == 0) break;
    // Rows are stored bottom-up: t is the bottom of the character's row.
    const float t = static_cast<float>(l.rows - 1 - index / 16) * cellV;
    float a, b, advance;
    if (proportional) {
      a = glyphs[index].u0;
      b = glyphs[index].u1;
      advance = glyphs[index].width;
    } else {
      a = static_cast<float>(index % 16) * cellU;
      b = a + cellU;
      advance = W;
    }
    quadVertices.push_back({px, bottom, z, a, t});
    quadVertices.push_back({px, top, z, a, t + cellV});
    quadVertices.push_back({px + advance, bottom, z, b, t});
    quadVertices.push_back({px + advance, top, z, b, t + cellV});
    px += advance;
  }
  if (quadVertices.empty()) return;

  if (batching_) {
    // In the batch each character is its own two triangles, exactly the
    // two the strip would draw for it, vertices in the strip's order; the
    // strip's zero-area joins cost the driver as much as the glyphs.
    // Font textures keep the filter they have: text never sets one.
    const int quads = static_cast<int>(quadVertices.size() / 4);
    BatchVertex* p = AppendVertices(slot, GL_TRIANGLES, kBatchKeepFilter, quads * 6);
    for (int k = 0; k < quads; ++k) {
      const QuadVertex* q = &quadVertices[static_cast<size_t>(k) * 4];
      for (int corner : {0, 1, 2, 2, 1, 3})
        *p++ = BatchVertex{q[corner].x, q[corner].y, q[corner].z, q[corner].u, q[corner].v,
                           1, 1, 1, globalAlpha, {255, 255, 255, 255}};
    }
    return;
  }
  BindSprite(slot, -1, false, nullptr);
  if (Gl().glClientActiveTextureARB) Gl().glClientActiveTextureARB(GL_TEXTURE0_ARB);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(QuadVertex), &quadVertices[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &quadVertices[0].u);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(quadVertices.size()));
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

int OpenGLVexel::TextWidth(int font, const char* text, int length, bool proportional) const {
  if (!text || length <= 0 || !IsUsedFont(font)) return 0;
  if (!proportional) return length * (sprites_[kFirstFontSprite + font].imageWidth >> 4);
  int width = 0;
  for (int i = 0; i < length; ++i) width += fonts_.Glyphs(font)[static_cast<unsigned char>(text[i])].width;
  return width;
}

}  // namespace orv
