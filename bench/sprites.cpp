// Sprites: loading a 1024 x 1024 PNG into a sprite (decode, colour key, edge
// treatment, canvas, mip chain, upload) against libpng decoding the same
// file alone; drawing 10,000 sprites per frame with DrawSprite against the
// same quads from a hand-written minimal GL loop on the same renderer.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/bench_device.h"
#include "gfx2d/opengl_vexel.h"

namespace {

orv::OpenGLVexel* Device() {
  return benchsupport::OffscreenDevice(800, 600);
}

// A 1024 x 1024 RGB picture like game art: smooth shading with round areas
// in the key colour, written once to a temporary PNG file.
const std::string& PicturePath() {
  static std::string path;
  if (!path.empty()) return path;
  const char* tmp = std::getenv("TMPDIR");
  path = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane-bench-sprite.png";
  const int n = 1024;
  std::vector<uint8_t> rgb(static_cast<size_t>(n) * n * 3);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * n + x) * 3];
      const int cx = x % 128 - 64, cy = y % 128 - 64;
      if (cx * cx + cy * cy < 24 * 24) {
        p[0] = 255, p[1] = 0, p[2] = 128;
      } else {
        p[0] = static_cast<uint8_t>(x / 4), p[1] = static_cast<uint8_t>(y / 4), p[2] = static_cast<uint8_t>((x + y) / 8);
      }
    }
  FILE* f = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, n, n, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < n; ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * n * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return path;
}

struct MemoryReader {
  const std::vector<char>* bytes;
  size_t pos;
};

void ReadMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  std::copy(r->bytes->data() + r->pos, r->bytes->data() + r->pos + n, out);
  r->pos += n;
}

void LibpngDecodeOnly(benchmark::State& state) {
  const std::string& path = PicturePath();
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MemoryReader reader{&bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, ReadMemory);
    png_read_info(png, info);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    pixels.resize(rowBytes * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = &pixels[y * rowBytes];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(LibpngDecodeOnly)->Name("load_png_1024/baseline")->Unit(benchmark::kMillisecond);

void LoadSprite(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d) {
    state.SkipWithError("no GL device");
    return;
  }
  const RtString path(PicturePath().c_str());
  for (auto _ : state) {
    if (!d->LoadSprite(1, path, 0x8000FF, false)) state.SkipWithError("load failed");
    glFinish();
  }
  d->FreeSprite(1);
}
BENCHMARK(LoadSprite)->Name("load_png_1024/load_sprite")->Unit(benchmark::kMillisecond);

// ---- Drawing -------------------------------------------------------------------

constexpr int kSprites = 10000;

struct Scene {
  std::vector<int> x, y;
  Scene() {
    uint32_t seed = 12345;
    for (int i = 0; i < kSprites; ++i) {
      seed = seed * 1664525u + 1013904223u;
      x.push_back(static_cast<int>(seed >> 8) % 768);
      seed = seed * 1664525u + 1013904223u;
      y.push_back(static_cast<int>(seed >> 8) % 568);
    }
  }
};

bool PrepareSprite(orv::OpenGLVexel* d) {
  orv::PixelImage image;
  if (!image.Resize(32, 32)) return false;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) image.SetPixel(x, y, (x - 16) * (x - 16) + (y - 16) * (y - 16) < 200 ? 0xFF40C0E0u : 0);
  if (!d->SpriteFromImage(2, image, false)) return false;
  d->Reset2DState();
  return true;
}

void MinimalGlLoop(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d || !PrepareSprite(d)) {
    state.SkipWithError("no GL device");
    return;
  }
  static const Scene scene;
  const orv::SpriteSlot& s = d->Sprite(2);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glEnable(GL_TEXTURE_2D);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kSprites; ++i) {
      const int x = scene.x[i], y = scene.y[i];
      glBegin(GL_QUADS);
      glTexCoord2f(s.uMax, s.vMax);
      glVertex2i(x + 32, y);
      glTexCoord2f(0, s.vMax);
      glVertex2i(x, y);
      glTexCoord2f(0, 0);
      glVertex2i(x, y + 32);
      glTexCoord2f(s.uMax, 0);
      glVertex2i(x + 32, y + 32);
      glEnd();
    }
    glFinish();
  }
  d->FreeSprite(2);
}
BENCHMARK(MinimalGlLoop)->Name("draw_10000_sprites/baseline")->Unit(benchmark::kMillisecond);

void DrawSprites(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d || !PrepareSprite(d)) {
    state.SkipWithError("no GL device");
    return;
  }
  static const Scene scene;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kSprites; ++i) d->DrawSprite(2, scene.x[i], scene.y[i]);
    d->FlushDrawing();
    glFinish();
  }
  d->FreeSprite(2);
}
BENCHMARK(DrawSprites)->Name("draw_10000_sprites/draw_sprite")->Unit(benchmark::kMillisecond);

}  // namespace
