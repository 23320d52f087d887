// Game-facing drawing commands: convert and forward.
#include "gfx2d/command_args.h"
#include "orvane/gfx2d.h"

using orv::ArgColor;
using orv::ArgInt;
using orv::Device;

void SetAlphaMode(double mode) {
  if (Device()) Device()->SetAlphaMode(static_cast<float>(mode));
}

void SetAlphaTest(double ref) {
  if (Device()) Device()->SetAlphaTest(static_cast<float>(ref));
}

void DrawSprite(double slot, double x, double y) {
  if (Device()) Device()->DrawSprite(ArgInt(slot), ArgInt(x), ArgInt(y));
}

void StretchSprite(double slot, double x, double y, double width, double height) {
  if (Device()) Device()->StretchSprite(ArgInt(slot), ArgInt(x), ArgInt(y), ArgInt(width), ArgInt(height));
}

void ZoomSprite(double slot, double x, double y, double scaleX, double scaleY) {
  if (Device()) Device()->ZoomSprite(ArgInt(slot), ArgInt(x), ArgInt(y), scaleX, scaleY);
}

void RotoZoomSprite(double slot, double x, double y, double angle, double zoom) {
  if (Device()) Device()->RotoZoomSprite(ArgInt(slot), ArgInt(x), ArgInt(y), angle, zoom);
}

void RotateSprite(double slot, double x, double y, double angle) {
  if (Device()) Device()->RotateSprite(ArgInt(slot), ArgInt(x), ArgInt(y), angle);
}

void DrawAnimFrame(double slot, double frame, double x, double y) {
  if (Device()) Device()->DrawAnimFrame(ArgInt(slot), ArgInt(frame), ArgInt(x), ArgInt(y));
}

void StretchAnimFrame(double slot, double frame, double x, double y, double width, double height) {
  if (Device())
    Device()->StretchAnimFrame(ArgInt(slot), ArgInt(frame), ArgInt(x), ArgInt(y), ArgInt(width), ArgInt(height));
}

void RotoZoomAnimFrame(double slot, double frame, double x, double y, double angle, double zoom) {
  if (Device()) Device()->RotoZoomAnimFrame(ArgInt(slot), ArgInt(frame), ArgInt(x), ArgInt(y), angle, zoom);
}

void DrawRect(double x, double y, double width, double height, double color) {
  if (Device()) Device()->DrawRect(ArgInt(x), ArgInt(y), ArgInt(width), ArgInt(height), ArgColor(color));
}

void DrawLine(double x1, double y1, double x2, double y2, double color) {
  if (Device()) Device()->DrawLine(ArgInt(x1), ArgInt(y1), ArgInt(x2), ArgInt(y2), ArgColor(color));
}

void SetPixel(double x, double y, double color) {
  if (Device()) Device()->SetPixel(ArgInt(x), ArgInt(y), ArgColor(color));
}

double GetPixel(double x, double y) { return Device() ? Device()->GetPixel(ArgInt(x), ArgInt(y)) : 0; }

void StartPoly(double slot, double kind) {
  if (Device()) Device()->StartPoly(ArgInt(slot), ArgInt(kind));
}

void PolyVertex(double x, double y, double u, double v, double color) {
  if (Device())
    Device()->PolyVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(u), static_cast<float>(v),
                         ArgColor(color));
}

void PolyNewStrip() {
  if (Device()) Device()->PolyNewStrip();
}

void EndPoly() {
  if (Device()) Device()->EndPoly();
}
