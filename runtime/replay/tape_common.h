// What the recorder and the replayer share: how message pumps are counted,
// how windows are named in events, and the presented frame's hash.
#pragma once

#include <cstdint>

#include "gl/pixel_image.h"
#include "runtime/replay/recording_format.h"

namespace orv {

struct RuntimeState;

// Counts the message pumps of a period (the time between two presented
// frames). The pumps of the wait at the end of a flip count once: how often
// the system is asked while the clock runs down depends on the machine, not
// on the game, and nothing of the game runs between them.
class PumpPoints {
 public:
  void Pumped() {
    if (!waiting_ || !waitPumped_) ++point_;
    if (waiting_) waitPumped_ = true;
  }
  void BeginWait() {
    waiting_ = true;
    waitPumped_ = false;
  }
  void EndWait() { waiting_ = false; }
  void NewPeriod() { point_ = 0; }
  uint32_t Point() const { return point_; }

 private:
  uint32_t point_ = 0;
  bool waiting_ = false, waitPumped_ = false;
};

// The game's window is named as such, so a replay aims its events at its own.
WindowRef WindowRefOf(const RuntimeState& rt, uint32_t windowId);
uint32_t WindowIdOf(const RuntimeState& rt, WindowRef ref, uint32_t recordedId);
// The game window's client size now; 0 x 0 without one.
void GameWindowSize(const RuntimeState& rt, int32_t& width, int32_t& height);
// Reads back the frame about to be shown and hashes it; false without a window.
bool HashPresentedFrame(RuntimeState& rt, PixelImage& frame, uint64_t& hash);

}  // namespace orv
