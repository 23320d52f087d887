// The sprite store: numbered slots, each an OpenGL texture with the sizes
// needed to draw it.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx2d/collision.h"
#include "gl/gl.h"

namespace orv {

constexpr int kSpriteSlots = 65537;      // 0..65535 addressable, one spare
constexpr int kFirstFontSprite = 65504;  // font f lives in slot 65504 + f
constexpr int kScratchSprite = 65503;    // the first slot FindFreeSprite hands out
// The record after the addressable slots: game code cannot name it, so the
// copying surfaces keep the window pixels they cover there without ever
// overwriting a sprite of the game's (not even one in slot 65,503).
constexpr int kSpareSprite = kSpriteSlots - 1;

struct SpriteSlot {
  GLuint texture = 0;      // GL texture name; 0 when free
  GLuint mipTexture = 0;   // mipmapped copy of the same image for 3D use
  float uMax = 1.0f;       // imageWidth / textureWidth
  float vMax = 1.0f;       // imageHeight / textureHeight
  int16_t textureWidth = -1;
  int16_t textureHeight = -1;
  int16_t imageWidth = 0;  // 0 marks the slot as free
  int16_t imageHeight = 0;
  int16_t frameWidth = 0;  // animation cell; 0 = not animated
  int16_t frameHeight = 0;

  // Records an image of width x height on the power-of-two texture that
  // holds it, and the texture coordinates of its far corner.
  void SetImageSize(int width, int height);
};

// The slots' records and the collision masks read back from them. The
// device owns one; slot numbers are checked by the device before they get here.
class SpriteStore {
 public:
  SpriteStore() : slots_(new SpriteSlot[kSpriteSlots]), masks_(new std::unique_ptr<AlphaMask>[kSpriteSlots]) {}

  SpriteSlot& operator[](int slot) { return slots_[slot]; }
  const SpriteSlot& operator[](int slot) const { return slots_[slot]; }
  // The slot's collision mask as last read back; null until then.
  const AlphaMask* Mask(int slot) const { return masks_[slot].get(); }
  const AlphaMask* SetMask(int slot, std::unique_ptr<AlphaMask> mask) {
    masks_[slot] = std::move(mask);
    return masks_[slot].get();
  }
  // The image changed: the mask is read again when next needed.
  void DropMask(int slot) { masks_[slot].reset(); }

 private:
  std::unique_ptr<SpriteSlot[]> slots_;  // kSpriteSlots records
  std::unique_ptr<std::unique_ptr<AlphaMask>[]> masks_;
};

}  // namespace orv
