// Game-facing commands of the sprite store, image arrays and backgrounds:
// convert and forward.
#include <cstring>

#include "gfx2d/command_args.h"
#include "gfx2d/image_codec.h"
#include "orvane/gfx2d.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"

using orv::ToInt32;
using orv::Device;

namespace {

// Loads with the device's colour key; sets error 3 when a named file
// cannot be loaded and 9 for a slot outside the store.
double LoadInto(double slot, const RtString& path, bool asNormalMap) {
  orv::ClearError();
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  const int s = ToInt32(slot);
  if (!orv::OpenGLVexel::IsSpriteSlot(s)) return orv::Fail(orv::kErrOutOfBounds, 0.0);
  if (d->LoadSprite(s, path, static_cast<int32_t>(d->TransparentColor()), asNormalMap)) return 1;
  // An empty path only frees the slot: that is no failure.
  return path.Empty() ? 0 : orv::Fail(orv::kErrNoSuchFile, 0.0);
}

}  // namespace

double LoadSprite(double slot, const RtString& path) { return LoadInto(slot, path, false); }
double LoadNormalMap(double slot, const RtString& path) { return LoadInto(slot, path, true); }

double LoadAnimSprite(double slot, const RtString& path, double frameWidth, double frameHeight) {
  double ok = LoadInto(slot, path, false);
  orv::OpenGLVexel* d = Device();
  const int s = ToInt32(slot);
  if (d && d->IsUsedSprite(s)) d->SetSpriteAnimation(s, ToInt32(frameWidth), ToInt32(frameHeight));
  return ok;
}

void FreeSprite(double slot) {
  if (Device()) Device()->FreeSprite(ToInt32(slot));
}

void FreeAllSprites() {
  if (Device()) Device()->FreeAllSprites();
}

double FindFreeSprite() { return Device() ? Device()->FindFreeSprite() : -1; }

double SpriteWidth(double slot) {
  int w = 0, h = 0;
  if (Device()) Device()->GetSpriteSize(ToInt32(slot), w, h);
  return w;
}

double SpriteHeight(double slot) {
  int w = 0, h = 0;
  if (Device()) Device()->GetSpriteSize(ToInt32(slot), w, h);
  return h;
}

void GetSpriteSize(double slot, double& width, double& height) {
  int w = 0, h = 0;
  if (Device()) Device()->GetSpriteSize(ToInt32(slot), w, h);
  width = w;
  height = h;
}

void GetSpriteSize(double slot, int32_t& width, int32_t& height) {
  double w = 0, h = 0;
  GetSpriteSize(slot, w, h);
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
}

void SetSpriteAnimation(double slot, double frameWidth, double frameHeight) {
  if (Device()) Device()->SetSpriteAnimation(ToInt32(slot), ToInt32(frameWidth), ToInt32(frameHeight));
}

double GrabSprite(double slot, double x, double y, double width, double height) {
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  return d->GrabSprite(ToInt32(slot), ToInt32(x), ToInt32(y), ToInt32(width), ToInt32(height)) ? 1 : 0;
}

void SetTransparentColor(double color) {
  orv::OpenGLVexel* d = Device();
  if (!d) return;
  d->SetTransparentColor(static_cast<uint32_t>(ToInt32(color)));
}

double GetTransparentColor() {
  orv::OpenGLVexel* d = Device();
  return d ? static_cast<int32_t>(d->TransparentColor()) : 0;
}

double SaveSprite(double slot, const RtString& path) {
  orv::OpenGLVexel* d = Device();
  return d && d->SaveSprite(ToInt32(slot), path) ? 1 : 0;
}

double SaveScreen(const RtString& path) {
  orv::OpenGLVexel* d = Device();
  return d && d->SaveScreen(path) ? 1 : 0;
}

// ---- Arrays -----------------------------------------------------------------------

double SpriteFromArray(double slot, const RtArray<int32_t>& pixels, double width, double height) {
  orv::OpenGLVexel* d = Device();
  const int w = ToInt32(width), h = ToInt32(height);
  if (!d || w <= 0 || h <= 0 || pixels.Count() != int64_t{w} * h) return 0;
  orv::PixelImage image;
  if (!image.Resize(w, h)) return 0;
  std::memcpy(image.Data(), pixels.Data(), image.ByteCount());  // 0xAABBGGRR is R, G, B, A in memory
  return d->SpriteFromImage(ToInt32(slot), image, false) ? 1 : 0;
}

double SpriteToArray(double slot, RtArray<int32_t>& pixels) {
  orv::OpenGLVexel* d = Device();
  orv::PixelImage image;
  if (!d || !d->SpriteToImage(ToInt32(slot), image)) return 0;
  pixels.DimExact(image.width, image.height);
  std::memcpy(pixels.Data(), image.Data(), image.ByteCount());
  return 1;
}

double ImageToArray(const RtString& path, RtArray<int32_t>& pixels, double& width, double& height) {
  orv::ClearError();
  orv::OpenGLVexel* d = Device();
  width = height = 0;
  orv::PixelImage image;
  const int32_t key = d ? static_cast<int32_t>(d->TransparentColor()) : 0x8000FF;
  if (!orv::ReadImage(path, key, image)) return orv::Fail(orv::kErrNoSuchFile, 0.0);
  if (!image.hasAlpha) orv::TreatEdges(image);
  pixels.DimExact(image.width, image.height);
  std::memcpy(pixels.Data(), image.Data(), image.ByteCount());
  width = image.width;
  height = image.height;
  return 1;
}

// ---- Backgrounds ------------------------------------------------------------------------

double LoadBackground(const RtString& path) {
  orv::ClearError();
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  if (!d->LoadBackground(0, path)) return orv::Fail(orv::kErrNoSuchFile, 0.0);
  d->DrawBackground(0);
  return 1;
}

void GrabBackground() {
  if (Device()) Device()->GrabBackground(0);
}

double FadeToBackground(const RtString& path, double milliseconds) {
  orv::ClearError();
  orv::OpenGLVexel* d = Device();
  if (!d) return 0;
  d->GrabBackground(2);
  if (!d->LoadBackground(1, path)) {
    d->FreeBackground(2);
    return orv::Fail(orv::kErrNoSuchFile, 0.0);
  }
  // The fraction of the old picture still showing runs from 1 down to 0.
  const double start = orv::ClockMs();
  if (milliseconds > 0) {
    for (;;) {
      const double fraction = 1.0 - (orv::ClockMs() - start) / milliseconds;
      if (!(fraction > 0 && fraction <= 1)) break;
      d->DrawBackgroundFaded(2, static_cast<float>(fraction), true);
      d->DrawBackgroundFaded(1, static_cast<float>(1 - fraction), false);
      d->Flip(nullptr);
      d->Reset2DState();
    }
  }
  d->DrawBackground(1);
  d->GrabBackground(0);
  d->FreeBackground(1);
  d->FreeBackground(2);
  d->Flip(nullptr);
  d->Reset2DState();
  return 1;
}
