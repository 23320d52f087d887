// GlStateCache: one remembered on/off value per GL capability, shared by the
// 2D and 3D renderers, so repeated state changes cost nothing. A slot holds
// 0 (off), 1 (on) or kUnknown; the 2D reset makes every slot unknown, so the
// next setter of each capability always reaches GL.
#pragma once

#include <cstdint>

#include "gl/gl.h"

namespace orv {

enum GlCap : int {
  kCapBlend = 0,
  kCapAlphaTest = 1,
  kCapColorMaterial = 6,
  kCapCullFace = 7,
  kCapLighting = 8,
  kCapStencilTest = 9,
  kCapDepthTest = 10,
  kCapFog = 11,
  kCapDither = 12,
  kCapLineSmooth = 13,
  kCapPointSmooth = 14,
  kCapNormalize = 15,
  kCapPolygonSmooth = 17,
  kCapPolygonOffsetPoint = 18,
  kCapAutoNormal = 19,
  kCapTextureGenS = 20,
  kCapTextureGenT = 21,
};

class GlStateCache {
 public:
  static constexpr int kSlots = 22;
  static constexpr int32_t kUnknown = 0x7F7F7F7F;

  GlStateCache() { Reset(); }
  // Every slot unknown: fills each byte with 0x7F.
  void Reset();
  // glEnable / glDisable of the slot's capability when it differs from the slot.
  void Set(GlCap cap, bool on);
  int32_t Slot(GlCap cap) const { return slots_[cap]; }
  static GLenum Capability(GlCap cap);

 private:
  int32_t slots_[kSlots];
};

// The one cache of the GL context.
GlStateCache& GlState();

}  // namespace orv
