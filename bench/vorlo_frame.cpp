// CPU time per frame of vorlo's title screen at 800 x 600 and 1920 x 1080,
// with frame pacing switched off, against an empty frame (only the flip) in
// the same run; and the GL draw calls each frame issues (counter draw_calls).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "vorlo.h"
#include "gfx2d/opengl_vexel.h"
#include "runtime/program_entry.h"
#include "runtime/runtime_state.h"

// Every draw call of the runtime passes through these three; the executable's
// own definitions take precedence over libGL's, count, and forward.
namespace {
long g_drawCalls = 0;
}
extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  static auto real = reinterpret_cast<void (*)(GLenum, GLint, GLsizei)>(dlsym(RTLD_NEXT, "glDrawArrays"));
  ++g_drawCalls;
  real(mode, first, count);
}
extern "C" void glMultiDrawArrays(GLenum mode, const GLint* first, const GLsizei* count, GLsizei drawcount) {
  static auto real = reinterpret_cast<void (*)(GLenum, const GLint*, const GLsizei*, GLsizei)>(
      dlsym(RTLD_NEXT, "glMultiDrawArrays"));
  ++g_drawCalls;
  real(mode, first, count, drawcount);
}
extern "C" void glBegin(GLenum mode) {
  static auto real = reinterpret_cast<void (*)(GLenum)>(dlsym(RTLD_NEXT, "glBegin"));
  ++g_drawCalls;
  real(mode);
}

namespace {

bool StartGame() {
  static bool started = false, ok = false;
  if (started) return ok;
  started = true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  GameSettings(orv::Rt().settings);
  if (orv::RuntimeInit("vorlo") != 0) return false;
  // The game finds its Media folder beside its own program.
  if (chdir(VORLO_GAME_DIR) != 0) return false;
  vorlo::SetupScreen(960, 640, 0);
  vorlo::S().debugOverlay = true;
  // Pacing off: with no interval the flip never waits.
  orv::Rt().device->pacer.frameIntervalMs = 0;
  return ok = true;
}

void Resize(int w, int h) {
  if (ScreenWidth() == w && ScreenHeight() == h) return;
  SetScreen(w, h, 0);
  orv::Rt().device->pacer.frameIntervalMs = 0;
  vorlo::GameFlip();
  vorlo::LoadAssets();
  vorlo::S().scrollX = 0;  // the slide-in done: the screen as it stays
  // A few frames first, so one-time work of the driver is not measured.
  for (int i = 0; i < 30; ++i) {
    vorlo::TitleScreen();
    vorlo::GameFlip();
  }
}

void EmptyFrame(benchmark::State& state) {
  if (!StartGame()) return state.SkipWithError("no GL device");
  Resize(800, 600);
  for (auto _ : state) ShowScreen();
}
BENCHMARK(EmptyFrame)->Name("title_frame/baseline")->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void TitleFrame(benchmark::State& state, int width, int height) {
  if (!StartGame()) return state.SkipWithError("no GL device");
  Resize(width, height);
  long calls = 0, frames = 0;
  for (auto _ : state) {
    long before = g_drawCalls;
    vorlo::TitleScreen();
    vorlo::GameFlip();
    calls += g_drawCalls - before;
    ++frames;
  }
  state.counters["draw_calls"] = frames ? static_cast<double>(calls) / frames : 0;
}
const bool registered = [] {
  benchmark::RegisterBenchmark("title_frame/800x600", TitleFrame, 800, 600)
      ->MeasureProcessCPUTime()
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("title_frame/1920x1080", TitleFrame, 1920, 1080)
      ->MeasureProcessCPUTime()
      ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace
