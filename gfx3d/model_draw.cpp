#include "gfx3d/model_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx2d/image_codec.h"
#include "gfx2d/sprite_lookup.h"
#include "gfx3d/light_modes.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "gl/texture.h"
#include "runtime/switches.h"

namespace orv {
namespace {

constexpr GLsizei kStride = sizeof(MeshVertex);
constexpr size_t kPositionAt = offsetof(MeshVertex, x);
constexpr size_t kNormalAt = offsetof(MeshVertex, nx);
constexpr size_t kUvAt = offsetof(MeshVertex, u);
constexpr size_t kColourAt = offsetof(MeshVertex, r);

bool MultitextureUsable() {
  const GlEntryPoints& g = Gl();
  return g.glActiveTextureARB && g.glClientActiveTextureARB;
}

// Mixes frame c over frame d into the current triangles. Texture
// coordinates come from frame c each time before the offset is added, so a
// texture offset shifts the picture once rather than creeping further with
// every draw.
size_t BlendFrames(MeshObjectX& mesh, const MeshFrame& fc, const MeshFrame& fd, float w, float du, float dv) {
  std::vector<MeshVertex>& out = mesh.CurrentTriangles();
  // Frames of a damaged file may differ in length; draw what all have.
  const size_t n = std::min({out.size(), fc.triangles.size(), fd.triangles.size()});
  const float k = 1 - w;
  for (size_t i = 0; i < n; ++i) {
    MeshVertex& r = out[i];
    const MeshVertex& vc = fc.triangles[i];
    if (w == 0) {
      r = vc;
    } else {
      const MeshVertex& vd = fd.triangles[i];
      r.x = vc.x * w + vd.x * k;
      r.y = vc.y * w + vd.y * k;
      r.z = vc.z * w + vd.z * k;
      r.nx = vc.nx * w + vd.nx * k;
      r.ny = vc.ny * w + vd.ny * k;
      r.nz = vc.nz * w + vd.nz * k;
      r.u = vc.u;
      r.v = vc.v;
    }
    r.u += du;
    r.v += dv;
  }
  return n;
}

// Where each attribute sits in the records GL reads (byte offsets; -1: not
// in them).
struct RecordLayout {
  GLsizei stride = kStride;
  ptrdiff_t position = kPositionAt, normal = kNormalAt, uv = kUvAt, colour = kColourAt;
};

// Mixes frame c over frame d like BlendFrames, but writes only the
// attributes asked for, packed, into the mesh's blended stream: a frame
// needs a fraction of the 92-byte record, and memory traffic is most of
// what a blended draw costs.
size_t BlendCompact(MeshObjectX& mesh, const MeshFrame& fc, const MeshFrame& fd, float w, float du, float dv,
                    bool normals, bool uv, bool colour, RecordLayout& layout) {
  // The records as prepared: frame 0's triangles, or the current ones once
  // a light mode has made them. Read in place, so a plain blend never makes
  // the copy.
  const std::vector<MeshVertex>& prepared =
      mesh.currentTriangles.empty() ? mesh.frames[0].triangles : mesh.currentTriangles;
  const size_t n = std::min({prepared.size(), fc.triangles.size(), fd.triangles.size()});
  size_t floats = 3;
  layout.position = 0;
  layout.normal = layout.uv = layout.colour = -1;
  if (normals) layout.normal = static_cast<ptrdiff_t>(floats * sizeof(float)), floats += 3;
  if (uv) layout.uv = static_cast<ptrdiff_t>(floats * sizeof(float)), floats += 2;
  if (colour) layout.colour = static_cast<ptrdiff_t>(floats * sizeof(float)), floats += 4;
  layout.stride = static_cast<GLsizei>(floats * sizeof(float));
  std::vector<float>& out = mesh.blendedStream;
  out.resize(n * floats);
  float* o = out.data();
  // Weight 0 draws frame c as it is, as BlendFrames does.
  const float k = w == 0 ? 0 : 1 - w;
  const float wc = w == 0 ? 1 : w;
  const MeshVertex* c = fc.triangles.data();
  const MeshVertex* d = w == 0 ? c : fd.triangles.data();
  for (size_t i = 0; i < n; ++i, o += floats) {
    const MeshVertex& vc = c[i];
    const MeshVertex& vd = d[i];
    o[0] = vc.x * wc + vd.x * k;
    o[1] = vc.y * wc + vd.y * k;
    o[2] = vc.z * wc + vd.z * k;
    float* next = o + 3;
    if (normals) {
      next[0] = vc.nx * wc + vd.nx * k;
      next[1] = vc.ny * wc + vd.ny * k;
      next[2] = vc.nz * wc + vd.nz * k;
      next += 3;
    }
    if (uv) {
      next[0] = vc.u + du;
      next[1] = vc.v + dv;
      next += 2;
    }
    if (colour) {
      // Frame c's colour as it is; a mix keeps the prepared records' colour.
      const MeshVertex& kept = w == 0 ? vc : prepared[i];
      next[0] = kept.r, next[1] = kept.g, next[2] = kept.b, next[3] = kept.a;
    }
  }
  return n;
}

GLuint TextureName(int id, const std::vector<uint32_t>* list, const OpenGLVexel* device) {
  if (id < 0) return 0;
  if (list) return static_cast<size_t>(id) < list->size() ? (*list)[static_cast<size_t>(id)] : 0;
  if (!device) return 0;
  const SpriteSlot* sprite = LookUpSprite(*device, id);
  if (!sprite) return 0;
  return sprite->mipTexture ? sprite->mipTexture : sprite->texture;
}

void BindUnit(GLuint name) {
  if (name) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
}

}  // namespace

FrameBlend ChooseFrames(int frameCount, int a, int b, float t, bool interpolate) {
  FrameBlend f;
  if (interpolate) {
    if (t > 1 || t < 0) t = std::fabs(std::fmod(t, 1.0f));
    const double p = a + static_cast<double>(b - a) * t;
    const int i = static_cast<int>(p);
    if (a < b) {
      f.c = i, f.d = i + 1, f.w = static_cast<float>(1 - (p - i));
    } else if (a > b) {
      f.d = i, f.c = i + 1, f.w = static_cast<float>(p - i);
    } else {
      f.c = f.d = a;
    }
  } else {
    f.c = b, f.d = a, f.w = t;
  }
  const int last = std::max(frameCount - 1, 0);
  f.c = std::clamp(f.c, 0, last);
  f.d = std::clamp(f.d, 0, last);
  return f;
}

float LargestColumnLength(const Mat4& m) {
  float largest = 0;
  for (int c = 0; c < 3; ++c) largest = std::max(largest, Length({m.at(0, c), m.at(1, c), m.at(2, c)}));
  return largest;
}

bool VertexBuffersUsable() {
  if (Switches().noVertexBuffer) return false;
  const GlEntryPoints& g = Gl();
  return g.glGenBuffersARB && g.glBindBufferARB && g.glBufferDataARB && g.glDeleteBuffersARB &&
         HasExtension("GL_ARB_vertex_buffer_object");
}

int DrawMesh(MeshObjectX& mesh, int a, int b, float t, bool interpolate, const std::vector<uint32_t>* textures,
             const ModelDrawState& s) {
  if (mesh.frames.empty() || mesh.frames[0].stream.empty()) return 0;
  // 1 bump, 2 cartoon, 3 shadow volumes; 0 while the special light is off.
  const int mode = s.scene ? s.scene->Lights().DrawingMode() : 0;
  const FrameBlend blend = ChooseFrames(mesh.FrameCount(), a, b, t, interpolate);
  // A caster outside the view may still throw its shadow into it.
  if (mode != 3 && s.inFrustum) {
    const MeshFrame& f = mesh.frames[static_cast<size_t>(blend.c)];
    if (!s.inFrustum(TransformPoint(s.transform, f.centre), f.radius * LargestColumnLength(s.transform))) return 0;
  }

  GlStateCache& gl = GlState();
  glColor4f(1, 1, 1, s.alpha);
  gl.Set(kCapColorMaterial, true);
  if (mode == 1) mesh.GenerateNormals(true, s.scene->Models().NormalMode() == 2, true);
  if (mode == 2 || mode == 3) mesh.GenerateNormals(true, false, false);
  if (mode == 2) s.scene->Ramp().EnsureTexture(mesh, s.device && DeviceUsesBgra(*s.device));
  // A mesh whose streams were never made into triangles (the current
  // triangles are only made on demand, so they do not tell).
  if (mesh.frames[0].triangles.empty() && mesh.currentTriangles.empty()) mesh.Prepare();
  // Taken after the normals: generating them rebuilds the frames' triangles.
  const MeshFrame& fc = mesh.frames[static_cast<size_t>(blend.c)];
  const MeshFrame& fd = mesh.frames[static_cast<size_t>(blend.d)];
  const Vec3 light = s.scene ? s.scene->Lights().SpecialPositionIn(s.transform) : Vec3{};

  if (s.scene && s.scene->Shadows().Open()) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(s.transform.data());
    s.scene->Pass().UnbindTextures();
    s.scene->Shadows().DrawVolume(mesh, fc.triangles, light);
    glPopMatrix();
    gl.Set(kCapColorMaterial, false);
    return 1;
  }

