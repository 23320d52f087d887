// Frame pacing at 60 fps over 600 flips of an empty frame: the device's flip
// against a plain SDL loop that sleeps for the rest of the frame with SDL_Delay.
// Reported as counters: mean interval and the 50th / 99th percentile of the
// deviation |interval - 16.667 ms|.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "runtime/clock.h"

namespace {

constexpr int kFlips = 600;
constexpr double kInterval = 1000.0 / 60.0;

void Report(benchmark::State& state, const std::vector<double>& stamps) {
  std::vector<double> deviations;
  double sum = 0;
  for (size_t i = 1; i < stamps.size(); ++i) {
    double d = stamps[i] - stamps[i - 1];
    sum += d;
    deviations.push_back(std::fabs(d - kInterval));
  }
  std::sort(deviations.begin(), deviations.end());
  state.counters["mean_ms"] = sum / static_cast<double>(deviations.size());
  state.counters["p50_dev_ms"] = deviations[deviations.size() / 2];
  state.counters["p99_dev_ms"] = deviations[deviations.size() * 99 / 100];
}

void SdlDelayLoop(benchmark::State& state) {
  SDL_Init(SDL_INIT_VIDEO);
  SDL_Window* w = SDL_CreateWindow("pace", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  SDL_GLContext c = SDL_GL_CreateContext(w);
  SDL_GL_SetSwapInterval(0);
  std::vector<double> stamps;
  for (auto _ : state) {
    stamps.clear();
    double next = orv::ClockMs();
    for (int i = 0; i < kFlips; ++i) {
      SDL_GL_SwapWindow(w);
      glClear(GL_COLOR_BUFFER_BIT);
      SDL_Event e;
      while (SDL_PollEvent(&e)) {
      }
      next += kInterval;
      double remaining = next - orv::ClockMs();
      if (remaining > 0) SDL_Delay(static_cast<Uint32>(remaining));
      stamps.push_back(orv::ClockMs());
    }
  }
  Report(state, stamps);
  SDL_GL_DeleteContext(c);
  SDL_DestroyWindow(w);
}
BENCHMARK(SdlDelayLoop)->Name("pacing_600_flips_60fps/baseline")->Iterations(1)->Unit(benchmark::kMillisecond);

void DeviceFlip(benchmark::State& state) {
  auto device = std::make_unique<orv::OpenGLVexel>();
  if (!device->Init(64, 64, 0, 60, 0, false)) {
    state.SkipWithError("no GL device");
    return;
  }
  std::vector<double> stamps;
  for (auto _ : state) {
    stamps.clear();
    for (int i = 0; i < kFlips; ++i) {
      device->Flip(nullptr);
      stamps.push_back(orv::ClockMs());
    }
  }
  Report(state, stamps);
}
BENCHMARK(DeviceFlip)->Name("pacing_600_flips_60fps/device_flip")->Iterations(1)->Unit(benchmark::kMillisecond);

struct Headless {
  Headless() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
} headless;

}  // namespace
