// Treatment applied to loaded images: the edge fill under transparent pixels.

#include "gfx2d/image_codec.h"

namespace orv {

void TreatEdges(PixelImage& image) {
  const int w = image.width, h = image.height;
  for (int i = 0; i < h; ++i) {
    // Which neighbour rows may contribute: the rows next to the image's
    // outermost ones are left out on purpose, the same for columns below.
    const bool rowAbove = i >= 2, rowBelow = i <= h - 3, rowSame = i >= 1 && i <= h - 2;
    uint8_t* row = image.Row(i);
    for (int j = 0; j < w; ++j) {
      uint8_t* p = row + 4 * j;
      if (p[3] != 0) continue;
      const bool colLeft = j >= 2, colRight = j <= w - 3, colSame = j >= 1 && j <= w - 2;
      unsigned sum[3] = {0, 0, 0};
      unsigned count = 0;
      for (int di = -1; di <= 1; ++di) {
        if (di < 0 ? !rowAbove : di > 0 ? !rowBelow : !rowSame) continue;
        const uint8_t* nrow = image.Row(i + di);
        for (int dj = -1; dj <= 1; ++dj) {
          if (di == 0 && dj == 0) continue;
          if (dj < 0 ? !colLeft : dj > 0 ? !colRight : !colSame) continue;
          const uint8_t* q = nrow + 4 * (j + dj);
          if (q[3] == 0) continue;
          sum[0] += q[0];
          sum[1] += q[1];
          sum[2] += q[2];
          ++count;
        }
      }
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(count ? sum[c] / count : 0);
    }
  }
}

}  // namespace orv