  // Frame c as it is, or the mix (and offset) in the current triangles;
  // the light modes always write their per-record data there. Without a
  // light mode a mix streams only what it draws with.
  const bool lightMode = mode == 1 || mode == 2;
  const bool direct = !lightMode && blend.w == 0 && s.offsetU == 0 && s.offsetV == 0;
  const bool compact = !direct && !lightMode;
  const GLuint first = TextureName(s.texture1, textures, s.device);
  const MeshVertex* records = fc.triangles.data();
  const char* base = reinterpret_cast<const char*>(records);
  size_t count = fc.triangles.size();
  size_t bytes = count * sizeof(MeshVertex);
  RecordLayout layout;
  if (compact) {
    count = BlendCompact(mesh, fc, fd, blend.w, s.offsetU, s.offsetV, s.lighting || s.sphereMapping, first != 0,
                         mesh.coloured != 0, layout);
    base = reinterpret_cast<const char*>(mesh.blendedStream.data());
    bytes = mesh.blendedStream.size() * sizeof(float);
  } else if (!direct) {
    count = BlendFrames(mesh, fc, fd, blend.w, s.offsetU, s.offsetV);
    records = mesh.currentTriangles.data();
    base = reinterpret_cast<const char*>(records);
    bytes = count * sizeof(MeshVertex);
  }
  if (lightMode && HasMultitexture()) {
    // Tangents come from the frame the blend starts from.
    const MeshFrame& tangents = blend.w != 0 ? fd : fc;
    for (size_t i = 0; i < count; ++i) {
      MeshVertex& rec = mesh.currentTriangles[i];
      if (mode == 1)
        WriteBumpLightVector(rec, tangents.triangles[i], light);
      else
        WriteCartoonCoordinates(rec, light, mesh.cartoonRowStep);
    }
  }

