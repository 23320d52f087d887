// Whole frames, flip included, on the window games get (no depth buffer
// until the first 3D pass replaces it with one that has depth: "moved")
// against the same frames on a window made with ORVANE_WINDOW_DEPTH=1 (the
// "baseline"): an empty pass per frame, three models and a line of text, a
// pass under 2,000 sprites, and a frame of sprites without any pass (the
// window without depth keeps its fast path). For comparison,
// "kept_window" keeps the window without depth (ORVANE_KEEP_WINDOW=1: every
// 3D frame is drawn in the device's scene target and copied out at the
// flip), and "copy_per_pass" also copies the picture back to the window at
// every End3D, as passes used to. All sides
// live in this process, each with its own window and GL context, at
// 1920 x 1080 and 800 x 600. CPU time is the whole process's, the GL's own
// threads included. For medians and spread run with
//   --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true
// The offscreen video driver presents nothing; SDL_VIDEODRIVER=x11 under a
// display measures real presents.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx3d.h"
#include "runtime/runtime_state.h"

namespace {

constexpr int kSpriteSlot = 2, kFont = 0;

struct Headless {
  Headless() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
} headless;

// One device with its renderer, window and context. While a side is in
// use its device and renderer are the runtime's, so game commands reach it.
struct Side {
  std::unique_ptr<orv::OpenGLVexel> device;
  std::unique_ptr<orv::Vexel3D> scene;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool modelsBuilt = false;
};

Side* current = nullptr;

void Release(Side* side) {
  if (!side) return;
  std::swap(side->device, orv::Rt().device);
  std::swap(side->scene, orv::Rt().scene);
}

// How a side draws: depth in the window from the start; a window without
// that is replaced at the first pass; a window kept without depth (passes
// in the scene target, the frame kept there to the flip) or, as passes
// used to end, copied back to the window at every End3D.
enum Mode { kWindowDepth, kMoved, kKeptWindow, kCopyPerPass };

// The side of that size and window format, made current. The window and
// context a side draws with are read back when it is left: the first pass
// may have replaced them.
Side* Use(int width, int height, Mode mode) {
  static std::map<std::tuple<int, int, int>, std::unique_ptr<Side>> sides;
  const Mode kind = mode == kCopyPerPass ? kKeptWindow : mode;
  orv::Rt().switches.keepWindow = kind == kKeptWindow;
  auto& slot = sides[{width, height, static_cast<int>(kind)}];
  if (!slot) {
    if (current) {
      current->window = SDL_GL_GetCurrentWindow();
      current->context = SDL_GL_GetCurrentContext();
    }
    Release(current);
    current = nullptr;
    slot = std::make_unique<Side>();
    // The switches were read when the process started; the side's format
    // is set in the record the device reads.
    orv::RuntimeSwitches& switches = orv::Rt().switches;
    const bool before = switches.windowDepth;
    switches.windowDepth = kind == kWindowDepth;
    slot->device = std::make_unique<orv::OpenGLVexel>();
    const bool made = slot->device->Init(width, height, 0, 0, 0, false);
    switches.windowDepth = before;
    if (!made) {
      slot->device.reset();
      return nullptr;
    }
    slot->window = SDL_GL_GetCurrentWindow();
    slot->context = SDL_GL_GetCurrentContext();
    slot->scene = std::make_unique<orv::Vexel3D>(slot->device.get());
  }
  Side* side = slot.get();
  if (current != side) {
    // A side in use lends its objects to the runtime.
    if (!side->device) return nullptr;
    if (current) {
      current->window = SDL_GL_GetCurrentWindow();
      current->context = SDL_GL_GetCurrentContext();
    }
    Release(current);
    SDL_GL_MakeCurrent(side->window, side->context);
    // The state cache described the other context.
    orv::GlState().Reset();
    Release(side);  // swaps the side's objects in
    current = side;
  }
  orv::OpenGLVexel& d = *orv::Rt().device;
  d.Reset2DState();
  if (!d.IsUsedSprite(kSpriteSlot)) {
    orv::PixelImage image;
    if (!image.Resize(32, 32)) return nullptr;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int r = (x - 16) * (x - 16) + (y - 16) * (y - 16);
        image.SetPixel(x, y, r < 200 ? 0xC040C0E0u : (r < 256 ? 0x6040C0E0u : 0));
      }
    if (!d.SpriteFromImage(kSpriteSlot, image, false)) return nullptr;
    d.InstallBuiltinFont(kFont);
  }
  return side;
}

