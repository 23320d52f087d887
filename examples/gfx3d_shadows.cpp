// Shadows and shaders in 3D: a turning cube casts a stencil shadow on a
// floor from a light above it, and beside it a column is drawn through a
// small GLSL program (media/tint.vert and media/tint.frag, shipped next to
// the built example) that sways it and tints it in pulsing stripes.
// Escape ends it.
#include <cmath>

#include "orvane/orvane.h"

namespace {

constexpr double kFloor = 0, kCube = 1, kColumn = 2;
constexpr double kTintShader = 0;
constexpr double kSky = 0x604830;         // 0x00BBGGRR
constexpr double kShadowColour = 0x000000;
constexpr double kLight[3] = {2, 9, 3};   // the shadow light, above and in front

void Quad(const double (&p)[4][3], double colour) {
  const int order[6] = {0, 1, 2, 0, 2, 3};
  for (int k : order) AddVertex(p[k][0], p[k][1], p[k][2], k == 1 || k == 2, k >= 2, colour);
}

// A box from (x0, y0, z0) to (x1, y1, z1), faces wound counter-clockwise
// seen from outside, one colour per axis.
void Box(double slot, const double (&lo)[3], const double (&hi)[3], const double (&colours)[3]) {
  StartObject(slot, 0);
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int side = 0; side < 2; ++side) {
      double p[4][3];
      for (int k = 0; k < 4; ++k) {
        const bool a = k == 1 || k == 2, b = k >= 2;
        p[k][axis] = side ? hi[axis] : lo[axis];
        // Swap the sweep on the low side so both faces look outward.
        p[k][u] = (side ? a : b) ? hi[u] : lo[u];
        p[k][v] = (side ? b : a) ? hi[v] : lo[v];
      }
      Quad(p, colours[axis]);
    }
  }
  EndObject();
}

void BuildFloor(double slot) {
  StartObject(slot, 0);
  for (int i = -5; i < 5; ++i) {
    for (int j = -5; j < 5; ++j) {
      const double x = i * 2, z = j * 2;
      const double p[4][3] = {{x, 0, z}, {x, 0, z + 2}, {x + 2, 0, z + 2}, {x + 2, 0, z}};
      Quad(p, (i + j) % 2 ? 0xC8C8C8 : 0xA0A0A0);
    }
  }
  EndObject();
}

// The cube's place this frame: hovering over the floor, turning.
void PlaceCube(double t) {
  Translate(-1.5, 2.2, 0);
  Rotate(t * 50, 0, 1, 0);
  Rotate(25, 1, 0, 0);
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 800;
  settings.height = 600;
  settings.frameRate = 60;
  RtString caption("3D shadows and shaders");
  settings.caption.Exchange(caption);
}

double GameMain() {
  BuildFloor(kFloor);
  Box(kCube, {-0.8, -0.8, -0.8}, {0.8, 0.8, 0.8}, {0x3030D0, 0x30B030, 0xD05030});
  Box(kColumn, {-0.5, 0, -0.5}, {0.5, 3, 0.5}, {0xF0F0F0, 0xD0D0D0, 0xB0B0B0});
  // The runtime starts in the program's folder, where the build put media/.
  const bool shaderReady = LoadShader(kTintShader, "media/tint.vert", "media/tint.frag") == 1;
  SetClearColor(kSky);

  for (;;) {
    const double t = ElapsedMs() / 1000.0;
    Begin3D(0.5, 100, 60);
    SetCamera(3 * std::sin(t * 0.2), 7, 11 * std::cos(t * 0.2), 0, 1, 0);
    SetDepthTest(1);
    SetCullMode(-1);

    // The lit scene first: the floor, the caster and the shader column.
    SetLight(0, 0xFFFFFF, 0, 0, 0, kLight[0], kLight[1], kLight[2], 180, 0);
    DrawObjectFrame(kFloor, 0);
    PushTransform();
    PlaceCube(t);
    DrawObjectFrame(kCube, 0);
    PopTransform();
    PushTransform();
    Translate(2.5, 0, -0.5);
    if (shaderReady) {
      UseShader(kTintShader);
      SetShaderFloat("time", t);
      SetShaderInt("bands", 12);
    }
    DrawObjectFrame(kColumn, 0);
    UseShader(-1);
    PopTransform();

    // The shadow pass: casters drawn while the special light is on in
    // shadow mode count their volumes; switching it off darkens what they
    // left in shadow.
    SetLight(-3, kShadowColour, kLight[0], kLight[1], kLight[2], 0, 0, 0, 1, 0);
    PushTransform();
    PlaceCube(t);
    DrawObject(kCube, 0, 0, 0, 0);
    PopTransform();
    SetLight(-3, kShadowColour, kLight[0], kLight[1], kLight[2], 0, 0, 0, 0, 0);
    DebugDot(kLight[0], kLight[1], kLight[2], 12, 0x40F0F0);
    End3D();

    PrintText("3D: a stencil shadow from the cube, a GLSL-tinted column", 10, 10, 1);
    if (!shaderReady) PrintText("the shader did not load: media/tint.vert, media/tint.frag", 10, 30, 1);
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
