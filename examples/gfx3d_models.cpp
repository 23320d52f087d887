// Models, lights and picking in 3D: a ball that swells into a star and
// back, drawn blended between its two frames, lit by a directional, a point
// and a spot light (the point light shown where it is); a second one beside it in the
// cartoon light mode and a third in the bump mode, over a striped normal map. The triangle under the mouse is found with a ray from
// the screen and outlined. Escape ends it.
#include <cmath>

#include "orvane/orvane.h"

namespace {

constexpr double kBall = 0;
constexpr double kNormalMap = 1;  // sprite slot of the bump mode's normal map
constexpr double kSky = 0x302018;  // 0x00BBGGRR
constexpr double kPi = 3.14159265358979;
constexpr int kRings = 10, kSegments = 16;

// A point on the unit sphere; frame 1 pushes every other ring and segment
// outward, so blending the frames grows spikes.
void SpherePoint(int ring, int segment, int frame, double (&p)[3]) {
  const double lat = kPi * ring / kRings, lon = 2 * kPi * segment / kSegments;
  const double r = frame == 1 && ring % 2 == 1 && segment % 2 == 0 ? 1.6 : 1.0;
  p[0] = r * std::sin(lat) * std::cos(lon);
  p[1] = r * std::cos(lat);
  p[2] = -r * std::sin(lat) * std::sin(lon);
}

void BuildBall(double slot) {
  StartObject(slot, 0);
  for (int frame = 0; frame < 2; ++frame) {
    SetBuildFrame(frame);
    for (int ring = 0; ring < kRings; ++ring) {
      for (int seg = 0; seg < kSegments; ++seg) {
        double a[3], b[3], c[3], d[3];
        SpherePoint(ring, seg, frame, a);
        SpherePoint(ring + 1, seg, frame, b);
        SpherePoint(ring + 1, seg + 1, frame, c);
        SpherePoint(ring, seg + 1, frame, d);
        const double colour = (ring + seg) % 2 ? 0xE0E0E0 : 0xC0D8F0;
        for (const double* q : {a, c, b, a, d, c}) AddVertex(q[0], q[1], q[2], 0, 0, colour);
      }
    }
  }
  EndObject();
}

// The ball's place this frame.
void PlaceBall(double x, double t) {
  Translate(x, 0, 0);
  Rotate(t * 25, 0, 1, 0);
}

// Outlines the picked triangle as drawn: its corners blended like the model
// and carried through the object transform by hand, since debug lines are
// drawn in world space.
void OutlineTriangle(double triangle, double tween) {
  RtArray<double> a, b, m;
  GetFace(kBall, 0, triangle, a);
  GetFace(kBall, 1, triangle, b);
  CurrentTransform(m);
  double w[3][3];
  for (int corner = 0; corner < 3; ++corner) {
    double p[3];
    for (int k = 0; k < 3; ++k) p[k] = a.At(corner, k) + (b.At(corner, k) - a.At(corner, k)) * tween;
    for (int r = 0; r < 3; ++r) w[corner][r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
  }
  for (int k = 0; k < 3; ++k) {
    const double* p = w[k];
    const double* q = w[(k + 1) % 3];
    DebugLine(p[0], p[1], p[2], q[0], q[1], q[2], 4, 0x00FFFF);
  }
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 800;
  settings.height = 600;
  settings.frameRate = 60;
  RtString caption("3D models, lights and picking");
  settings.caption.Exchange(caption);
}

double GameMain() {
  BuildBall(kBall);
  // A normal map drawn into a sprite: stripes of normals tilted left, facing
  // out and tilted right (x, y, z as red, green, blue around 128).
  CreateSurface(0, kNormalMap, 64, 64);
  UseSurface(0);
  const double stripes[3] = {0xEE8040, 0xFF8080, 0xEE80BF};  // 0x00BBGGRR
  for (int i = 0; i < 8; ++i) DrawRect(i * 8, 0, 8, 64, stripes[i % 3]);
  EndSurface();
  SetClearColor(kSky);
  double startX = -1, startY = -1;
  bool mouseMoved = false;

  for (;;) {
    const double t = ElapsedMs() / 1000.0;
    const double tween = 0.5 + 0.5 * std::sin(t * 1.5);
    Begin3D(0.5, 100, 60);
    SetCamera(0, 2.5, 8, 0.8, 0, 0);
    SetDepthTest(1);
    SetCullMode(0);

    // Three kinds of light: a dim directional one from above, a red point
    // light circling the ball and a blue-white spot aimed at it from the left.
    SetLight(0, 0x909090, 0, 0, 0, 0.3, 1, 0.5, 180, 0);
    const double px = 2.5 * std::cos(t), pz = 2.5 * std::sin(t);
    SetLight(1, 0x3030FF, px, 0.5, pz, 0, 0, 0, 120, 1);
    SetLight(2, 0xFFC080, -4, 3, 2, 4, -3, -2, 20, 0);

    PushTransform();
    PlaceBall(0, t);
    DrawObject(kBall, 0, 1, tween, 1);
    PopTransform();

    // The cartoon mode: the special light shades in flat bands.
    SetLight(-2, 0xFFFFFF, 4, 4, 6, 0, 0, 0, 1, 0);
    PushTransform();
    PlaceBall(3.5, -t);
    DrawObject(kBall, 0, 1, 1 - tween, 1);
    PopTransform();
    SetLight(-2, 0xFFFFFF, 4, 4, 6, 0, 0, 0, 0, 0);

    // The bump mode: the special light alone shades the normal map's stripes.
    for (int light = 0; light < 3; ++light) SetLight(light, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    SetTexture3D(kNormalMap, -1);
    SetLight(-1, 0xFFFFFF, 4 * std::cos(t), 3, 6, 0, 0, 0, 1, 0);
    PushTransform();
    PlaceBall(-3.2, t);
    DrawObject(kBall, 0, 1, tween, 1);
    PopTransform();
    SetLight(-1, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0);
    SetTexture3D(-1, -1);

    // Picking: a ray from the eye through the mouse (the screen's middle
    // until the mouse first moves), tested against the frame nearer the blend.
    double mx, my, left, right;
    MouseState(mx, my, left, right);
    if (startX < 0) startX = mx, startY = my;
    mouseMoved = mouseMoved || mx != startX || my != startY;
    if (!mouseMoved) mx = 400, my = 300;
    double nx, ny, nz, fx, fy, fz;
    if (ScreenToWorld(mx, my, 0, nx, ny, nz) && ScreenToWorld(mx, my, 1, fx, fy, fz)) {
      double dx = fx - nx, dy = fy - ny, dz = fz - nz;
      const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
      dx /= length, dy /= length, dz /= length;
      PushTransform();
      PlaceBall(0, t);
      const double distance = CollideRay(kBall, tween < 0.5 ? 0 : 1, nx, ny, nz, dx, dy, dz);
      if (distance > 0) {
        OutlineTriangle(LastHitTriangle(), tween);
        DebugDot(nx + dx * distance, ny + dy * distance, nz + dz * distance, 8, 0x00FFFF);
      }
      PopTransform();
    }
    End3D();

    PrintText("3D: a model blended between frames, three lights, cartoon and bump copies", 10, 10, 1);
    PrintText("move the mouse over the left ball to pick a triangle", 10, 30, 1);
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
