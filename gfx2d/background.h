// Background images: pictures larger than one texture, kept as a grid of at
// most 8 x 8 tiles and drawn unscaled from the top-left corner. The store
// owns the tiles' textures; the device draws them.
#pragma once

#include <cstdint>

#include "gl/gl.h"
#include "orvane/rt_string.h"

namespace orv {

constexpr int kBackgrounds = 8;

// A grid of at most 8 x 8 tiles, indexed [column][row]; empty while columns is 0.
struct BackgroundImage {
  GLuint tiles[8][8] = {};
  int16_t tileTextureWidth[64] = {};
  int16_t tileTextureHeight[64] = {};
  int16_t tileWidth[64] = {};
  int16_t tileHeight[64] = {};
  int8_t columns = 0;
  int8_t rows = 0;
};

class BackgroundStore {
 public:
  static bool IsIndex(int index) { return index >= 0 && index < kBackgrounds; }
  // Background `index` has tiles to draw (false for a bad index).
  bool HasTiles(int index) const { return IsIndex(index) && images_[index].columns > 0; }
  // The caller keeps the index inside 0..7.
  const BackgroundImage& Image(int index) const { return images_[index]; }

  // Reads the picture and cuts it into tiles of 512 pixels (or the texture
  // size limit). False (background unchanged) when it cannot be read.
  bool Load(int index, const RtString& path);
  // The physical screen of width x height becomes the background's tiles.
  bool Grab(int index, int width, int height, bool bgra);
  // Deletes the tiles' textures; needs the GL context.
  void Free(int index);
  void FreeAll();

 private:
  BackgroundImage images_[kBackgrounds];
};

}  // namespace orv