// A sphere of 40 rings by 40 segments (3,200 triangles) in slot `slot`.
void BuildSphere(int slot, uint32_t colour) {
  constexpr int kRings = 40, kSegments = 40;
  auto corner = [&](int ring, int segment) {
    const double theta = 3.14159265 * ring / kRings, phi = 2 * 3.14159265 * segment / kSegments;
    AddVertex(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi),
              static_cast<double>(segment) / kSegments, static_cast<double>(ring) / kRings, colour);
  };
  StartObject(slot, 0);
  for (int r = 0; r < kRings; ++r)
    for (int s = 0; s < kSegments; ++s) {
      corner(r, s), corner(r + 1, s), corner(r + 1, s + 1);
      corner(r, s), corner(r + 1, s + 1), corner(r, s + 1);
    }
  EndObject();
}

void DrawSprites(int count, int w, int h, bool scaled = false);

void EndPass(Mode mode) {
  End3D();
  if (mode == kCopyPerPass) orv::Rt().device->LeaveSceneTarget(false);
}

void EmptyPass(benchmark::State& state, Mode mode) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  if (!Use(w, h, mode)) return state.SkipWithError("no GL device");
  orv::OpenGLVexel& d = *orv::Rt().device;
  for (auto _ : state) {
    Begin3D(1, 100, 45);
    EndPass(mode);
    d.Flip(nullptr);
    glFinish();
  }
}

// An empty pass under 2,000 blended sprites: a 3D game's 2D after its pass.
void PassThenSprites(benchmark::State& state, Mode mode) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  if (!Use(w, h, mode)) return state.SkipWithError("no GL device");
  orv::OpenGLVexel& d = *orv::Rt().device;
  for (auto _ : state) {
    Begin3D(1, 100, 45);
    EndPass(mode);
    DrawSprites(2000, w, h);
    d.Flip(nullptr);
    glFinish();
  }
}

// Three spheres in a pass, then a line of text over them; no flip.
void DrawModelsAndText(Side& side, bool textInWindow = false, bool spritesFirst = false, Mode mode = kMoved) {
  if (spritesFirst) DrawSprites(500, orv::Rt().device->screenWidth, orv::Rt().device->screenHeight, true);
  if (!side.modelsBuilt) {
    side.modelsBuilt = true;
    BuildSphere(1, 0x3060C0);
    BuildSphere(2, 0x30C060);
    BuildSphere(3, 0xC06030);
  }
  orv::OpenGLVexel& d = *orv::Rt().device;
  static const char text[] = "Score 001250   Lives 3   Level 7   Time 02:41";
  Begin3D(1, 100, 45);
  SetCamera(0, 0, 6, 0, 0, 0);
  for (int i = 0; i < 3; ++i) {
    PushTransform();
    Translate(-2.2 + 2.2 * i, 0, 0);
    ApplyTransform();
    DrawObjectFrame(1 + i, 0);
    PopTransform();
    SetCamera(0, 0, 6, 0, 0, 0);
  }
  EndPass(textInWindow ? kCopyPerPass : mode);
  d.PrintText(kFont, text, static_cast<int>(sizeof text - 1), 10, 10, 0, true);
  d.FlushDrawing();
}

void ModelsAndText(benchmark::State& state, Mode mode) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Side* side = Use(w, h, mode);
  if (!side) return state.SkipWithError("no GL device");
  orv::OpenGLVexel& d = *orv::Rt().device;
  for (auto _ : state) {
    DrawModelsAndText(*side, false, false, mode);
    d.Flip(nullptr);
    glFinish();
  }
}

// The picture of one such frame on two sides, compared pixel by pixel:
// the counter tells how many pixels differ (0 is the aim): the moved window
// and the kept one (text drawn in the pass's target, or in the window as
// passes used to end) against depth from the start.
std::vector<uint32_t> FramePixels(int w, int h, Mode mode, bool spritesFirst) {
  Side* side = Use(w, h, mode);
  if (!side) return {};
  orv::Rt().device->SetClearColor(0x202020);
  DrawModelsAndText(*side, mode == kCopyPerPass, spritesFirst, mode);
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  orv::Rt().device->Flip(nullptr);
  return pixels;
}

