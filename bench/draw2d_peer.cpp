// 2D drawing against SDL2's own 2D renderer (its opengl driver, batching on)
// in the same process on the same GL implementation, 800 x 600 frames:
// 10,000 blended 32 x 32 sprites, 2,000 characters of proportional text,
// and 10,000 mixed rectangles and lines. The baseline of each group is the
// peer; "batched" is the device as games get it, "immediate" the device
// drawing command by command. The peer draws lines as GL geometry
// (SDL_HINT_RENDER_LINE_METHOD "3", what its users who want speed pick);
// "shapes_10000_point_lines" keeps a second peer on SDL's default, which
// draws each line point by point, for comparison with older figures.
// Every group runs on both window formats: the one games get (no depth
// buffer) and, as "<group>_window_depth", a window with 24 bits of depth
// and 8 of stencil (ORVANE_WINDOW_DEPTH=1, or a game that moved its 3D
// passes into the window); the peer's window has the same format as the
// device's in each group. The Time column is wall time, the CPU column the
// whole process's CPU time (the rasteriser's threads included). For medians
// and spread run with
//   --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_state_cache.h"
#include "runtime/runtime_state.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr int kSprites = 10000, kCharacters = 2000, kShapes = 10000;
constexpr int kSpriteSlot = 2, kFont = 0;
// Rounds of a fixed length: interleaved rounds must have the same count.
constexpr int kRoundFrames = 40;

struct Headless {
  Headless() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
} headless;

// Window formats: the default (no depth or stencil) and depth 24 + stencil 8.
enum Format { kPlain = 0, kDepth = 1 };

// A device, and its window and context so it can be made current again
// after the peer or the other format's device ran.
struct DeviceSide {
  std::unique_ptr<orv::OpenGLVexel> device;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
};

DeviceSide& Side(Format format) {
  static DeviceSide sides[2];
  static bool tried[2] = {false, false};
  DeviceSide& side = sides[format];
  if (!tried[format]) {
    tried[format] = true;
    orv::RuntimeSwitches& switches = orv::Rt().switches;
    const bool before = switches.windowDepth;
    switches.windowDepth = format == kDepth;
    side.device = std::make_unique<orv::OpenGLVexel>();
    const bool made = side.device->Init(kWidth, kHeight, 0, 0, 0, false);
    switches.windowDepth = before;
    if (!made) {
      side.device.reset();
      return side;
    }
    side.window = SDL_GL_GetCurrentWindow();
    side.context = SDL_GL_GetCurrentContext();
    int depth = -1, stencil = -1;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
    if ((format == kDepth) != (depth > 0 && stencil > 0)) side.device.reset();
    // The state cache describes the context current before.
    orv::GlState().Reset();
  }
  return side;
}

// The sprite both sides draw: a soft disc, RGBA, top row first.
std::vector<uint32_t> SpritePixels() {
  std::vector<uint32_t> p(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int d = (x - 16) * (x - 16) + (y - 16) * (y - 16);
      p[static_cast<size_t>(y) * 32 + x] = d < 200 ? 0xC040C0E0u : (d < 256 ? 0x6040C0E0u : 0);
    }
  return p;
}

orv::OpenGLVexel* Device(bool batched, Format format) {
  DeviceSide& side = Side(format);
  if (!side.device) return nullptr;
  static SDL_GLContext last = nullptr;
  SDL_GL_MakeCurrent(side.window, side.context);
  // The two devices share one state cache; it described the other context.
  if (last != side.context) orv::GlState().Reset();
  last = side.context;
  orv::OpenGLVexel* d = side.device.get();
  if (!d->IsUsedSprite(kSpriteSlot)) {
    orv::PixelImage image;
    if (!image.Resize(32, 32)) return nullptr;
    const std::vector<uint32_t> pixels = SpritePixels();
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) image.SetPixel(x, y, pixels[static_cast<size_t>(y) * 32 + x]);
    if (!d->SpriteFromImage(kSpriteSlot, image, false)) return nullptr;
    d->InstallBuiltinFont(kFont);
  }
  d->SetBatching(batched);
  d->Reset2DState();
  d->SetAlphaMode(-1);
  return d;
}

// SDL's renderer on its own hidden window, with the texture and the font
// image of the device side.
struct Peer {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* sprite = nullptr;
  SDL_Texture* font = nullptr;
};

