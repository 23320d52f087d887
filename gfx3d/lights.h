// Lights of the 3D pass: the eight GL lights with their on/off mask, the
// one special light that switches drawing into a per-pixel mode, the
// camera light, and the axis gizmo. Positions and directions are taken in
// the camera space current at the call, as GL does.
// Depends on: gfx3d/matrix.h, gl/ (state cache).
#pragma once

#include <cstdint>
#include <functional>

#include "gfx3d/matrix.h"

namespace orv {

// The lighting part of the pass state; a pass start clears it.
struct LightState {
  uint8_t mask = 0;  // bit n while GL light n is on
  bool special = false;
  int specialMode = 2;  // 1 bump mapping, 2 cartoon, 3 shadow volumes
  Vec3 specialPosition;
  uint32_t specialColour = 0;
};

// What setting a light may ask of the layers around it: the debug marks of
// "show", and entering or leaving the shadow-volume pass. Each may be empty.
struct LightHooks {
  std::function<void(Vec3 at, float size, uint32_t colour)> dot;
  std::function<void(Vec3 from, Vec3 to, float width, uint32_t colour)> line;
  std::function<void(bool on)> shadowPass;
};

// Index < 0: the special light (on while |cutoff| >= 0.00001; -1 bump, -3
// shadows, any other cartoon). Otherwise GL light index mod 8: cutoff 0
// switches it off (and lighting with the last one); position and direction
// both zero: a directional light from the viewer; cutoff 180: directional along
// `direction`; up to 90: a spot; else a point light. Colour 0x00BBGGRR.
void SetLight(LightState& lights, int index, uint32_t colour, Vec3 position, Vec3 direction, float cutoff, bool show,
              const LightHooks& hooks = {});
// A directional light shining from the camera eye toward the origin.
void SetCameraLight(LightState& lights, int index, uint32_t colour, Vec3 eye);

// Three arrows (x red, y green, z blue) 20 units long at world (x, y, z)
// under the view matrix; texturing, lighting and the colour come back as
// they were (colour: white at alpha).
void DrawAxes(const Mat4& view, Vec3 at, const LightState& lights, float alpha);

}  // namespace orv
