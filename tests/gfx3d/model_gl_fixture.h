// A real device with a 3D renderer attached, a fixed camera looking down -z
// from (0, 0, 5), and helpers to build small models straight into slots.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "gfx2d/gl_fixture.h"
#include "gfx3d/matrix.h"
#include "gfx3d/model_builder.h"
#include "gfx3d/vexel3d.h"
#include "gl/gl_state_cache.h"
#include "runtime/runtime_state.h"

namespace gltest {

class ModelGl : public GlDevice {
 protected:
  void SetUp() override {
    GlDevice::SetUp();
    orv::Rt().scene = std::make_unique<orv::Vexel3D>(d);
    models = &orv::Rt().scene->Models();
    Begin();
  }

  void TearDown() override {
    orv::Rt().scene.reset();
    GlDevice::TearDown();
  }

  // A fresh frame set up for 3D: a depth buffer, perspective, camera at
  // (0, 0, 5), nothing that would hide or tint a model.
  void Begin() {
    NextFrame();
    d->EnterSceneTarget();
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(orv::Perspective(60, float(kWidth) / kHeight, 1, 100).data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(orv::Translation(0, 0, -5).data());
    orv::GlStateCache& gl = orv::GlState();
    for (orv::GlCap cap : {orv::kCapCullFace, orv::kCapDepthTest, orv::kCapBlend, orv::kCapAlphaTest,
                           orv::kCapLighting, orv::kCapFog})
      gl.Set(cap, false);
    glDisable(GL_TEXTURE_2D);
  }

  // A quad in the z = 0 plane, half-width w and half-height h, one colour,
  // texture coordinates 0..1 across it; one frame per entry of `widths`.
  void BuildQuad(int slot, std::initializer_list<float> widths, float h, uint32_t colour) {
    orv::ModelBuilder b;
    b.Start(*models->Slot(slot), 0);
    int frame = 0;
    for (float w : widths) {
      b.SetFrame(frame++);
      const float c[4][4] = {{-w, -h, 0, 0}, {w, -h, 1, 0}, {w, h, 1, 1}, {-w, h, 0, 1}};
      for (int k : {0, 1, 2, 0, 2, 3}) b.AddVertex(c[k][0], c[k][1], 0, c[k][2], c[k][3], colour);
    }
    ASSERT_TRUE(b.End(0));
  }

  orv::ModelStore* models = nullptr;
};

}  // namespace gltest
