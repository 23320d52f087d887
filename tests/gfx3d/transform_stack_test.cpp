// The object transform stack without a context: which parts apply to a
// vertex in which order, the depth limits, and the array commands.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/runtime_state.h"

namespace {

using orv::Vec3;

class TransformStack : public testing::Test {
 protected:
  void SetUp() override { orv::Rt().scene = std::make_unique<orv::Vexel3D>(nullptr); }
  void TearDown() override { orv::Rt().scene.reset(); }

  orv::Vexel3D& S() { return *orv::Rt().scene; }
  Vec3 Apply(Vec3 v) { return orv::TransformPoint(S().CurrentTransform(), v); }
};

#define EXPECT_VEC_NEAR(actual, ex, ey, ez)  \
  do {                                       \
    const Vec3 a_ = (actual);                \
    EXPECT_NEAR(a_.x, ex, 1e-5);             \
    EXPECT_NEAR(a_.y, ey, 1e-5);             \
    EXPECT_NEAR(a_.z, ez, 1e-5);             \
  } while (0)

TEST_F(TransformStack, ScaleThenRotationsInIssueOrderThenTranslation) {
  Scale(2, 2, 2);
  Translate(1, 2, 3);  // keeps the scale
  Rotate(90, 0, 1, 0);
  Rotate(90, 1, 0, 0);
  // (0, 0, 1) scaled to (0, 0, 2), about y to (2, 0, 0), about x unchanged,
  // then moved by (1, 2, 3).
  EXPECT_VEC_NEAR(Apply({0, 0, 1}), 3, 2, 3);
  // Translate drops the rotations; Scale keeps the translation.
  Translate(1, 2, 3);
  EXPECT_VEC_NEAR(Apply({0, 0, 1}), 1, 2, 5);
  Scale(1, 1, 1);
  EXPECT_VEC_NEAR(Apply({0, 0, 1}), 1, 2, 4);
}

TEST_F(TransformStack, RotationAxes) {
  // A lone negative axis component turns the other way, whatever its size.
  S().Rotate(30, 0, -3, 0);
  const orv::Mat4 negative = S().CurrentTransform();
  S().PopTransform();
  S().Rotate(-30, 0, 1, 0);
  EXPECT_EQ(negative, S().CurrentTransform());
  // Coordinate axes are exact: no rounding leaks into the kept axis.
  S().PopTransform();
  S().Rotate(37, 0, 0, 5);
  EXPECT_EQ(Apply({0, 0, 1}).z, 1.0f);
  EXPECT_EQ(Apply({0, 0, 1}).x, 0.0f);
  // A general axis is normalised; a vanishing one changes nothing.
  S().PopTransform();
  S().Rotate(120, 1, 1, 1);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 0, 1, 0);
  S().PopTransform();
  S().Rotate(90, 0.00005f, 0.00005f, 0);
  EXPECT_EQ(S().CurrentTransform(), orv::Mat4::Identity());
}

TEST_F(TransformStack, AppendedMatricesApplyLastAndInReverse) {
  RtArray<double> a, b, wrong;
  a.Dim(16);
  b.Dim(16);
  for (int i = 0; i < 16; i += 5) a.At(i) = b.At(i) = 1;
  a.At(12) = 1;  // A: move by x + 1
  b.At(0) = 2;   // B: double x
  MultiplyMatrix(a);
  MultiplyMatrix(b);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 3, 0, 0);  // B first: 2, then A: 3
  // Only exactly 16 numbers in one dimension make a matrix.
  wrong.Dim(4, 4);
  for (int i = 0; i < 4; ++i) wrong.At(i, i) = 5;
  MultiplyMatrix(wrong);
  wrong.Dim(15);
  MultiplyMatrix(wrong);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 3, 0, 0);
  // The level's own parts come before the appended matrices.
  PopTransform();
  Translate(0, 5, 0);
  MultiplyMatrix(b);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 2, 5, 0);

  RtArray<double> out;
  out.Dim(2, 3);
  CurrentTransform(out);
  ASSERT_EQ(out.Dims(), 1);
  ASSERT_EQ(out.Size(0), 16);
  EXPECT_EQ(out.At(0), 2);
  EXPECT_EQ(out.At(13), 5);
}

TEST_F(TransformStack, SixteenPartsPerLevelAndSixteenLevels) {
  for (int i = 0; i < 17; ++i) S().Rotate(10, 0, 0, 1);  // the 17th is ignored
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), std::cos(160 * orv::kDegToRad), std::sin(160 * orv::kDegToRad), 0);
  PopTransform();
  const float twice[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 17; ++i) S().MultiplyMatrix(twice);
  EXPECT_EQ(Apply({1, 0, 0}).x, 65536.0f);

  PopTransform();
  Translate(1, 0, 0);
  for (int i = 0; i < 20; ++i) {
    PushTransform();
    Translate(1, 0, 0);  // each level adds to its parent
  }
  EXPECT_EQ(S().Transforms().Depth(), 15);
  EXPECT_VEC_NEAR(Apply({0, 0, 0}), 16, 0, 0);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(PopTransform(), 1) << i;
  EXPECT_VEC_NEAR(Apply({0, 0, 0}), 1, 0, 0);
  EXPECT_EQ(PopTransform(), 0);
  EXPECT_EQ(S().Transforms().Depth(), 0);
  EXPECT_EQ(S().CurrentTransform(), orv::Mat4::Identity());
}

TEST_F(TransformStack, PartsAddedAfterUseApplyOnce) {
  Translate(1, 0, 0);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 2, 0, 0);
  Rotate(90, 0, 0, 1);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 1, 1, 0);
  // A popped-to level keeps its parts and still folds them once.
  PushTransform();
  PopTransform();
  Rotate(90, 0, 0, 1);
  EXPECT_VEC_NEAR(Apply({1, 0, 0}), 0, 0, 0);
}

TEST_F(TransformStack, TransformScaleAndNormalMode) {
  double sx = 0, sy = 0, sz = 0;
  EXPECT_EQ(TransformScale(sx, sy, sz), 0);
  EXPECT_EQ(sx + sy + sz, 3);
  Translate(4, 5, 6);  // a translation alone still counts as unscaled
  EXPECT_EQ(TransformScale(sx, sy, sz), 0);
  Scale(2, -3, 4);
  Rotate(30, 1, 2, 3);
  EXPECT_EQ(TransformScale(sx, sy, sz), 1);
  EXPECT_NEAR(sx, 2, 1e-5);
  EXPECT_NEAR(sy, 3, 1e-5);
  EXPECT_NEAR(sz, 4, 1e-5);

  EXPECT_EQ(SetNormalMode(5), 2);
  EXPECT_EQ(SetNormalMode(-1), -1);
  EXPECT_EQ(SetNormalMode(-4), -1);
  EXPECT_EQ(S().Models().NormalMode(), -1);
}

}  // namespace
