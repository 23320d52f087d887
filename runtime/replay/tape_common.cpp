#include "runtime/replay/tape_common.h"

#include "gfx2d/opengl_vexel.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {
const platform::Window* GameWindow(const RuntimeState& rt) { return rt.device ? rt.device->Window() : nullptr; }
}  // namespace

WindowRef WindowRefOf(const RuntimeState& rt, uint32_t windowId) {
  if (windowId == 0) return WindowRef::kNone;
  const platform::Window* w = GameWindow(rt);
  return w && w->Id() == windowId ? WindowRef::kMain : WindowRef::kOther;
}

uint32_t WindowIdOf(const RuntimeState& rt, WindowRef ref, uint32_t recordedId) {
  switch (ref) {
    case WindowRef::kNone: return 0;
    case WindowRef::kMain: {
      const platform::Window* w = GameWindow(rt);
      return w ? w->Id() : recordedId;
    }
    case WindowRef::kOther: return recordedId;
  }
  return recordedId;
}

void GameWindowSize(const RuntimeState& rt, int32_t& width, int32_t& height) {
  width = height = 0;
  if (const platform::Window* w = GameWindow(rt)) {
    const platform::Rect r = w->ClientRect();
    width = r.w;
    height = r.h;
  }
}

bool HashPresentedFrame(RuntimeState& rt, PixelImage& frame, uint64_t& hash) {
  hash = 0;
  if (!rt.device || !rt.device->ReadPresentedFrame(frame)) return false;
  hash = FrameHash(frame.Data(), frame.width, frame.height);
  return true;
}

}  // namespace orv
