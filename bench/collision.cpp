// Collision: tests per second for two 64 x 64 sprites overlapping by half
// with no opaque pixel in common (complementary checkerboards), the case
// where every pixel of the overlap must be looked at. The baseline scans the
// same alpha masks byte by byte, as read from the textures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx2d/opengl_vexel.h"

namespace {

struct Headless {
  Headless() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
} headless;

constexpr int kSide = 64;

orv::OpenGLVexel* Device() {
  static std::unique_ptr<orv::OpenGLVexel> device;
  if (!device) {
    device = std::make_unique<orv::OpenGLVexel>();
    if (!device->Init(320, 200, 0, 0, 0, false)) {
      device.reset();
      return nullptr;
    }
    for (int slot = 1; slot <= 2; ++slot) {
      orv::PixelImage image;
      image.Resize(kSide, kSide);
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) image.SetPixel(x, y, (x + y + slot) % 2 ? 0xFFFFFFFFu : 0);
      device->SpriteFromImage(slot, image, false);
    }
  }
  return device.get();
}

std::vector<uint8_t> AlphaBytes(const orv::SpriteSlot& s) {
  std::vector<uint8_t> alpha(static_cast<size_t>(s.textureWidth) * s.textureHeight);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
  return alpha;
}

void PlainScan(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d) {
    state.SkipWithError("no GL device");
    return;
  }
  const orv::SpriteSlot& sa = d->Sprite(1);
  const orv::SpriteSlot& sb = d->Sprite(2);
  const std::vector<uint8_t> a = AlphaBytes(sa), b = AlphaBytes(sb);
  const int xB = kSide / 2;
  for (auto _ : state) {
    bool hit = false;
    for (int y = 0; y < kSide && !hit; ++y) {
      const uint8_t* ra = &a[static_cast<size_t>(kSide - 1 - y) * sa.textureWidth];
      const uint8_t* rb = &b[static_cast<size_t>(kSide - 1 - y) * sb.textureWidth];
      for (int x = xB; x < kSide; ++x)
        if (ra[x] && rb[x - xB]) {
          hit = true;
          break;
        }
    }
    benchmark::DoNotOptimize(hit);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PlainScan)->Name("collide_64_half_worst/baseline");

void SpritesCollide(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d) {
    state.SkipWithError("no GL device");
    return;
  }
  if (d->SpritesCollide(1, 0, 0, 2, kSide / 2, 0)) state.SkipWithError("the checkerboards collide");
  for (auto _ : state) benchmark::DoNotOptimize(d->SpritesCollide(1, 0, 0, 2, kSide / 2, 0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SpritesCollide)->Name("collide_64_half_worst/sprites_collide");

}  // namespace
