// Game-facing drawing commands: convert and forward.
#include "gfx2d/command_args.h"
#include "orvane/gfx2d.h"

using orv::ToInt32;
using orv::Device;

void SetAlphaMode(double mode) {
  if (Device()) Device()->SetAlphaMode(static_cast<float>(mode));
}

void SetAlphaTest(double ref) {
  if (Device()) Device()->SetAlphaTest(static_cast<float>(ref));
}

void DrawSprite(double slot, double x, double y) {
  if (Device()) Device()->DrawSprite(ToInt32(slot), ToInt32(x), ToInt32(y));
}

void StretchSprite(double slot, double x, double y, double width, double height) {
  if (Device()) Device()->StretchSprite(ToInt32(slot), ToInt32(x), ToInt32(y), ToInt32(width), ToInt32(height));
}

void ZoomSprite(double slot, double x, double y, double scaleX, double scaleY) {
  if (Device()) Device()->ZoomSprite(ToInt32(slot), ToInt32(x), ToInt32(y), scaleX, scaleY);
}

void RotoZoomSprite(double slot, double x, double y, double angle, double zoom) {
  if (Device()) Device()->RotoZoomSprite(ToInt32(slot), ToInt32(x), ToInt32(y), angle, zoom);
}

void RotateSprite(double slot, double x, double y, double angle) {
  if (Device()) Device()->RotateSprite(ToInt32(slot), ToInt32(x), ToInt32(y), angle);
}

void DrawAnimFrame(double slot, double frame, double x, double y) {
  if (Device()) Device()->DrawAnimFrame(ToInt32(slot), ToInt32(frame), ToInt32(x), ToInt32(y));
}

void StretchAnimFrame(double slot, double frame, double x, double y, double width, double height) {
  if (Device())
    Device()->StretchAnimFrame(ToInt32(slot), ToInt32(frame), ToInt32(x), ToInt32(y), ToInt32(width), ToInt32(height));
}

void RotoZoomAnimFrame(double slot, double frame, double x, double y, double angle, double zoom) {
  if (Device()) Device()->RotoZoomAnimFrame(ToInt32(slot), ToInt32(frame), ToInt32(x), ToInt32(y), angle, zoom);
}

void DrawRect(double x, double y, double width, double height, double color) {
  if (Device()) Device()->DrawRect(ToInt32(x), ToInt32(y), ToInt32(width), ToInt32(height), ToInt32(color));
}

void DrawLine(double x1, double y1, double x2, double y2, double color) {
  if (Device()) Device()->DrawLine(ToInt32(x1), ToInt32(y1), ToInt32(x2), ToInt32(y2), ToInt32(color));
}

void SetPixel(double x, double y, double color) {
  if (Device()) Device()->SetPixel(ToInt32(x), ToInt32(y), ToInt32(color));
}

double GetPixel(double x, double y) { return Device() ? Device()->GetPixel(ToInt32(x), ToInt32(y)) : 0; }

void StartPoly(double slot, double kind) {
  if (Device()) Device()->StartPoly(ToInt32(slot), ToInt32(kind));
}

void PolyVertex(double x, double y, double u, double v, double color) {
  if (Device())
    Device()->PolyVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(u), static_cast<float>(v),
                         ToInt32(color));
}

void PolyNewStrip() {
  if (Device()) Device()->PolyNewStrip();
}

void EndPoly() {
  if (Device()) Device()->EndPoly();
}

void FlushDrawing() {
  if (Device()) Device()->FlushDrawing();
}