// The line method is read when a renderer is made, so each method has a
// peer of its own, on each window format.
Peer* PeerSide(Format format, bool pointLines = false) {
  static Peer peers[2][2];
  static bool triedSide[2][2] = {{false, false}, {false, false}};
  Peer& peer = peers[format][pointLines ? 1 : 0];
  bool& tried = triedSide[format][pointLines ? 1 : 0];
  if (tried) return peer.renderer ? &peer : nullptr;
  tried = true;
  if (!Side(format).device) return nullptr;
  SDL_SetHint(SDL_HINT_RENDER_LINE_METHOD, pointLines ? "0" : "3");
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  // Naming a driver switches SDL's batching off unless asked for.
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  // Filtered like the device's sprites (SDL's own default is nearest).
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  // The device's drawable format: the window takes the attributes set last.
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format == kDepth ? 24 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format == kDepth ? 8 : 0);
  peer.window = SDL_CreateWindow("peer", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!peer.window) return nullptr;
  peer.renderer = SDL_CreateRenderer(peer.window, -1, SDL_RENDERER_ACCELERATED);
  if (!peer.renderer) return nullptr;
  SDL_RendererInfo info;
  int depth = -1, stencil = -1;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
  if (SDL_GetRendererInfo(peer.renderer, &info) != 0 || std::string(info.name) != "opengl" ||
      (info.flags & SDL_RENDERER_PRESENTVSYNC) || (format == kDepth) != (depth > 0 && stencil > 0)) {
    SDL_DestroyRenderer(peer.renderer);
    peer.renderer = nullptr;
    return nullptr;
  }
  std::vector<uint32_t> pixels = SpritePixels();
  peer.sprite = SDL_CreateTexture(peer.renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, 32, 32);
  SDL_UpdateTexture(peer.sprite, nullptr, pixels.data(), 32 * 4);
  SDL_SetTextureBlendMode(peer.sprite, SDL_BLENDMODE_BLEND);
  // The font image: 16 cells of 8 x 8 per row, 8 rows; its content does
  // not change the cost.
  std::vector<uint32_t> glyphs(128 * 64, 0xFFFFFFFFu);
  peer.font = SDL_CreateTexture(peer.renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, 128, 64);
  SDL_UpdateTexture(peer.font, nullptr, glyphs.data(), 128 * 4);
  SDL_SetTextureBlendMode(peer.font, SDL_BLENDMODE_BLEND);
  return &peer;
}

// Places shared by both sides.
struct Places {
  std::vector<int> x, y;
  explicit Places(int n) {
    uint32_t seed = 12345;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      x.push_back(static_cast<int>(seed >> 8) % (kWidth - 32));
      seed = seed * 1664525u + 1013904223u;
      y.push_back(static_cast<int>(seed >> 8) % (kHeight - 32));
    }
  }
};

const Places& SpritePlaces() {
  static const Places places(kSprites);
  return places;
}

// 2,000 characters: 40 lines of 50 printable characters.
const std::vector<std::string>& TextLines() {
  static std::vector<std::string> lines;
  if (lines.empty())
    for (int l = 0; l < kCharacters / 50; ++l) {
      std::string line;
      for (int i = 0; i < 50; ++i) line.push_back(static_cast<char>(33 + (l * 7 + i * 13) % 94));
      lines.push_back(line);
    }
  return lines;
}

void FinishDevice(orv::OpenGLVexel* d) {
  d->FlushDrawing();
  glFinish();
}

void FinishPeer(Peer* p) {
  SDL_RenderFlush(p->renderer);
  glFinish();
}

// ---- 10,000 sprites -------------------------------------------------------------

void PeerSprites(benchmark::State& state, Format format) {
  Peer* p = PeerSide(format);
  if (!p) return state.SkipWithError("no SDL opengl renderer");
  const Places& at = SpritePlaces();
  for (auto _ : state) {
    SDL_RenderClear(p->renderer);
    for (int i = 0; i < kSprites; ++i) {
      const SDL_Rect dst{at.x[i], at.y[i], 32, 32};
      SDL_RenderCopy(p->renderer, p->sprite, nullptr, &dst);
    }
    FinishPeer(p);
  }
}

void DeviceSprites(benchmark::State& state, Format format, bool batched, bool alphaTest) {
  orv::OpenGLVexel* d = Device(batched, format);
  if (!d) return state.SkipWithError("no GL device");
  if (!alphaTest) d->SetAlphaTest(1);
  const Places& at = SpritePlaces();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kSprites; ++i) d->DrawSprite(kSpriteSlot, at.x[i], at.y[i]);
    FinishDevice(d);
  }
}

// ---- 2,000 characters of text ------------------------------------------------------

void PeerText(benchmark::State& state, Format format) {
  Peer* p = PeerSide(format);
  orv::OpenGLVexel* d = Device(true, format);
  if (!p || !d) return state.SkipWithError("no SDL opengl renderer");
  // Proportional advances of the device's built-in font, so both sides
  // place the same glyphs at the same places.
  const orv::FontGlyph* glyphs = d->Fonts().Glyphs(kFont);
  const std::vector<std::string>& lines = TextLines();
  for (auto _ : state) {
    SDL_RenderClear(p->renderer);
    for (size_t l = 0; l < lines.size(); ++l) {
      int x = 10;
      for (unsigned char c : lines[l]) {
        const int w = glyphs[c].width;
        const SDL_Rect src{(c % 16) * 8 + glyphs[c].left, (c / 16 % 8) * 8, w, 8};
        const SDL_Rect dst{x, 10 + static_cast<int>(l) * 12, w, 8};
        SDL_RenderCopy(p->renderer, p->font, &src, &dst);
        x += w;
      }
    }
    FinishPeer(p);
  }
}

