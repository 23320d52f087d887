// The cartoon intensity ramp of the 3D renderer and the per-mesh ramp
// textures made from it: cartoon shading looks each surface's brightness
// up in bands (darkest first) of its own palette colour.
// Depends on: gfx3d/mesh.h, gl/ (textures).
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

class CartoonRamp {
 public:
  // The 16-entry default: 100, six times 160, 207, eight times 255.
  CartoonRamp();

  // The levels (bytes, 255 = full colour), darkest band first.
  const std::vector<uint8_t>& Levels() const { return levels_; }
  // values (0 to 1, clamped) x 255; an empty list gives the single entry
  // 255. Every mesh's ramp texture is refilled from the new ramp at its
  // next use.
  void Replace(std::span<const double> values);

  // The ramp texture's texels (RGBA bytes, rows bottom-up as GL takes them):
  // row i is palette colour i (colour 0 past the palette, white for a
  // marker) scaled along s by the ramp. rows = palette size rounded up to a
  // power of two (1 to 32768); width = the first of 64, 128, 256 and 512
  // that is at least 4 x the ramp length (512 when none is).
  std::vector<uint8_t> Texels(const std::vector<uint32_t>& palette, int& width, int& rows) const;
  // Makes or refreshes the mesh's ramp texture (mesh.texture) and its row
  // step (mesh.cartoonRowStep). `bgra` uploads BGRA source pixels into an
  // RGBA8 texture. Leaves the texture binding as it was. False without a
  // GL texture name.
  bool EnsureTexture(MeshObjectX& mesh, bool bgra);

 private:
  std::vector<uint8_t> levels_;
  // Bumped by every replacement; a ramp texture made under an older one is refilled.
  uint32_t generation_ = 1;
  // The generation each ramp texture was filled under, by GL texture name.
  std::unordered_map<uint32_t, uint32_t> textureGenerations_;
};

}  // namespace orv
