// The object transform stack of the 3D renderer: 16 levels, each a list of
// parts (scale, rotations, translation, appended matrices) folded into one
// matrix when someone needs it. CPU only: the renderer multiplies GL's
// modelview matrix by the result when the game asks it to.
// Depends on: gfx3d/matrix.h.
#pragma once

#include <array>

#include "gfx3d/matrix.h"

namespace orv {

// One level of the stack. The listed parts are folded into `current` on
// demand: for a vertex, scale first, then the rotations in the order they
// were issued, then the translation, then the appended matrices.
struct TransformEntry {
  static constexpr int kMaxParts = 16;

  int matrixCount = 0;
  int rotationCount = 0;
  std::array<std::array<float, 4>, kMaxParts> rotations{};  // angle (degrees), axis x, y, z
  Vec3 scale{1, 1, 1};
  Vec3 translation{};
  std::array<Mat4, kMaxParts> matrices{};
  Mat4 current = Mat4::Identity();
  int valid = 1;  // `current` already holds everything above

  // Back to no parts, unit scale, no translation, current = base, valid.
  void Reset(const Mat4& base);
};

class TransformStack {
 public:
  static constexpr int kLevels = 16;

  // A new level starting from the current transform; ignored at the top
  // level, so a 16th push does nothing.
  void Push();
  // True when a level was popped; at level 0 resets entry 0 and returns false.
  bool Pop();
  // Pops until entry 0 is reset: a clean identity at level 0.
  void Clear() {
    while (Pop()) {
    }
  }
  // Translate and Scale start the level again from its parent's transform
  // (dropping rotations and matrices) and keep the other of the two.
  void Translate(float x, float y, float z);
  void Scale(float x, float y, float z);
  // At most 16 rotations and 16 matrices per level; more are ignored.
  void Rotate(float angle, float x, float y, float z);
  // m is column-major and is applied to a vertex after the level's own parts.
  void MultiplyMatrix(const float m[16]);
  // The top level's transform, folded first when a part changed.
  const Mat4& Current();
  // The lengths of the transform's first three columns; false (and 1, 1, 1)
  // when its upper 3x3 is exactly the identity.
  bool AxisScale(float& sx, float& sy, float& sz);
  int Depth() const { return depth_; }

 private:
  // Folds the top entry's parts into its current matrix when not valid.
  TransformEntry& ComputeTop();
  // The matrix an entry starts from: its parent's, or the identity at depth 0.
  Mat4 BaseOf(int depth) const;

  std::array<TransformEntry, kLevels> entries_{};
  int depth_ = 0;
};

}  // namespace orv
