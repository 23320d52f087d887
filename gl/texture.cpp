// Texture build and the mip chain of the 3D copy.
#include "gl/texture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>


namespace orv {

void ConvertToNormalMap(uint8_t* canvas, int w, int h) {
  if (w <= 0 || h <= 0) return;
  std::vector<float> height(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < height.size(); ++i) height[i] = canvas[4 * i + 2] / 255.0f;
  // The canvas is stored bottom row first, so the row above a pixel (as the
  // image is seen) is the next one in memory; y of the normal points up.
  auto at = [&](int x, int row, int dx, int dy) {
    int cx = (x + dx + w) % w;
    int cr = (row - dy + h) % h;
    return height[static_cast<size_t>(cr) * w + cx];
  };
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) {
      float gx = at(x, row, 1, 1) + 2 * at(x, row, 1, 0) + at(x, row, 1, -1) - at(x, row, -1, 1) -
                 2 * at(x, row, -1, 0) - at(x, row, -1, -1);
      float gy = at(x, row, -1, -1) + 2 * at(x, row, 0, -1) + at(x, row, 1, -1) - at(x, row, -1, 1) -
                 2 * at(x, row, 0, 1) - at(x, row, 1, 1);
      float nx = -gx, ny = -gy, nz = 1;
      float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      uint8_t* p = canvas + (static_cast<size_t>(row) * w + x) * 4;
      p[0] = static_cast<uint8_t>((nx / len + 1) / 2 * 255);
      p[1] = static_cast<uint8_t>((ny / len + 1) / 2 * 255);
      p[2] = static_cast<uint8_t>((nz / len + 1) / 2 * 255);
    }
  }
}

int MaxTextureSize() {
  GLint m = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m);
  if (m <= 0) m = 1024;  // no context: a size every driver offers
  return std::min(m, 16384);
}

int TextureSide(int n) {
  int side = 8;
  do side *= 2;
  while (side < n && side < (1 << 30));
  return side;
}

void SquareCanvas(std::vector<uint8_t>& canvas, int& w, int& h) {
  // Each halving averages two neighbouring texels, in place: the write
  // position never passes the read position.
  while (h < w) {
    const int nw = w / 2;
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = &canvas[static_cast<size_t>(y) * w * 4];
      uint8_t* dst = &canvas[static_cast<size_t>(y) * nw * 4];
      for (int x = 0; x < nw; ++x)
        for (int c = 0; c < 4; ++c) dst[4 * x + c] = static_cast<uint8_t>((src[8 * x + c] + src[8 * x + 4 + c]) / 2);
    }
    w = nw;
  }
  while (w < h) {
    const int nh = h / 2;
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < nh; ++y) {
      const uint8_t* a = &canvas[2 * y * row];
      const uint8_t* b = a + row;
      uint8_t* dst = &canvas[y * row];
      for (size_t i = 0; i < row; ++i) dst[i] = static_cast<uint8_t>((a[i] + b[i]) / 2);
    }
    h = nh;
  }
  canvas.resize(static_cast<size_t>(w) * h * 4);
}

void NextMipLevel(const uint8_t* level, int n, uint8_t* next) {
  // Weighted towards the texel at (2x, 2y); the second sample row is 2y + 2,
  // so the filter leans the same way at every level.
  const int m = n / 2;
  const size_t row = static_cast<size_t>(n) * 4;
  for (int y = 0; y < m; ++y) {
    const bool innerY = y < m - 1;
    const uint8_t* r0 = level + 2 * y * row;
    const uint8_t* r2 = innerY ? r0 + 2 * row : r0;
    uint8_t* dst = next + static_cast<size_t>(y) * m * 4;
    for (int x = 0; x < m; ++x) {
      const bool innerX = x < m - 1;
      const uint8_t* a = r0 + 8 * x;
      const uint8_t* b = a + 4;
      const uint8_t* c = r2 + 8 * x + 4;
      const uint8_t* d = r2 + 8 * x;
      for (int k = 0; k < 4; ++k) {
        unsigned v;
        if (innerX && innerY) {
          v = (4 * a[k] + 2 * b[k] + 2 * c[k] + d[k]) / 9;
        } else if (innerX) {
          v = (2 * a[k] + b[k]) / 3;
        } else if (innerY) {
          v = (2 * a[k] + d[k]) / 3;
        } else {
          v = a[k];
        }
        dst[4 * x + k] = static_cast<uint8_t>(v);
      }
    }
  }
}

namespace {

void SetUnpackState() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

void UploadMipChain(std::vector<uint8_t> canvas, int w, int h, GLuint& name) {
  SquareCanvas(canvas, w, h);
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  SetUnpackState();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  int n = w;
  std::vector<uint8_t> next(static_cast<size_t>(n / 2 > 0 ? n / 2 : 1) * (n / 2 > 0 ? n / 2 : 1) * 4);
  for (int level = 0; n >= 1; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, canvas.data());
    if (n == 1) break;
    NextMipLevel(canvas.data(), n, next.data());
    n /= 2;
    std::swap(canvas, next);
  }
}

}  // namespace

bool BuildTexture(const PixelImage& image, GLuint& texture, const TextureOptions& options) {
  const int x = options.x, y = options.y;
  int w = options.width, h = options.height;
  const int m = MaxTextureSize();
  if (w == 0) w = image.width - x;
  if (h == 0) h = image.height - y;
  if (w < 1 || h < 1) return false;
  const int cw = std::min(w, m), ch = std::min(h, m);
  const int T = TextureSide(cw), U = TextureSide(ch);

  std::vector<uint8_t> canvas;
  try {
    canvas.resize(static_cast<size_t>(T) * U * 4);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The source rectangle clipped to the image; the rest stays zero.
  const int x0 = std::max(x, 0), x1 = std::min(x + cw, image.width);
  for (int j = 0; j < ch; ++j) {
    const int sy = y + j;
    if (sy < 0 || sy >= image.height || x0 >= x1) continue;
    std::memcpy(&canvas[(static_cast<size_t>(ch - 1 - j) * T + (x0 - x)) * 4], image.Row(sy) + x0 * 4,
                static_cast<size_t>(x1 - x0) * 4);
  }

  SetUnpackState();
  if (texture) {
    glDeleteTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
  } else {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  const GLint filter = options.nearest ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  if (options.asNormalMap) ConvertToNormalMap(canvas.data(), T, U);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, T, U, 0, GL_RGBA, GL_UNSIGNED_BYTE, canvas.data());
  if (options.mipTarget) {
    try {
      UploadMipChain(std::move(canvas), T, U, *options.mipTarget);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return true;
}

}  // namespace orv
