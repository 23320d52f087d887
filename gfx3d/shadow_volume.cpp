#include "gfx3d/shadow_volume.h"

#include <algorithm>
#include <array>
#include <utility>

#include "gfx3d/shadow_edges.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

// Texturing off on both units the 3D drawing uses.
void TexturesOff() {
  GlEntryPoints& g = Gl();
  if (g.glActiveTextureARB) {
    g.glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    g.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glDisable(GL_TEXTURE_2D);
}

// No program while volumes and the composite are drawn: their positions
// are at infinity and their colour is fixed. Restored afterwards.
class NoProgram {
 public:
  NoProgram() {
    if (!Gl().glUseProgram) return;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous_);
    if (previous_) Gl().glUseProgram(0);
  }
  ~NoProgram() {
    if (previous_) Gl().glUseProgram(static_cast<GLuint>(previous_));
  }
  NoProgram(const NoProgram&) = delete;
  NoProgram& operator=(const NoProgram&) = delete;

 private:
  GLint previous_ = 0;
};

using Point4 = std::array<float, 4>;  // homogeneous: w 0 lies at infinity

Point4 Point(const MeshVertex& v) { return {v.x, v.y, v.z, 1}; }
Point4 AwayFrom(const MeshVertex& v, Vec3 light) { return {v.x - light.x, v.y - light.y, v.z - light.z, 0}; }

}  // namespace

bool StencilAvailable() {
  GLint bits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &bits);
  return bits > 0;
}

bool ShadowPass::StencilOrLog() {
  if (StencilAvailable()) return true;
  if (!noStencilLogged_) {
    noStencilLogged_ = true;
    LogLine("no stencil buffer: shadows are not drawn\n");
  }
  return false;
}

void ShadowPass::Begin() {
  if (open_) return;
  open_ = true;
  if (!StencilOrLog()) return;
  glShadeModel(GL_FLAT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  GlState().Set(kCapStencilTest, true);
  glDepthMask(GL_FALSE);
  glStencilFunc(GL_ALWAYS, 0, 0);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
}

void ShadowPass::End(uint32_t shadowColour) {
  if (!open_) return;
  open_ = false;
  if (!StencilAvailable()) return;  // entering found none either, and said so
  GlStateCache& gl = GlState();
  glCullFace(GL_BACK);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

  {
    // The composite: one rectangle over the whole viewport, half of the
    // shadow colour blended over every pixel some volume left counted.
    NoProgram noProgram;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gl.Set(kCapDepthTest, false);
    gl.Set(kCapCullFace, false);
    gl.Set(kCapLighting, false);
    gl.Set(kCapFog, false);
    TexturesOff();
    gl.Set(kCapBlend, true);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.Set(kCapStencilTest, true);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glColor4ub(shadowColour & 0xFF, (shadowColour >> 8) & 0xFF, (shadowColour >> 16) & 0xFF, 128);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    gl.Set(kCapBlend, false);
    glColor4f(1, 1, 1, 1);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }

  glShadeModel(GL_SMOOTH);
  gl.Set(kCapDepthTest, true);
  glDepthFunc(GL_LESS);
  gl.Set(kCapStencilTest, false);
  glClearStencil(0);
  glClear(GL_STENCIL_BUFFER_BIT);
  gl.Set(kCapCullFace, true);
  glCullFace(GL_BACK);
}

void ShadowPass::DrawVolume(MeshObjectX& mesh, const std::vector<MeshVertex>& triangles, Vec3 light) {
  if (!open_ || !StencilOrLog()) return;
  BuildShadowEdges(mesh);
  MarkSilhouette(mesh, triangles, light);
  const size_t count = triangles.size() / 3;
  const size_t withEdges = std::min(count, mesh.shadowEdges.size() / 3);

  // Sides: each silhouette edge of a lit triangle, drawn toward infinity
  // away from the light.
  std::vector<Point4> sides;
  for (size_t t = 0; t < withEdges; ++t) {
    if (!mesh.shadowFacing[t]) continue;
    for (size_t k = 0; k < 3; ++k) {
      if (!mesh.shadowEdges[3 * t + k].silhouette) continue;
      const MeshVertex& a = triangles[3 * t + k];
      const MeshVertex& b = triangles[3 * t + (k + 1) % 3];
      sides.insert(sides.end(), {Point(b), Point(a), AwayFrom(a, light), AwayFrom(b, light)});
    }
  }
  // Caps: lit triangles where they are, unlit ones at infinity.
  std::vector<Point4> caps;
  caps.reserve(count * 3);
  for (size_t t = 0; t < count; ++t)
    for (size_t k = 0; k < 3; ++k) {
      const MeshVertex& v = triangles[3 * t + k];
      caps.push_back(mesh.shadowFacing[t] ? Point(v) : AwayFrom(v, light));
    }

  NoProgram noProgram;
  GlStateCache& gl = GlState();
  gl.Set(kCapCullFace, true);
  gl.Set(kCapLighting, false);
  TexturesOff();
  glDepthFunc(GL_LESS);
  // The volume faces outward with clockwise winding, whatever front face the
  // caster itself was drawn with.
  GLint frontFace = GL_CCW;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  glFrontFace(GL_CW);

  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  if (Gl().glBindBufferARB) Gl().glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (Gl().glClientActiveTextureARB) {
    Gl().glClientActiveTextureARB(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    Gl().glClientActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glStencilFunc(GL_ALWAYS, 0, ~0u);
  for (const auto& [op, face] : {std::pair<GLenum, GLenum>{GL_INCR, GL_BACK}, {GL_DECR, GL_FRONT}}) {
    glStencilOp(GL_KEEP, GL_KEEP, op);
    glCullFace(face);
    if (!sides.empty()) {
      glVertexPointer(4, GL_FLOAT, 0, sides.data());
      glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(sides.size()));
    }
    if (!caps.empty()) {
      glVertexPointer(4, GL_FLOAT, 0, caps.data());
      glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(caps.size()));
    }
  }
  glPopClientAttrib();
  glFrontFace(static_cast<GLenum>(frontFace));
}

}  // namespace orv
