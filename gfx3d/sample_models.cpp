#include "gfx3d/sample_models.h"

#include <cmath>

#include "gfx3d/model_builder.h"
#include "gfx3d/model_file.h"

namespace orv {
namespace {

// A quad given counter-clockwise from outside, as two clockwise triangles.
void AddQuad(ModelBuilder& b, const Vec3 (&c)[4], uint32_t colour) {
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int k : {0, 2, 1, 0, 3, 2}) b.AddVertex(c[k].x, c[k].y, c[k].z, uv[k][0], uv[k][1], colour);
}

}  // namespace

bool BuildSampleCube(ModelSlot& slot, float size) {
  const float h = size / 2;
  ModelBuilder b;
  b.Start(slot, 0);
  const Vec3 faces[6][4] = {
      {{-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h}},      // +z
      {{h, -h, -h}, {-h, -h, -h}, {-h, h, -h}, {h, h, -h}},  // -z
      {{h, -h, h}, {h, -h, -h}, {h, h, -h}, {h, h, h}},      // +x
      {{-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}},  // -x
      {{-h, h, h}, {h, h, h}, {h, h, -h}, {-h, h, -h}},      // +y
      {{-h, -h, -h}, {h, -h, -h}, {h, -h, h}, {-h, -h, h}},  // -y
  };
  const uint32_t colours[6] = {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF};
  for (int f = 0; f < 6; ++f) AddQuad(b, faces[f], colours[f]);
  return b.End(1);
}

bool BuildSampleSphere(ModelSlot& slot, float radius, int rings, int segments) {
  if (rings < 2 || segments < 3) return false;
  constexpr float kPi = 3.14159265f;
  auto point = [&](int ring, int seg) {
    const float theta = kPi * static_cast<float>(ring) / static_cast<float>(rings);
    const float phi = 2 * kPi * static_cast<float>(seg % segments) / static_cast<float>(segments);
    return Vec3{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                radius * std::sin(theta) * std::sin(phi)};
  };
  ModelBuilder b;
  b.Start(slot, 1);
  for (int ring = 0; ring < rings; ++ring) {
    if (ring > 0) b.NewGroup(1);
    for (int seg = 0; seg <= segments; ++seg) {
      const float u = static_cast<float>(seg) / static_cast<float>(segments);
      for (int r : {ring, ring + 1}) {
        const Vec3 p = point(r, seg);
        b.AddVertex(p.x, p.y, p.z, u, static_cast<float>(r) / static_cast<float>(rings), 0xFFFFFF);
      }
    }
  }
  return b.End(2);
}

bool BuildSampleAnimated(ModelSlot& slot) {
  ModelBuilder b;
  b.Start(slot, 0);
  const Vec3 base[4] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}};
  for (int frame = 0; frame < 2; ++frame) {
    b.SetFrame(frame);
    const Vec3 apex{0, frame == 0 ? 1.0f : 2.0f, 0};
    for (int i = 0; i < 4; ++i) {
      const Vec3 a = base[i], c = base[(i + 1) % 4];
      // Clockwise from outside: apex, this corner, the next one.
      for (Vec3 p : {apex, a, c}) b.AddVertex(p.x, p.y, p.z, p.x * 0.5f + 0.5f, p.z * 0.5f + 0.5f, 0x3080F0);
    }
    for (int k : {0, 2, 1, 0, 3, 2}) b.AddVertex(base[k].x, base[k].y, base[k].z, 0, 0, 0x204060);
  }
  return b.End(1);
}

std::vector<uint8_t> SampleFile(const ModelSlot& slot) {
  if (slot.meshes.empty() || !slot.meshes[0]) return {};
  return WriteDdd(*slot.meshes[0]);
}

}  // namespace orv
