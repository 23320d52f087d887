#include "input/input_line.h"

#include "gfx2d/opengl_vexel.h"
#include "input/dx_input.h"
#include "runtime/main_loop.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {
constexpr int kBlinkPasses = 20;  // passes without a key between cursor toggles
}

RtString InputLine(const RtString& initial, float x, float y, bool kerning) {
  RuntimeState& rt = Rt();
  RtString text = initial;
  if (!rt.input) return text;
  InputLineView view(rt.device.get());
  view.Grab();
  view.Draw(text, x, y, kerning);
  ShowScreen();
  int idle = 0;
  bool cursor = false;
  // The input object lives until shutdown, and shutdown never returns here.
  DXInput* in = rt.input.get();
  for (;;) {
    in->PollKeyboard();
    int c = in->TakeTypedChar();
    if (c == 10 || c == 13) break;
    if (c == 8) {
      if (text.Length() > 0) text.Truncate(text.Length() - 1);
    } else if (c > 0) {
      text += static_cast<char>(c);
    } else if (++idle > kBlinkPasses) {
      idle = 0;
      cursor = !cursor;
    }
    view.Draw(cursor ? text + "_" : text, x, y, kerning);
    ShowScreen();
  }
  view.Release();
  return text;
}

void InputLineView::Grab() {
  if (device_) device_->GrabBackground(kBackgroundSlot);
}

void InputLineView::Draw(const RtString& line, float x, float y, bool kerning) {
  if (!device_) return;
  device_->DrawBackground(kBackgroundSlot);
  device_->PrintText(Rt().currentFont, line.CStr(), line.Length(), x, y, 0, kerning);
}

void InputLineView::Release() {
  if (device_) device_->FreeBackground(kBackgroundSlot);
}

}  // namespace orv
