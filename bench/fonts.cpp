// Text: printing 2,000 characters per frame (25 lines of 80) in
// proportional mode with PrintText, against the same glyph quads drawn by a
// hand-written minimal immediate-mode GL loop on the same renderer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gfx2d/opengl_vexel.h"

namespace {

struct Headless {
  Headless() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
} headless;

constexpr int kLines = 25, kColumns = 80;

orv::OpenGLVexel* Device() {
  static std::unique_ptr<orv::OpenGLVexel> device;
  if (!device) {
    device = std::make_unique<orv::OpenGLVexel>();
    if (!device->Init(800, 600, 0, 0, 0, false)) {
      device.reset();
    } else {
      device->InstallBuiltinFont(0);
    }
  }
  return device.get();
}

const std::vector<std::string>& Lines() {
  static std::vector<std::string> lines;
  if (lines.empty()) {
    uint32_t seed = 99;
    for (int i = 0; i < kLines; ++i) {
      std::string line;
      for (int j = 0; j < kColumns; ++j) {
        seed = seed * 1664525u + 1013904223u;
        line += static_cast<char>(33 + (seed >> 8) % 94);
      }
      lines.push_back(line);
    }
  }
  return lines;
}

void MinimalGlLoop(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d) {
    state.SkipWithError("no GL device");
    return;
  }
  d->Reset2DState();
  const orv::SpriteSlot& s = d->Sprite(orv::kFirstFontSprite);
  const orv::FontGlyph* g = d->Fonts().Glyphs(0);
  const float cellV = s.vMax / 8;
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glEnable(GL_TEXTURE_2D);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kLines; ++i) {
      const std::string& line = Lines()[i];
      float x = 0;
      const float top = static_cast<float>(i * 10), bottom = top + 8;
      glBegin(GL_QUADS);
      for (unsigned char c : line) {
        const float t = static_cast<float>(7 - c / 16) * cellV;
        const float adv = g[c].width;
        glTexCoord2f(g[c].u0, t);
        glVertex2f(x, bottom);
        glTexCoord2f(g[c].u0, t + cellV);
        glVertex2f(x, top);
        glTexCoord2f(g[c].u1, t + cellV);
        glVertex2f(x + adv, top);
        glTexCoord2f(g[c].u1, t);
        glVertex2f(x + adv, bottom);
        x += adv;
      }
      glEnd();
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
}
BENCHMARK(MinimalGlLoop)->Name("print_2000_chars/baseline")->Unit(benchmark::kMicrosecond);

void PrintProportional(benchmark::State& state) {
  orv::OpenGLVexel* d = Device();
  if (!d) {
    state.SkipWithError("no GL device");
    return;
  }
  d->Reset2DState();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kLines; ++i) {
      const std::string& line = Lines()[i];
      d->PrintText(0, line.data(), static_cast<int>(line.size()), 0, i * 10, 0, true);
    }
    d->FlushDrawing();
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
}
BENCHMARK(PrintProportional)->Name("print_2000_chars/print_text")->Unit(benchmark::kMicrosecond);

}  // namespace
