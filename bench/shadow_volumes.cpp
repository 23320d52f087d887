// Stencil shadows: a frame with a 20,000-triangle caster over a floor,
// drawn plainly (the baseline) and with its shadow: silhouette, volume into
// the stencil buffer and the composite, all of it every frame. CPU time is
// the whole process's, the GL's own threads included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "support/bench_device.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx3d/shadow_volume.h"
#include "gl/gl_state_cache.h"

namespace {

// Drawing where a 3D pass draws: a target with depth and stencil.
orv::OpenGLVexel* Device() {
  orv::OpenGLVexel* d = benchsupport::OffscreenDevice(800, 600);
  if (d) d->EnterSceneTarget();
  return d;
}

// A closed sphere of 100 rings by 100 segments (20,000 triangles), wound
// so that the side the light must be on to light a triangle is outside.
std::vector<orv::MeshVertex> Sphere() {
  constexpr int kRings = 100, kSegments = 100;
  auto at = [](int ring, int segment) {
    const float theta = 3.14159265f * static_cast<float>(ring) / kRings;
    const float phi = 2 * 3.14159265f * static_cast<float>(segment % kSegments) / kSegments;
    orv::MeshVertex v;
    v.SetPosition({std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)});
    return v;
  };
  std::vector<orv::MeshVertex> tris;
  for (int r = 0; r < kRings; ++r)
    for (int s = 0; s < kSegments; ++s) {
      const orv::MeshVertex q[4] = {at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)};
      for (auto [a, b, c] : {std::tuple{0, 1, 2}, std::tuple{0, 2, 3}}) {
        orv::MeshVertex p0 = q[a], p1 = q[b], p2 = q[c];
        const orv::Vec3 out = p0.Position() + p1.Position() + p2.Position();
        if (orv::Dot(orv::Cross(p0.Position() - p1.Position(), p2.Position() - p1.Position()), out) < 0) std::swap(p1, p2);
        tris.insert(tris.end(), {p0, p1, p2});
      }
    }
  return tris;
}

struct Frame {
  orv::MeshObjectX caster;
  Frame() {
    caster.frames.resize(1);
    caster.frames[0].triangles = Sphere();
  }
  void DrawScene() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    orv::GlState().Set(orv::kCapDepthTest, true);
    orv::GlState().Set(orv::kCapCullFace, false);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3f(-20, -20, -10);
    glVertex3f(20, -20, -10);
    glVertex3f(20, 20, -10);
    glVertex3f(-20, 20, -10);
    glEnd();
    glTranslatef(0, 0, -5);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(orv::MeshVertex), caster.frames[0].triangles.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(caster.frames[0].triangles.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
  }
};

void Plain(benchmark::State& state) {
  if (!Device()) {
    state.SkipWithError("no GL device");
    return;
  }
  Frame frame;
  for (auto _ : state) {
    frame.DrawScene();
    glFinish();
  }
}
BENCHMARK(Plain)->Name("caster_20k_frame/baseline")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void WithShadow(benchmark::State& state) {
  if (!Device()) {
    state.SkipWithError("no GL device");
    return;
  }
  Frame frame;
  orv::ShadowPass pass;
  for (auto _ : state) {
    frame.DrawScene();
    pass.Begin();
    // The light at (-2, 0.5, -2) in eye space, in the sphere's object space.
    pass.DrawVolume(frame.caster, frame.caster.frames[0].triangles, {-2, 0.5f, 3});
    pass.End(0x000000);
    glFinish();
  }
}
BENCHMARK(WithShadow)->Name("caster_20k_frame/shadow")->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
