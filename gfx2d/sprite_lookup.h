// What the 3D renderer may know of the 2D device: a sprite's textures and
// sizes by slot, and what a 3D pass asks of the context's owner. Keeps
// gfx3d/ off the device's own header, so the device can change freely.
#pragma once

#include <cstdint>

#include "gfx2d/sprite_store.h"

namespace orv {

class OpenGLVexel;

// The record of a used sprite slot (textures, texture and image sizes,
// animation cell); null for a free or out-of-range slot. The record stays
// valid until the slot is loaded again or freed.
const SpriteSlot* LookUpSprite(const OpenGLVexel& device, int slot);

// ---- The 3D pass's use of the device's context (gfx2d/scene_link.cpp) ----
// Draws the 2D drawing batched so far. Whatever issues GL of its own into
// the device's context (the 3D renderer, movies) calls this first.
void FlushDevice2D(OpenGLVexel& device);
// The frame used depth: the device draws the 2D batch, gives the pass a
// depth buffer (the window has none of its own) and clears it after the flip.
void MarkDepthUsed(OpenGLVexel& device);
// Selects the projection matrix, loads it with the screen's quarter turn
// (the identity while drawing into a surface) and sets the GL viewport to
// the device's viewport; width and height are that viewport's, as the game
// sees it.
void LoadViewport3D(OpenGLVexel& device, int& width, int& height);
// The viewport as last set, in the drawing target's logical pixels (origin
// top-left): what picking maps screen positions into.
void DeviceViewport(const OpenGLVexel& device, int& x, int& y, int& width, int& height);
// Binds sprite textures for 3D drawing (first < 0: texturing off).
void BindTextures3D(OpenGLVexel& device, int first, int second, bool useMip);
// The device's current global alpha (0 to 1), which 3D drawing keeps as the
// alpha of its base colour.
float DeviceAlpha(const OpenGLVexel& device);
// The colour (0x00BBGGRR) images load with as transparent, as for sprites.
uint32_t DeviceTransparentColor(const OpenGLVexel& device);
// True when the device uploads its textures from BGRA pixels.
bool DeviceUsesBgra(const OpenGLVexel& device);
// The device's 2D set-up after a 3D pass, keeping its viewport: the pass's
// picture goes to the window and every capability the 3D side may have
// changed is set back.
void Restore2DState(OpenGLVexel& device);

}  // namespace orv
