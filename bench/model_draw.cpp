// Model drawing: a 100,000-triangle static model drawn 10 times per frame
// with DrawSlot, and with the game's DrawObjectFrame through the renderer,
// against the same triangles from a hand-written vertex-buffer loop; a
// blended two-frame 20,000-triangle model per frame against the same loop
// uploading the blended positions itself. Same device, same viewport,
// glFinish at the end of each frame; CPU time is the whole process's, the
// GL's own threads included.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "support/bench_device.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/model_builder.h"
#include "gfx3d/model_draw.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "orvane/gfx3d.h"
#include "runtime/runtime_state.h"

namespace {

orv::OpenGLVexel* Device() { return benchsupport::OffscreenDevice(320, 240); }

// Small triangles spread over clip space, in `frames` frames (each frame
// moves them a little).
struct Model {
  orv::ModelSlot slot;
  std::vector<float> positions[2];  // x y z per vertex, per frame
};

Model* Build(int triangles, int frames) {
  auto* m = new Model;
  orv::ModelBuilder b;
  b.Start(m->slot, 0);
  const int side = 400;
  for (int f = 0; f < frames; ++f) {
    b.SetFrame(f);
    for (int t = 0; t < triangles; ++t) {
      const float x = -0.9f + 1.8f * static_cast<float>(t % side) / side + 0.01f * f;
      const float y = -0.9f + 1.8f * static_cast<float>((t / side) % side) / side;
      const float corners[3][2] = {{x, y}, {x + 0.004f, y}, {x, y + 0.004f}};
      for (const auto& c : corners) {
        b.AddVertex(c[0], c[1], 0, 0, 0, 0xFFFFFF);
        m->positions[f].insert(m->positions[f].end(), {c[0], c[1], 0});
      }
    }
  }
  b.End(0);
  return m;
}

void Begin() {
  glViewport(0, 0, 320, 240);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (orv::GlCap cap : {orv::kCapDepthTest, orv::kCapCullFace, orv::kCapBlend, orv::kCapLighting})
    orv::GlState().Set(cap, false);
  glDisable(GL_TEXTURE_2D);
}

void StaticHandLoop(benchmark::State& state) {
  if (!Device() || !orv::VertexBuffersUsable()) return state.SkipWithError("no GL device with vertex buffers");
  static Model* m = Build(100000, 1);
  const orv::GlEntryPoints& g = orv::Gl();
  Begin();
  GLuint buffer = 0;
  g.glGenBuffersARB(1, &buffer);
  g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
  const std::vector<float>& p = m->positions[0];
  g.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(p.size() * sizeof(float)), p.data(),
                    GL_STATIC_DRAW_ARB);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < 10; ++i) {
      glColor4f(1, 1, 1, 1);
      glEnableClientState(GL_VERTEX_ARRAY);
      glVertexPointer(3, GL_FLOAT, 0, nullptr);
      glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(p.size() / 3));
      glDisableClientState(GL_VERTEX_ARRAY);
    }
    glFinish();
  }
  g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  g.glDeleteBuffersARB(1, &buffer);
}
BENCHMARK(StaticHandLoop)->Name("draw_static_100k_x10/baseline")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void StaticDrawObject(benchmark::State& state) {
  if (!Device() || !orv::VertexBuffersUsable()) return state.SkipWithError("no GL device with vertex buffers");
  static Model* m = Build(100000, 1);
  Begin();
  const orv::ModelDrawState s;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < 10; ++i) orv::DrawSlot(m->slot, 0, 0, 0, false, s);
    glFinish();
  }
}
BENCHMARK(StaticDrawObject)->Name("draw_static_100k_x10/draw_object")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The game's way: the model built with the commands into the runtime's
// renderer, drawn with DrawObjectFrame (outside a pass: no culling).
void StaticDrawCommand(benchmark::State& state) {
  orv::OpenGLVexel* device = Device();
  if (!device || !orv::VertexBuffersUsable()) return state.SkipWithError("no GL device with vertex buffers");
  static const Model* m = Build(100000, 1);
  // Made and released here, while the device's context is alive.
  orv::Rt().scene = std::make_unique<orv::Vexel3D>(device);
  StartObject(0, 0);
  const std::vector<float>& p = m->positions[0];
  for (size_t i = 0; i + 2 < p.size(); i += 3) AddVertex(p[i], p[i + 1], p[i + 2], 0, 0, 0xFFFFFF);
  EndObject();
  Begin();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < 10; ++i) DrawObjectFrame(0, 0);
    glFinish();
  }
  orv::Rt().scene.reset();
}
BENCHMARK(StaticDrawCommand)
    ->Name("draw_static_100k_x10/draw_object_command")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// What the game's draw command costs before any GL is issued: a free slot
// drawn through the renderer, against the drawing code's own entry.
void FreeSlotDrawSlot(benchmark::State& state) {
  orv::ModelSlot free;
  const orv::ModelDrawState s;
  for (auto _ : state) benchmark::DoNotOptimize(orv::DrawSlot(free, 0, 0, 0, false, s));
}
BENCHMARK(FreeSlotDrawSlot)->Name("draw_free_slot/baseline");

void FreeSlotDrawCommand(benchmark::State& state) {
  orv::OpenGLVexel* device = Device();
  if (!device) return state.SkipWithError("no GL device");
  orv::Rt().scene = std::make_unique<orv::Vexel3D>(device);
  for (auto _ : state) benchmark::DoNotOptimize(DrawObject(1, 0, 0, 0, 0));
  orv::Rt().scene.reset();
}
BENCHMARK(FreeSlotDrawCommand)->Name("draw_free_slot/draw_object_command");

void BlendedHandLoop(benchmark::State& state) {
  if (!Device() || !orv::VertexBuffersUsable()) return state.SkipWithError("no GL device with vertex buffers");
  static Model* m = Build(20000, 2);
  const orv::GlEntryPoints& g = orv::Gl();
  Begin();
  GLuint buffer = 0;
  g.glGenBuffersARB(1, &buffer);
  const std::vector<float>&a = m->positions[0], &b = m->positions[1];
  std::vector<float> mixed(a.size());
  float w = 0;
  for (auto _ : state) {
    w = w >= 1 ? 0 : w + 0.01f;
    for (size_t i = 0; i < mixed.size(); ++i) mixed[i] = b[i] * w + a[i] * (1 - w);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    g.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(mixed.size() * sizeof(float)), mixed.data(),
                      GL_STREAM_DRAW_ARB);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(mixed.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
    g.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glFinish();
  }
  g.glDeleteBuffersARB(1, &buffer);
}
BENCHMARK(BlendedHandLoop)->Name("draw_blended_20k/baseline")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BlendedDrawObject(benchmark::State& state) {
  if (!Device() || !orv::VertexBuffersUsable()) return state.SkipWithError("no GL device with vertex buffers");
  static Model* m = Build(20000, 2);
  Begin();
  const orv::ModelDrawState s;
  float t = 0;
  for (auto _ : state) {
    t = t >= 1 ? 0 : t + 0.01f;
    glClear(GL_COLOR_BUFFER_BIT);
    orv::DrawSlot(m->slot, 0, 1, t, false, s);
    glFinish();
  }
}
BENCHMARK(BlendedDrawObject)->Name("draw_blended_20k/draw_object")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
