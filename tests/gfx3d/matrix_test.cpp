// Matrix conventions: column-major storage, B applied first in A * B, degrees,
// and the classic GL projection matrices.
#include "gfx3d/matrix.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

void ExpectNear(Vec3 got, Vec3 want, float eps = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, eps);
  EXPECT_NEAR(got.y, want.y, eps);
  EXPECT_NEAR(got.z, want.z, eps);
}

TEST(Matrix, ColumnMajorLayoutAndProductOrder) {
  const Mat4 t = Translation(1, 2, 3);
  // The translation sits in the fourth column: indices 12, 13, 14.
  EXPECT_EQ(t.m[12], 1);
  EXPECT_EQ(t.m[13], 2);
  EXPECT_EQ(t.m[14], 3);
  // T * S scales first, then translates.
  ExpectNear(TransformPoint(t * Scaling(2, 2, 2), {1, 1, 1}), {3, 4, 5});
  ExpectNear(TransformPoint(Scaling(2, 2, 2) * t, {1, 1, 1}), {4, 6, 8});
  // A direction ignores the translation.
  ExpectNear(TransformDirection(t, {1, 0, 0}), {1, 0, 0});
}

TEST(Matrix, RotationInDegreesAboutAnyAxis) {
  ExpectNear(TransformPoint(Rotation(90, 0, 0, 1), {1, 0, 0}), {0, 1, 0});
  ExpectNear(TransformPoint(Rotation(90, 1, 0, 0), {0, 1, 0}), {0, 0, 1});
  ExpectNear(TransformPoint(Rotation(90, 0, 5, 0), {0, 0, 1}), {1, 0, 0});  // axis normalised
  ExpectNear(TransformPoint(Rotation(120, 1, 1, 1), {1, 0, 0}), {0, 1, 0});
  EXPECT_EQ(Rotation(45, 0, 0, 0), Mat4::Identity());
}

TEST(Matrix, InversesUndoTheTransform) {
  const Mat4 rigid = Translation(3, -2, 7) * Rotation(33, 1, 2, 3);
  const Mat4 general = rigid * Scaling(2, 0.5f, 3);
  Mat4 inv;
  ASSERT_TRUE(Invert(general, inv));
  const Vec3 p{0.25f, -4, 9};
  ExpectNear(TransformPoint(inv, TransformPoint(general, p)), p, 1e-4f);
  ExpectNear(TransformPoint(InvertRigid(rigid), TransformPoint(rigid, p)), p, 1e-4f);
  EXPECT_FALSE(Invert(Scaling(1, 0, 1), inv));
}

TEST(Matrix, NormalsStayPerpendicularUnderNonUniformScale) {
  // The plane x + y = 0 squashed in x: its normal must follow the inverse.
  const Mat4 m = Scaling(2, 1, 1);
  const Vec3 n = TransformNormal(m, Normalized({1, 1, 0}));
  const Vec3 along = TransformDirection(m, {1, -1, 0});  // a direction inside the plane
  EXPECT_NEAR(Dot(n, along), 0, 1e-6f);
  EXPECT_NEAR(Length(n), 1, 1e-6f);
  // A mirror keeps the normal pointing to the same side as the mirrored surface.
  ExpectNear(TransformNormal(Scaling(-1, 1, 1), {1, 0, 0}), {-1, 0, 0});
  ExpectNear(TransformNormal(Scaling(0, 1, 1), {1, 0, 0}), {0, 0, 0});
}

TEST(Matrix, ProjectionsMapTheirVolumeToClipSpace) {
  const Mat4 p = Perspective(90, 2, 1, 100);
  // At the near plane, the top edge goes to y = 1 and the right edge (aspect 2) to x = 1.
  auto clip = [&](Vec3 v) {
    const float w = p.at(3, 0) * v.x + p.at(3, 1) * v.y + p.at(3, 2) * v.z + p.at(3, 3);
    const Vec3 c = TransformPoint(p, v);
    return Vec3{c.x / w, c.y / w, c.z / w};
  };
  ExpectNear(clip({2, 1, -1}), {1, 1, -1});
  ExpectNear(clip({0, 0, -100}), {0, 0, 1}, 1e-4f);
  EXPECT_EQ(p.at(3, 2), -1);
  const Mat4 o = Orthographic(-2, 2, -1, 1, 1, 11);
  ExpectNear(TransformPoint(o, {2, 1, -1}), {1, 1, -1});
  ExpectNear(TransformPoint(o, {-2, -1, -11}), {-1, -1, 1});
}

}  // namespace
}  // namespace orv
