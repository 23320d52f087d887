// The screen's quarter turns: where a point of the game's (logical) screen
// lands on the physical one, and back. Only the window turns; surfaces are
// drawn upright, so the device asks for the target's turns when drawing.
#pragma once

namespace orv {

class ScreenOrientation {
 public:
  // 0..3 quarter turns; the caller keeps the value in range.
  int Turns() const { return turns_; }
  void Set(int quarterTurns) { turns_ = quarterTurns; }
  // The logical screen's width and height for a physical w x h screen.
  int LogicalWidth(int w, int h) const { return (turns_ & 1) ? h : w; }
  int LogicalHeight(int w, int h) const { return (turns_ & 1) ? w : h; }
  // Logical point to physical pixel on a physical screen of w x h, and back.
  void OrientPoint(int& x, int& y, int w, int h) const;
  void UnorientPoint(int& x, int& y, int w, int h) const;
  void RotateVector(int& dx, int& dy) const;

  // A copying surface draws in the window's upright corner: the turns are
  // put aside while it is in use and restored when it ends.
  void PutAside() {
    saved_ = turns_;
    turns_ = 0;
  }
  void Restore() { turns_ = saved_; }

 private:
  int turns_ = 0;
  int saved_ = 0;
};

}  // namespace orv
