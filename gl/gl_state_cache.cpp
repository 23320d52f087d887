#include "gl/gl_state_cache.h"

#include <cstring>
#include <memory>

#include "runtime/runtime_state.h"

namespace orv {

void GlStateCache::Reset() { std::memset(slots_, 0x7F, sizeof slots_); }

GLenum GlStateCache::Capability(GlCap cap) {
  switch (cap) {
    case kCapBlend: return GL_BLEND;
    case kCapAlphaTest: return GL_ALPHA_TEST;
    case kCapColorMaterial: return GL_COLOR_MATERIAL;
    case kCapCullFace: return GL_CULL_FACE;
    case kCapLighting: return GL_LIGHTING;
    case kCapStencilTest: return GL_STENCIL_TEST;
    case kCapDepthTest: return GL_DEPTH_TEST;
    case kCapFog: return GL_FOG;
    case kCapDither: return GL_DITHER;
    case kCapLineSmooth: return GL_LINE_SMOOTH;
    case kCapPointSmooth: return GL_POINT_SMOOTH;
    case kCapNormalize: return GL_NORMALIZE;
    case kCapPolygonSmooth: return GL_POLYGON_SMOOTH;
    case kCapPolygonOffsetPoint: return GL_POLYGON_OFFSET_POINT;
    case kCapAutoNormal: return GL_AUTO_NORMAL;
    case kCapTextureGenS: return GL_TEXTURE_GEN_S;
    case kCapTextureGenT: return GL_TEXTURE_GEN_T;
  }
  return 0;
}

void GlStateCache::Set(GlCap cap, bool on) {
  int32_t want = on ? 1 : 0;
  if (slots_[cap] == want) return;
  if (on) {
    glEnable(Capability(cap));
  } else {
    glDisable(Capability(cap));
  }
  slots_[cap] = want;
}

GlStateCache& GlState() {
  RuntimeState& rt = Rt();
  if (!rt.glState) rt.glState = std::make_unique<GlStateCache>();
  return *rt.glState;
}

}  // namespace orv