void SamePicture(benchmark::State& state, Mode mode, bool spritesFirst) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  int64_t differing = -1, largest = 0;
  for (auto _ : state) {
    const std::vector<uint32_t> own = FramePixels(w, h, mode, spritesFirst);
    const std::vector<uint32_t> depth = FramePixels(w, h, kWindowDepth, spritesFirst);
    if (own.empty() || depth.empty()) return state.SkipWithError("no GL device");
    differing = 0;
    for (size_t i = 0; i < own.size(); ++i) {
      if ((own[i] & 0xFFFFFF) == (depth[i] & 0xFFFFFF)) continue;
      ++differing;
      for (int shift : {0, 8, 16})
        largest = std::max<int64_t>(largest, std::abs(static_cast<int>((own[i] >> shift) & 0xFF) -
                                                      static_cast<int>((depth[i] >> shift) & 0xFF)));
    }
  }
  state.counters["differing_pixels"] = static_cast<double>(differing);
  state.counters["largest_step"] = static_cast<double>(largest);
}
BENCHMARK_CAPTURE(SamePicture, moved, kMoved, false)
    ->Name("same_picture_models_text/moved")
    ->Args({1920, 1080})
    ->Iterations(1);
BENCHMARK_CAPTURE(SamePicture, target, kKeptWindow, false)
    ->Name("same_picture_models_text/kept_text_in_target")
    ->Args({1920, 1080})
    ->Iterations(1);
BENCHMARK_CAPTURE(SamePicture, window, kCopyPerPass, false)
    ->Name("same_picture_models_text/kept_text_in_window")
    ->Args({1920, 1080})
    ->Iterations(1);
BENCHMARK_CAPTURE(SamePicture, sprites, kMoved, true)
    ->Name("same_picture_models_text/moved_sprites_first")
    ->Args({1920, 1080})
    ->Iterations(1);
BENCHMARK_CAPTURE(SamePicture, kept_sprites, kKeptWindow, true)
    ->Name("same_picture_models_text/kept_sprites_first")
    ->Args({1920, 1080})
    ->Iterations(1);

// Blended sprites at places of a fixed sequence; scaled ones are filtered.
void DrawSprites(int count, int w, int h, bool scaled) {
  orv::OpenGLVexel& d = *orv::Rt().device;
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int x = static_cast<int>(seed >> 8) % (w - 64);
    seed = seed * 1664525u + 1013904223u;
    const int y = static_cast<int>(seed >> 8) % (h - 64);
    if (scaled)
      d.RotoZoomSprite(kSpriteSlot, x, y, 17.0 * i, 1.37);
    else
      d.DrawSprite(kSpriteSlot, x, y);
  }
}

// 2,000 blended sprites and no pass: the frame a 2D game draws.
void Sprites2D(benchmark::State& state, Mode mode) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  if (!Use(w, h, mode)) return state.SkipWithError("no GL device");
  orv::OpenGLVexel& d = *orv::Rt().device;
  for (auto _ : state) {
    DrawSprites(2000, w, h);
    d.Flip(nullptr);
    glFinish();
  }
}

// Rounds of a fixed length: interleaved rounds must have the same count.
constexpr int kFrames = 40;

#define SCENE_FRAME_SIDE(fn, group, variant, mode) \
  BENCHMARK_CAPTURE(fn, variant, mode)                 \
      ->Name(group "/" #variant)                       \
      ->Args({1920, 1080})                             \
      ->Args({800, 600})                               \
      ->MeasureProcessCPUTime()                        \
      ->UseRealTime()                                  \
      ->Iterations(kFrames)                            \
      ->Unit(benchmark::kMillisecond)
#define SCENE_FRAME(fn, group)                               \
  SCENE_FRAME_SIDE(fn, group, baseline, kWindowDepth);       \
  SCENE_FRAME_SIDE(fn, group, moved, kMoved);                \
  SCENE_FRAME_SIDE(fn, group, kept_window, kKeptWindow);     \
  SCENE_FRAME_SIDE(fn, group, copy_per_pass, kCopyPerPass)

SCENE_FRAME(EmptyPass, "empty_pass");
SCENE_FRAME(ModelsAndText, "three_models_text");
SCENE_FRAME(PassThenSprites, "pass_then_sprites_2000");
SCENE_FRAME_SIDE(Sprites2D, "sprites_2000_no_pass", baseline, kWindowDepth);
SCENE_FRAME_SIDE(Sprites2D, "sprites_2000_no_pass", window_without_depth, kKeptWindow);

}  // namespace
