#include "gfx2d/screen_orientation.h"

namespace orv {

void ScreenOrientation::OrientPoint(int& x, int& y, int W, int H) const {
  int ox = x, oy = y;
  switch (turns_) {
    case 1: x = W - oy - 1; y = ox; break;
    case 2: x = W - ox - 1; y = H - oy - 1; break;
    case 3: x = oy; y = H - ox - 1; break;
    default: break;
  }
}

void ScreenOrientation::UnorientPoint(int& x, int& y, int W, int H) const {
  int ox = x, oy = y;
  switch (turns_) {
    case 1: x = oy; y = W - ox - 1; break;
    case 2: x = W - ox - 1; y = H - oy - 1; break;
    case 3: x = H - oy - 1; y = ox; break;
    default: break;
  }
}

void ScreenOrientation::RotateVector(int& dx, int& dy) const {
  int ox = dx, oy = dy;
  switch (turns_) {
    case 1: dx = -oy; dy = ox; break;
    case 2: dx = -ox; dy = -oy; break;
    case 3: dx = oy; dy = -ox; break;
    default: break;
  }
}

}  // namespace orv
