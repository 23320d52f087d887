// Game-facing commands of off-screen surfaces and sprite collision: convert
// and forward.
#include "gfx2d/command_args.h"
#include "orvane/gfx2d.h"

using orv::Device;
using orv::ToInt32;

void CreateSurface(double index, double slot, double width, double height) {
  if (Device()) Device()->CreateSurface(ToInt32(index), ToInt32(slot), ToInt32(width), ToInt32(height));
}

void UseSurface(double index) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  const int i = ToInt32(index);
  if (i < 0) {
    d->EndSurface();
  } else {
    d->UseSurface(i);
  }
}

void EndSurface() {
  if (Device()) Device()->EndSurface();
}

void ReleaseSurface(double index) {
  if (Device()) Device()->ReleaseSurfaceAt(ToInt32(index));
}

double SpritesCollide(double spriteA, double xA, double yA, double spriteB, double xB, double yB) {
  orv::OpenGLVexel* d = Device();
  return d && d->SpritesCollide(ToInt32(spriteA), ToInt32(xA), ToInt32(yA), ToInt32(spriteB), ToInt32(xB),
                                ToInt32(yB))
             ? 1
             : 0;
}

double AnimFramesCollide(double spriteA, double frameA, double xA, double yA, double spriteB, double frameB,
                         double xB, double yB) {
  orv::OpenGLVexel* d = Device();
  return d && d->AnimFramesCollide(ToInt32(spriteA), ToInt32(frameA), ToInt32(xA), ToInt32(yA), ToInt32(spriteB),
                                   ToInt32(frameB), ToInt32(xB), ToInt32(yB))
             ? 1
             : 0;
}
