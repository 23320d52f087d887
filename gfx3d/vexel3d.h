// Vexel3D: the 3D renderer, bound to the 2D device and drawing into its
// context. Start-up creates it; the frame flip asks it to close any open
// shadow pass and to forget per-frame texture and shader choices.
#pragma once

#include "gfx3d/model_store.h"

namespace orv {

class OpenGLVexel;

class Vexel3D {
 public:
  explicit Vexel3D(OpenGLVexel* device);
  ~Vexel3D();
  Vexel3D(const Vexel3D&) = delete;
  Vexel3D& operator=(const Vexel3D&) = delete;

  // Closes a shadow-volume pass still open at the end of a frame.
  void EndShadowPass() {}
  // Per-frame reset: the extra texture option back to 0, no shader program bound.
  void ResetFrameState() { textureOption = 0; }

  OpenGLVexel* device;
  int textureOption = 0;
  ModelStore models;  // the 4096 model slots and the model being built
};

}  // namespace orv
