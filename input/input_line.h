// InputLine: a one-line text editor drawn over the frozen screen.
#pragma once

#include "orvane/rt_string.h"

namespace orv {

class OpenGLVexel;

// Lets the user edit `text` at (x, y) until Return: typed characters are
// appended, Backspace removes the last one, a "_" cursor blinks. Every pass
// is one frame (ShowScreen), so the quit keys and the pause loop act as in
// any game loop. Returns the edited text.
RtString InputLine(const RtString& text, float x, float y, bool kerning);

// How the editor shows itself. The screen as it was when editing began is
// grabbed once into the device's background slot 3 and redrawn every pass
// with the line printed over it in the current font; the slot is freed at
// the end. All drawing of InputLine goes through these three calls.
class InputLineView {
 public:
  static constexpr int kBackgroundSlot = 3;
  explicit InputLineView(OpenGLVexel* device) : device_(device) {}
  void Grab();
  void Draw(const RtString& line, float x, float y, bool kerning);
  void Release();

 private:
  OpenGLVexel* device_;
};

}  // namespace orv
