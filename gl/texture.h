// Texture build: images become power-of-two GL textures stored bottom row
// first, optionally with a mipmapped copy for the 3D renderer.
#pragma once

#include <cstdint>
#include <vector>

#include "gl/gl.h"
#include "gl/pixel_image.h"

namespace orv {

// GL_MAX_TEXTURE_SIZE of the current context, capped so texture sizes fit
// the 16-bit fields of the sprite records.
int MaxTextureSize();
// Side of the texture that holds n pixels: the smallest power of two that
// is at least n, and never below 16.
int TextureSide(int n);

// What BuildTexture makes of an image; the defaults take the whole image
// into one linearly filtered colour texture.
struct TextureOptions {
  // The part of the image at (x, y); width or height 0: to the image's
  // right or bottom edge.
  int x = 0, y = 0, width = 0, height = 0;
  // Also a second, mipmapped texture of the square-reduced canvas, made into
  // this name the same way as the first.
  GLuint* mipTarget = nullptr;
  // The canvas becomes a normal map (ConvertToNormalMap) before the upload.
  bool asNormalMap = false;
  // Nearest instead of linear filtering.
  bool nearest = false;
};

// Builds a texture from a part of `image` (see TextureOptions), cut to the
// maximum texture size. The image's top row becomes the texture's row
// ch - 1; pixels outside the image and the padding are transparent black. A
// non-zero `texture` is deleted and its name reused; 0 gets a new name.
// Leaves the last texture it made bound. False when the part's width or
// height is below 1 or memory runs out.
bool BuildTexture(const PixelImage& image, GLuint& texture, const TextureOptions& options = {});

// Turns a w x h RGBA canvas stored bottom row first into a normal map: its
// blue channel is read as a height field (wrapping at the edges); red,
// green and blue receive the normal, alpha is kept.
void ConvertToNormalMap(uint8_t* canvas, int w, int h);

// The reduction chain of the mipmapped copy, exposed for tests: squares a
// bottom-up RGBA canvas (halving the longer side) and returns it.
void SquareCanvas(std::vector<uint8_t>& canvas, int& w, int& h);
// The next level of a square level of side n (n > 1); its side is n / 2.
void NextMipLevel(const uint8_t* level, int n, uint8_t* next);

}  // namespace orv
