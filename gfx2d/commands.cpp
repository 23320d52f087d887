// Game-facing commands of the 2D device: convert and forward.
#include "orvane/gfx2d.h"

#include "gfx2d/command_args.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

using orv::Device;

void SetScreen(double width, double height, double fullscreen) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  d->SetScreenSize(orv::ToInt32(width), orv::ToInt32(height), 0, orv::ToInt32(fullscreen) != 0);
  orv::NotifyWindowChanged(d->Window());
  // A few frames let the window system settle on the new size before the
  // game draws its first frame into it.
  for (int i = 0; i < 5; ++i) d->Flip(nullptr);
}

double ScreenWidth() {
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  int width = 0, height = 0;
  d->TargetSize(width, height);
  return width;
}

double ScreenHeight() {
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  int width = 0, height = 0;
  d->TargetSize(width, height);
  return height;
}

double DesktopWidth() { return orv::Rt().desktopWidth; }
double DesktopHeight() { return orv::Rt().desktopHeight; }

void SetClearColor(double color) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  d->FreeBackground(0);
  d->SetClearColor(orv::ToInt32(color));
}

void SetSmoothing(double on) {
  if (Device()) Device()->SetSmoothing(on != 0);
}

void SetViewport(double x, double y, double width, double height) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  orv::RunFrameHooks(orv::FramePhase::kBeforeViewport);
  d->SetViewport(orv::ToInt32(x), orv::ToInt32(y), orv::ToInt32(width), orv::ToInt32(height));
}

void GetViewport(double& x, double& y, double& width, double& height) {
  int vx = 0, vy = 0, vw = 0, vh = 0;
  if (Device()) Device()->GetViewport(vx, vy, vw, vh);
  x = vx;
  y = vy;
  width = vw;
  height = vh;
}

void SetOrientation(double quarterTurns) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  d->SetOrientation(orv::ToInt32(quarterTurns));
  d->SetViewport(0, 0, 0, 0);
}

double GetOrientation() { return Device() ? Device()->Orientation() : 0; }
