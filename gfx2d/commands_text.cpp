// Game-facing commands of bitmap fonts and text: convert and forward. The
// print and measure commands use the runtime's current font.
#include <cstring>

#include "gfx2d/command_args.h"
#include "orvane/gfx2d.h"
#include "runtime/error_state.h"

using orv::Device;
using orv::OpenGLVexel;
using orv::ToInt32;

namespace {
// The text as a plain string: up to its first zero byte.
int PlainLength(const RtString& text) {
  const void* zero = std::memchr(text.CStr(), 0, static_cast<size_t>(text.Length()));
  return zero ? static_cast<int>(static_cast<const char*>(zero) - text.CStr()) : text.Length();
}
}  // namespace

double LoadFont(double font, const RtString& path) {
  orv::ClearError();
  OpenGLVexel* d = Device();
  if (!d) return 0;
  const int f = ToInt32(font);
  if (path.Empty()) {
    // Only empties the slot: no error, the current font stays.
    d->LoadFont(f, path);
    return 0;
  }
  if (!OpenGLVexel::IsFont(f)) return orv::Fail(orv::kErrOutOfMemory, 0.0);
  orv::Rt().currentFont = f;
  if (d->LoadFont(f, path)) return 1;
  // Text stays readable: the slot gets the built-in font instead.
  d->InstallBuiltinFont(f);
  return orv::Fail(orv::kErrNoSuchFile, 0.0);
}

void SetCurrentFont(double font) {
  const int f = ToInt32(font);
  if (!OpenGLVexel::IsFont(f)) return orv::Fail(orv::kErrOutOfMemory);
  orv::Rt().currentFont = f;
}

double GetCurrentFont() { return orv::Rt().currentFont; }

void PrintText(const RtString& text, double x, double y, double proportional) {
  if (Device()) Device()->PrintText(orv::Rt().currentFont, text.CStr(), text.Length(), x, y, 0, proportional != 0);
}

double TextWidth(const RtString& text, double proportional) {
  OpenGLVexel* d = Device();
  return d ? d->TextWidth(orv::Rt().currentFont, text.CStr(), PlainLength(text), proportional != 0) : 0;
}

void GetFontCellSize(double font, double& width, double& height) {
  int w = 0, h = 0;
  if (Device()) Device()->GetFontCellSize(ToInt32(font), w, h);
  width = w;
  height = h;
}

void GetFontCellSize(double font, int32_t& width, int32_t& height) {
  double w = 0, h = 0;
  GetFontCellSize(font, w, h);
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
}

double FindFreeFont() { return Device() ? Device()->FindFreeFont() : -1; }
