// Choosing the mouse the reads use: there is one, and any number outside the
// mice there are falls back to it rather than reading a mouse that is not there.
#include <gtest/gtest.h>

#include "input_fixture.h"

namespace {

using MouseSelect = inputtest::InputFixture;

TEST_F(MouseSelect, NumbersOutsideTheMiceThereAreReadTheFirst) {
  ASSERT_EQ(MouseCount(), 1);
  ShowMouse(1);
  for (double n : {0.0, 1.0, 7.0, -1.0, 1e12, 0.9}) {
    SelectMouse(n);
    const int x = 10 + static_cast<int>(n > 100 ? 3 : n < 0 ? 4 : n * 10);
    Motion(x, 20, 0, 0);
    Button(SDL_BUTTON_LEFT, true, x, 20);
    double mx = -1, my = -1, left = -1, right = -1;
    MouseState(mx, my, left, right);
    EXPECT_EQ(mx, x) << n;
    EXPECT_EQ(my, 20) << n;
    EXPECT_EQ(left, 1) << n;
    Button(SDL_BUTTON_LEFT, false, x, 20);
    MouseState(mx, my, left, right);
    EXPECT_EQ(left, 0) << n;
  }
}

}  // namespace
