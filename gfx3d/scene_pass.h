// The settings a 3D pass draws with: culling, the depth test, fog, the
// texture offset, sphere mapping and the sprites bound as 3D textures.
// Every switch reaches GL (through the shared state cache) as it is made;
// the renderer puts them back to their pass defaults at every pass start.
// Depends on: gl/ (the state cache), gfx2d/sprite_lookup.h (texture binding).
#pragma once

#include <cstdint>

namespace orv {

class OpenGLVexel;

class ScenePass {
 public:
  explicit ScenePass(OpenGLVexel* device) : device_(device) {}

  // The GL state of a fresh pass: back faces culled with counter-clockwise
  // fronts, fog, smoothing, stencil, normalisation and lighting off, smooth
  // shading, dithering, one-sided lighting, depth test on (less-than).
  void SetUpGlState();
  // Pass start: culling off, no texture offset, no sphere mapping.
  void Reset();

  void SetDepthTest(bool on);
  // 0: no culling; 1: clockwise polygons face front; -1: counter-clockwise
  // ones do. Other values are only stored.
  void SetCullMode(int8_t mode);
  // The command's cull mode: the sign of `mode`, remembered as the last one.
  void SetCullModeCommand(int mode);
  int8_t CullMode() const { return cullMode_; }
  int8_t LastCullMode() const { return lastCullMode_; }
  // colour -1 turns fog off. Linear fog with start and end both 0 runs from
  // nearPlane to farPlane (the pass's planes).
  void SetFog(int32_t colour, bool exponential, float startOrDensity, float end, float nearPlane, float farPlane);

  // Added to drawn u, v while non-zero.
  void SetTextureOffset(float du, float dv) {
    offsetU_ = du;
    offsetV_ = dv;
  }
  float OffsetU() const { return offsetU_; }
  float OffsetV() const { return offsetV_; }
  void SetSphereMapping(bool on) { sphereMapping_ = on; }
  bool SphereMapping() const { return sphereMapping_; }

  // The sprites drawn on texture units 0 and 1 (-1: none); binds them now.
  void SetTextures(int first, int second);
  int Texture(int unit) const { return textures_[unit == 0 ? 0 : 1]; }
  // Texturing off through the device (so it knows nothing is bound), and
  // the game's 3D textures bound again.
  void UnbindTextures();
  void RebindTextures();
  // Per frame: the sprite-binding option passed along with 3D textures back to 0.
  void ResetFrame() { textureOption_ = 0; }

 private:
  OpenGLVexel* device_;
  int8_t cullMode_ = 0;
  int8_t lastCullMode_ = 0;
  float offsetU_ = 0, offsetV_ = 0;
  bool sphereMapping_ = false;
  int textures_[2] = {-1, -1};
  int textureOption_ = 0;
};

}  // namespace orv