void DeviceText(benchmark::State& state, Format format, bool batched) {
  orv::OpenGLVexel* d = Device(batched, format);
  if (!d) return state.SkipWithError("no GL device");
  const std::vector<std::string>& lines = TextLines();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (size_t l = 0; l < lines.size(); ++l)
      d->PrintText(kFont, lines[l].data(), static_cast<int>(lines[l].size()), 10, 10 + static_cast<double>(l) * 12, 0,
                   true);
    FinishDevice(d);
  }
}

// ---- 10,000 rectangles and lines ------------------------------------------------------

struct Shape {
  int x, y, w, h;
  uint32_t color;  // 0x00BBGGRR
  bool line;
};

const std::vector<Shape>& Shapes() {
  static std::vector<Shape> shapes;
  if (shapes.empty()) {
    uint32_t seed = 777;
    auto next = [&](int n) {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
    };
    for (int i = 0; i < kShapes; ++i) {
      Shape s{next(kWidth - 40), next(kHeight - 40), 1 + next(40), 1 + next(40), 0, next(2) == 1};
      s.color = static_cast<uint32_t>(next(1 << 24));
      shapes.push_back(s);
    }
  }
  return shapes;
}

void PeerShapes(benchmark::State& state, Format format, bool pointLines) {
  Peer* p = PeerSide(format, pointLines);
  if (!p) return state.SkipWithError("no SDL opengl renderer");
  SDL_SetRenderDrawBlendMode(p->renderer, SDL_BLENDMODE_BLEND);
  for (auto _ : state) {
    SDL_SetRenderDrawColor(p->renderer, 0, 0, 0, 255);
    SDL_RenderClear(p->renderer);
    for (const Shape& s : Shapes()) {
      SDL_SetRenderDrawColor(p->renderer, s.color & 0xFF, (s.color >> 8) & 0xFF, (s.color >> 16) & 0xFF, 255);
      if (s.line) {
        SDL_RenderDrawLine(p->renderer, s.x, s.y, s.x + s.w, s.y + s.h);
      } else {
        const SDL_Rect r{s.x, s.y, s.w, s.h};
        SDL_RenderFillRect(p->renderer, &r);
      }
    }
    FinishPeer(p);
  }
}

void DeviceShapes(benchmark::State& state, Format format, bool batched) {
  orv::OpenGLVexel* d = Device(batched, format);
  if (!d) return state.SkipWithError("no GL device");
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (const Shape& s : Shapes()) {
      if (s.line) {
        d->DrawLine(s.x, s.y, s.x + s.w, s.y + s.h, static_cast<int32_t>(s.color));
      } else {
        d->DrawRect(s.x, s.y, s.w, s.h, static_cast<int32_t>(s.color));
      }
    }
    FinishDevice(d);
  }
}

// Every comparison on both window formats.
const bool registered = [] {
  for (const Format f : {kPlain, kDepth}) {
    const std::string format = f == kDepth ? "_window_depth" : "";
    auto add = [&](const std::string& name, auto fn) {
      benchmark::RegisterBenchmark(name.c_str(), fn)
          ->MeasureProcessCPUTime()
          ->Iterations(kRoundFrames)
          ->Unit(benchmark::kMillisecond);
    };
    using S = benchmark::State;
    add("sprites_10000" + format + "/baseline", [f](S& s) { PeerSprites(s, f); });
    add("sprites_10000" + format + "/batched", [f](S& s) { DeviceSprites(s, f, true, true); });
    add("sprites_10000" + format + "/immediate", [f](S& s) { DeviceSprites(s, f, false, true); });
    // The device's default alpha test (texels at or below 0.05 are not
    // drawn) keeps the rasteriser off its fast path for plain blended quads;
    // the peer has no such test. This variant shows what the test costs.
    add("sprites_10000" + format + "/batched_no_alpha_test", [f](S& s) { DeviceSprites(s, f, true, false); });
    add("text_2000" + format + "/baseline", [f](S& s) { PeerText(s, f); });
    add("text_2000" + format + "/batched", [f](S& s) { DeviceText(s, f, true); });
    add("text_2000" + format + "/immediate", [f](S& s) { DeviceText(s, f, false); });
    add("shapes_10000" + format + "/baseline", [f](S& s) { PeerShapes(s, f, false); });
    add("shapes_10000" + format + "/batched", [f](S& s) { DeviceShapes(s, f, true); });
    add("shapes_10000" + format + "/immediate", [f](S& s) { DeviceShapes(s, f, false); });
    add("shapes_10000_point_lines" + format + "/baseline", [f](S& s) { PeerShapes(s, f, true); });
    add("shapes_10000_point_lines" + format + "/batched", [f](S& s) { DeviceShapes(s, f, true); });
  }
  return true;
}();

}  // namespace
