// What the picking and collision commands read from the 3D renderer: a
// model slot by number, the current object transform and the camera's
// matrices. The renderer's owner installs the accessors once it exists;
// until then (and for a free or unknown slot) the commands give their
// neutral results. The viewport is the 2D device's unless one is installed.
// Depends on: gfx3d/matrix.h, gfx3d/model_slot.h.
#pragma once

#include <functional>

#include "gfx3d/collision.h"
#include "gfx3d/matrix.h"
#include "gfx3d/model_slot.h"

namespace orv {

struct QueryScene {
  // The slot with that number, or null when it is out of range or free.
  std::function<const ModelSlot*(int slot)> modelSlot;
  // The top object transform, computed first if it is not up to date.
  std::function<Mat4()> objectTransform;
  // The camera's projection without the screen's quarter turns, and its view
  // matrix: screen results are then in the game's own coordinates, the ones
  // its 2D drawing and the mouse use.
  std::function<Mat4()> projection;
  std::function<Mat4()> view;
  // The drawing area in game pixels; unset: the 2D device's viewport.
  std::function<ScreenRect()> viewport;

  // The first record of the triangle the last query hit within its mesh, or -1.
  int lastHitRecord = -1;
};

// The one set of accessors the commands use.
QueryScene& SceneForQueries();

}  // namespace orv
