// What the 3D renderer may know of the 2D device: a sprite's textures and
// sizes by slot, and which renderer draws into the device's context. Keeps
// gfx3d/ off the device's own header, so the device can change freely.
#pragma once

#include "gfx2d/sprite_store.h"

namespace orv {

class OpenGLVexel;
class Vexel3D;

// The record of a used sprite slot (textures, texture and image sizes,
// animation cell); null for a free or out-of-range slot. The record stays
// valid until the slot is loaded again or freed.
const SpriteSlot* LookUpSprite(const OpenGLVexel& device, int slot);

// Tells the device which 3D renderer draws into its context (null: none).
void AttachScene3D(OpenGLVexel& device, Vexel3D* scene);
// The renderer attached now, or null.
Vexel3D* AttachedScene3D(const OpenGLVexel& device);

// Draws the 2D drawing batched so far. Whatever issues GL of its own into
// the device's context (the 3D renderer, movies) calls this first.
void FlushDevice2D(OpenGLVexel& device);

}  // namespace orv
