// The lights of the 3D renderer: the eight GL lights, and the special light
// that switches model drawing into bump, cartoon or shadow-volume mode (its
// drawing half is in light_modes.cpp). The renderer's light command, camera
// light and axis gizmo are in lights.cpp too.
// Depends on: gfx3d/matrix.h, gl/ (the state cache).
#pragma once

#include <cstdint>

#include "gfx3d/matrix.h"

namespace orv {

class SceneLights {
 public:
  // GL light index mod 8. Cutoff 0 switches it off (and lighting with the
  // last one); otherwise position and direction both zero: a directional
  // light from +z; cutoff 180: a directional light shining along
  // `direction`; cutoff up to 90: a spot light; anything else: a point
  // light. Positions and directions go through the modelview matrix
  // current at the call. Colours are 0x00BBGGRR.
  // True when the light became a spot light.
  bool SetGlLight(int index, uint32_t colour, Vec3 position, Vec3 direction, float cutoff);
  // index < 0: the special light, on while |cutoff| >= 0.00001, at
  // `position` with `colour` (its shadow colour); -1 bump mode, -3 shadow
  // volumes, any other negative index cartoon mode. Only recorded here: it
  // changes how models draw.
  void SetSpecialLight(int index, uint32_t colour, Vec3 position, float cutoff);
  // The pass forgets which lights are on (GL lights stay as they are).
  void ClearPassFlags() {
    mask_ = 0;
    special_ = false;
  }
  void SwitchSpecialOff() { special_ = false; }

  // Bit i: GL light i is on.
  uint8_t Mask() const { return mask_; }
  bool AnyOn() const { return mask_ != 0; }
  bool SpecialOn() const { return special_; }
  // 1 bump, 2 cartoon, 3 shadow volumes: the last mode chosen.
  int SpecialMode() const { return mode_; }
  // The mode models draw in: 0 while the special light is off.
  int DrawingMode() const { return special_ ? mode_ : 0; }
  Vec3 SpecialPosition() const { return position_; }
  uint32_t ShadowColour() const { return shadowColour_; }
  // The special light's position in the object space of `objectTransform`
  // (a singular transform leaves it as it is).
  Vec3 SpecialPositionIn(const Mat4& objectTransform) const;

 private:
  uint8_t mask_ = 0;
  bool special_ = false;
  uint8_t mode_ = 1;
  Vec3 position_{};
  uint32_t shadowColour_ = 0;
};

}  // namespace orv
