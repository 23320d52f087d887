// The special light's per-pixel modes as model drawing uses them: the
// per-record light data, the texture units that combine it, and the cartoon
// outline.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "gfx3d/light_modes.h"
#include "gfx3d/model_draw.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"

namespace orv {

namespace {

constexpr GLsizei kStride = sizeof(MeshVertex);

// A field of the record array at `base` (a real pointer or a buffer offset).
const void* Field(const MeshVertex* base, size_t offset) {
  return reinterpret_cast<const char*>(base) + offset;
}

void TexCoordArray(GLenum unit, const MeshVertex* base, size_t offset) {
  Gl().glClientActiveTextureARB(unit);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, kStride, Field(base, offset));
}

void UnitTexture(GLenum unit, uint32_t texture) {
  Gl().glActiveTextureARB(unit);
  if (texture != 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
}

}  // namespace

bool HasMultitexture() {
  const GlEntryPoints& gl = Gl();
  return gl.glActiveTextureARB && gl.glClientActiveTextureARB && gl.glMultiTexCoord2fARB;
}

void WriteBumpLightVector(MeshVertex& out, const MeshVertex& source, Vec3 lightObject) {
  const Vec3 l = Normalized(lightObject - out.Position());
  out.lr = Dot(l, source.Tangent()) * 0.5f + 0.5f;
  out.lg = Dot(l, source.Bitangent()) * 0.5f + 0.5f;
  out.lb = Dot(l, out.Normal()) * 0.5f + 0.5f;
}

void WriteCartoonCoordinates(MeshVertex& out, Vec3 lightObject, float rowStep) {
  // The record's own normal: how directly the light falls on the surface
  // picks the band, wherever the model stands.
  const Vec3 l = Normalized(lightObject - out.Position());
  out.bx = std::clamp(Dot(l, out.Normal()), 0.05f, 0.95f);
  out.by = (static_cast<float>(out.paletteIndex) + 0.5f) * rowStep;
}

bool BeginBumpUnits(uint32_t normalMap, uint32_t colourMap, const MeshVertex* base) {
  if (!HasMultitexture()) return false;
  UnitTexture(GL_TEXTURE1_ARB, colourMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  TexCoordArray(GL_TEXTURE1_ARB, base, offsetof(MeshVertex, u));
  UnitTexture(GL_TEXTURE0_ARB, normalMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_DOT3_RGB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
  TexCoordArray(GL_TEXTURE0_ARB, base, offsetof(MeshVertex, u));
  // The light vector arrives as the primary colour.
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(3, GL_FLOAT, kStride, Field(base, offsetof(MeshVertex, lr)));
  return true;
}

bool BeginCartoonUnits(uint32_t ramp, uint32_t first, const MeshVertex* base) {
  if (!HasMultitexture()) return false;
  UnitTexture(GL_TEXTURE1_ARB, ramp);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  TexCoordArray(GL_TEXTURE1_ARB, base, offsetof(MeshVertex, bx));
  UnitTexture(GL_TEXTURE0_ARB, first);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  TexCoordArray(GL_TEXTURE0_ARB, base, offsetof(MeshVertex, u));
  return true;
}

void EndLightModeUnits() {
  if (!HasMultitexture()) return;
  const GlEntryPoints& gl = Gl();
  gl.glActiveTextureARB(GL_TEXTURE1_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_2D);
  gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
}

float CartoonOutlineOffset(Vexel3D& scene, Vec3 frameCentre, float radius) {
  if (scene.Pass().CullMode() == 0) return 0;
  const Mat4& transform = scene.CurrentTransform();
  const SceneCamera& camera = scene.Camera();
  Mat4 inverse;
  const Vec3 eye = Invert(transform, inverse) ? TransformPoint(inverse, camera.Eye()) : camera.Eye();
  float offset = Length(eye - frameCentre) * camera.ConeTangent() * 0.003f;
  // A scaled model gets a thinner outline in object space, so it keeps its
  // width on screen.
  for (int level = 0; level <= scene.Transforms().Depth(); ++level) {
    float sx = 1, sy = 1, sz = 1;
    if (scene.TransformScale(sx, sy, sz)) {
      const float mean = (sx + sy + sz) / 3;
      if (mean > 0) offset /= mean * mean;
    }
  }
  if (offset > radius * 0.5f) return 0;
  return std::max(offset, 1e-7f);
}

void DrawCartoonOutline(Vexel3D& scene, MeshObjectX& mesh, float offset) {
  if (offset <= 0 || mesh.CurrentTriangles().empty()) return;
  std::vector<MeshVertex> moved(mesh.currentTriangles);
  for (MeshVertex& v : moved) v.SetPosition(v.Position() + v.Normal() * offset);

  const GlEntryPoints& gl = Gl();
  const bool buffers = gl.glGenBuffersARB && gl.glBindBufferARB && gl.glBufferDataARB;
  const MeshVertex* base = moved.data();
  if (buffers) {
    if (mesh.buffers[1] == 0) {
      gl.glGenBuffersARB(1, &mesh.buffers[1]);
      mesh.glRelease = DeleteGlNames;
    }
    gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.buffers[1]);
    gl.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(moved.size() * sizeof(MeshVertex)),
                       moved.data(), GL_STREAM_DRAW_ARB);
    base = nullptr;
  }

  ScenePass& pass = scene.Pass();
  const int8_t cull = pass.CullMode();
  GlStateCache& state = GlState();
  pass.SetCullMode(static_cast<int8_t>(-cull));
  pass.UnbindTextures();
  state.Set(kCapLighting, false);
  state.Set(kCapColorMaterial, true);
  glDepthFunc(GL_LEQUAL);
  glColor3f(0, 0, 0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, base);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(moved.size()));
  glDisableClientState(GL_VERTEX_ARRAY);
  if (buffers) gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

  glDepthFunc(GL_LESS);
  pass.RebindTextures();
  pass.SetCullMode(cull);
  if (scene.Lights().AnyOn()) state.Set(kCapLighting, true);
}

}  // namespace orv
