// The cartoon ramp and the ramp textures made from it.
#include "gfx3d/cartoon_ramp.h"

#include <utility>

#include "gfx3d/model_draw.h"
#include "gl/gl.h"

namespace orv {

CartoonRamp::CartoonRamp() {
  levels_ = {100};
  levels_.insert(levels_.end(), 6, 160);
  levels_.push_back(207);
  levels_.insert(levels_.end(), 8, 255);
}

void CartoonRamp::Replace(std::span<const double> values) {
  levels_.clear();
  for (double v : values) {
    // Out-of-range numbers saturate rather than wrap round to a dark band.
    const double scaled = v * 255;
    levels_.push_back(scaled >= 255 ? 255 : (scaled > 0 ? static_cast<uint8_t>(scaled) : 0));
  }
  if (levels_.empty()) levels_.push_back(255);
  ++generation_;
}

std::vector<uint8_t> CartoonRamp::Texels(const std::vector<uint32_t>& palette, int& width, int& rows) const {
  rows = 1;
  while (rows < static_cast<int>(palette.size()) && rows < 32768) rows *= 2;
  const size_t length = levels_.size();
  width = 512;
  for (int w : {64, 128, 256, 512})
    if (static_cast<size_t>(w) >= 4 * length) {
      width = w;
      break;
    }
  std::vector<uint8_t> texels(static_cast<size_t>(width) * static_cast<size_t>(rows) * 4);
  for (int i = 0; i < rows; ++i) {
    uint32_t c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)]
                                                      : (palette.empty() ? 0 : palette[0]);
    if (IsMarker(c)) c = 0xFFFFFF;
    for (int j = 0; j < width; ++j) {
      const uint32_t level = levels_[static_cast<size_t>(j) * length / static_cast<size_t>(width)];
      uint8_t* t = &texels[(static_cast<size_t>(i) * static_cast<size_t>(width) + static_cast<size_t>(j)) * 4];
      t[0] = static_cast<uint8_t>((c & 0xFF) * level / 255);
      t[1] = static_cast<uint8_t>(((c >> 8) & 0xFF) * level / 255);
      t[2] = static_cast<uint8_t>(((c >> 16) & 0xFF) * level / 255);
      t[3] = 255;
    }
  }
  return texels;
}

bool CartoonRamp::EnsureTexture(MeshObjectX& mesh, bool bgra) {
  if (mesh.texture != 0) {
    const auto known = textureGenerations_.find(mesh.texture);
    if (known != textureGenerations_.end() && known->second == generation_) return true;
  }
  int width = 0, rows = 0;
  std::vector<uint8_t> texels = Texels(mesh.palette, width, rows);
  if (bgra)
    for (size_t k = 0; k + 3 < texels.size(); k += 4) std::swap(texels[k], texels[k + 2]);

  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  if (mesh.texture == 0) {
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return false;
    mesh.texture = name;
    mesh.glRelease = DeleteGlNames;
  }
  mesh.cartoonRowStep = 1.0f / static_cast<float>(rows);
  glBindTexture(GL_TEXTURE_2D, mesh.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, bgra ? GL_RGBA8 : GL_RGBA, width, rows, 0, bgra ? GL_BGRA : GL_RGBA,
               GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  textureGenerations_[mesh.texture] = generation_;
  return true;
}

}  // namespace orv
