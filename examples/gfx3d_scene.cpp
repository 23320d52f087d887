// A small 3D scene: a cube and an animated pyramid built in code, the
// pyramid saved as a .ddd file and loaded back into a second slot, a ring of
// them under a camera that circles the middle, with linear fog
// fading the far ones into the background. Escape ends it.
#include <cmath>

#include "orvane/orvane.h"

namespace {

constexpr double kFogColour = 0x403020;  // 0x00BBGGRR: a dusky blue

// One triangle, corners given as (x, y, z) triples, in one colour.
void Triangle(const double (&c)[9], double colour) {
  AddVertex(c[0], c[1], c[2], 0, 0, colour);
  AddVertex(c[3], c[4], c[5], 1, 0, colour);
  AddVertex(c[6], c[7], c[8], 1, 1, colour);
}

// A cube of edge 1 around the origin, a colour per face.
void BuildCube(double slot) {
  StartObject(slot, 0);
  const double colours[6] = {0x3030E0, 0x30E030, 0xE03030, 0x30E0E0, 0xE030E0, 0xE0E030};
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = -1; side <= 1; side += 2) {
      // The four corners of this face, in order around it.
      double p[4][3];
      for (int k = 0; k < 4; ++k) {
        const double a = (k == 1 || k == 2) ? 0.5 : -0.5, b = (k >= 2) ? 0.5 : -0.5;
        p[k][axis] = 0.5 * side;
        p[k][(axis + 1) % 3] = a;
        p[k][(axis + 2) % 3] = b;
      }
      const double colour = colours[axis * 2 + (side > 0)];
      Triangle({p[0][0], p[0][1], p[0][2], p[1][0], p[1][1], p[1][2], p[2][0], p[2][1], p[2][2]}, colour);
      Triangle({p[0][0], p[0][1], p[0][2], p[2][0], p[2][1], p[2][2], p[3][0], p[3][1], p[3][2]}, colour);
    }
  }
  EndObject();
}

// A four-sided pyramid whose apex rises from frame 0 to frame 1.
void BuildPyramid(double slot) {
  StartObject(slot, 0);
  for (int frame = 0; frame < 2; ++frame) {
    SetBuildFrame(frame);
    const double top = frame == 0 ? 0.4 : 1.4;
    const double base[4][2] = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
    for (int k = 0; k < 4; ++k) {
      const auto& a = base[k];
      const auto& b = base[(k + 1) % 4];
      Triangle({a[0], 0, a[1], b[0], 0, b[1], 0, top, 0}, k % 2 ? 0x20A0F0 : 0x1070C0);
    }
  }
  EndObject();
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 800;
  settings.height = 600;
  settings.frameRate = 60;
  RtString caption("3D scene");
  settings.caption.Exchange(caption);
}

double GameMain() {
  BuildCube(0);
  BuildPyramid(1);
  // The pyramid goes through a file and back: what a game ships as .ddd.
  const RtString file = PlatformInfo("TEMP") + "pyramid.ddd";
  SaveObject(file, 1);
  LoadObject(file, 2);
  SetClearColor(kFogColour);

  for (;;) {
    const double t = ElapsedMs() / 1000.0;
    Begin3D(1, 60, 60);
    SetCamera(12 * std::sin(t * 0.3), 4, 12 * std::cos(t * 0.3), 0, 0, 0);
    SetFog(kFogColour, 0, 8, 30);
    SetDepthTest(1);
    for (int i = 0; i < 12; ++i) {
      const double angle = i * 30 * 3.14159265 / 180;
      PushTransform();
      Translate(8 * std::cos(angle), 0, 8 * std::sin(angle));
      Rotate(t * 40 + i * 30, 0, 1, 0);
      if (i % 2) DrawObject(2, 0, 1, 0.5 + 0.5 * std::sin(t * 2 + i), 1);
      else DrawObjectFrame(0, 0);
      PopTransform();
    }
    Scale(2, 2, 2);  // Scale and Translate start a level afresh: rotations come after
    Rotate(t * 60, 0, 1, 0);
    DrawObjectFrame(0, 0);
    End3D();
    PrintText("3D scene: built and loaded models, fog, a circling camera", 10, 10, 1);
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