  const GlEntryPoints& g = Gl();
  const bool buffers = VertexBuffersUsable();
  if (buffers) {
    const bool isStatic = direct && blend.c == 0;
    uint32_t& name = mesh.buffers[isStatic ? 0 : 1];
    const bool created = name == 0;
    if (created) {
      g.glGenBuffersARB(1, &name);
      mesh.glRelease = DeleteGlNames;
    }
    g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    if (!isStatic || created)
      g.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(bytes), base,
                        isStatic ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB);
    base = nullptr;  // the pointers below become offsets into the buffer
  }

  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, layout.stride, base + layout.position);
  if (layout.normal >= 0 && (s.lighting || s.sphereMapping || lightMode)) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, layout.stride, base + layout.normal);
  }

  const bool multi = MultitextureUsable();
  const MeshVertex* unitBase = reinterpret_cast<const MeshVertex*>(base);
  bool units = false;  // a light mode set the texture units up
  if (mode == 1) units = BeginBumpUnits(first, TextureName(s.texture2, textures, s.device), unitBase);
  if (mode == 2) units = BeginCartoonUnits(mesh.texture, first, unitBase);
  const GLuint second = !units && first && multi ? TextureName(s.texture2, textures, s.device) : 0;
  if (!units) {
    if (second) {
      g.glActiveTextureARB(GL_TEXTURE1_ARB);
      BindUnit(second);
      g.glClientActiveTextureARB(GL_TEXTURE1_ARB);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, layout.stride, base + layout.uv);
    }
    if (multi) {
      g.glActiveTextureARB(GL_TEXTURE0_ARB);
      g.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    BindUnit(first);
    // Untextured, the coordinates draw nothing (sphere mapping makes its own).
    if (layout.uv >= 0) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, layout.stride, base + layout.uv);
    }
  }
  // In bump mode the colour array carries the light vector instead.
  if (mesh.coloured && !(units && mode == 1)) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, layout.stride, base + layout.colour);
  }

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glMultMatrixf(s.transform.data());
  if (s.sphereMapping) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl.Set(kCapTextureGenS, true);
    gl.Set(kCapTextureGenT, true);
  }

  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
  if (units) EndLightModeUnits();

  gl.Set(kCapTextureGenS, false);
  gl.Set(kCapTextureGenT, false);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  if (second) {
    g.glClientActiveTextureARB(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (buffers) g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

  // Unit 1 goes back off and unit 0 stays active: what the 2D device's own
  // binding expects to find.
  if (multi) {
    g.glActiveTextureARB(GL_TEXTURE1_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (second) glDisable(GL_TEXTURE_2D);
    g.glActiveTextureARB(GL_TEXTURE0_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  if (mode == 2) {
    const float offset = CartoonOutlineOffset(*s.scene, fc.centre, fc.radius);
    if (offset > 0) DrawCartoonOutline(*s.scene, mesh, offset);
  }
  glPopMatrix();
  gl.Set(kCapColorMaterial, false);
  glColor4f(1, 1, 1, s.alpha);
  return 1;
}

int DrawSlot(ModelSlot& slot, int a, int b, float t, bool interpolate, const ModelDrawState& s) {
  if (!slot.inUse || slot.meshes.empty()) return 0;
  if (!slot.scene) return slot.meshes[0] ? DrawMesh(*slot.meshes[0], a, b, t, interpolate, nullptr, s) : 0;
  ModelDrawState own = s;
  for (auto& mesh : slot.meshes) {
    if (!mesh) continue;
    own.texture1 = slot.textures.empty() ? -1 : mesh->textureA;
    own.texture2 = slot.textures.empty() ? -1 : mesh->textureB;
    DrawMesh(*mesh, a, b, t, interpolate, &slot.textures, own);
  }
  return static_cast<int>(slot.meshes.size());
}

void DeleteGlNames(std::span<const uint32_t> buffers, std::span<const uint32_t> textures) {
  std::vector<GLuint> names;
  for (uint32_t b : buffers)
    if (b) names.push_back(b);
  const GlEntryPoints& g = Gl();
  if (!names.empty() && g.glDeleteBuffersARB) g.glDeleteBuffersARB(static_cast<GLsizei>(names.size()), names.data());
  names.clear();
  for (uint32_t t : textures)
    if (t) names.push_back(t);
  if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}

uint32_t LoadSceneTexture(const RtString& path, int32_t colourKey) {
  PixelImage image;
  if (!ReadImage(path, colourKey, image)) return 0;
  GLuint name = 0;
  if (!BuildTexture(image, name)) return 0;
  return name;
}

}  // namespace orv
