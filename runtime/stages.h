// The runtime's life cycle as one ordered table of stages. Start-up walks the
// table forwards, shutdown walks the started part backwards, so every stage
// is undone exactly once and in the reverse of its start. A stage that needs
// to run every frame or to follow the main window registers a hook in its
// entry instead of being called by hand from the main loop or another
// subsystem.
#pragma once

#include <cstdint>
#include <span>

namespace orv {

struct RuntimeState;

namespace platform {
class Window;
}

// When a frame hook runs. The first three are points of ShowScreen, in the
// order of the frame: input is sampled before the quit keys are checked,
// the present comes between the second and the third.
enum class FramePhase {
  kPoll,            // sample input (also once per round of the pause wait)
  kBeforePresent,   // close what must not reach the screen half done
  kAfterPresent,    // reset per-frame drawing state for the next frame
  kMessages,        // start of every message pump (ProcessMessages), also in waits
  kBeforeViewport,  // the game moves the 2D viewport: close what covers the old one
};

struct Stage {
  const char* name;     // what tests and fixtures start up to
  const char* logLine;  // logged before `start`; null when the stage logs nothing of its own
  // False when the stage could not start; it has then undone its own part.
  bool (*start)(RuntimeState& rt);
  void (*stop)(RuntimeState& rt);  // null when there is nothing to undo
  void (*onFrame)(RuntimeState& rt, FramePhase phase) = nullptr;
  void (*onWindowChanged)(RuntimeState& rt, platform::Window* window) = nullptr;
};

// The runtime's stages in start order.
std::span<const Stage> RuntimeStages();

// Starts the stages not yet started, in order, up to and including the one
// named `upTo` (every stage when null). When a stage fails, the stages this
// call started are stopped again in reverse order and the result is false;
// an unknown name starts nothing and is false too.
bool StartStages(const char* upTo = nullptr);
// Stops every started stage, the last started first. Each stage counts as
// stopped before its stop runs, so an end request from inside a stop goes on
// with the stages below it and never repeats one. A second call does nothing.
void StopStages();
// How many stages have started (the index of the next one to start).
int32_t StartedStages();

// Runs the frame hooks of the started stages for one phase, in table order.
void RunFrameHooks(FramePhase phase);
// The main window was replaced or changed its size or mode: records it and
// tells every started stage that follows the window.
void NotifyWindowChanged(platform::Window* window);

}  // namespace orv
