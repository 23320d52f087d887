// Recording a run and replaying it exactly.
//
// A run is fully decided by the game's code and what it receives from
// outside: the platform's events and the few states read beside them
// (platform::Tap), the clock's readings and the frames' waits (ClockTap), and
// the random seed the runtime starts from. A recording notes all of it, frame
// by frame, into a file (runtime/replay/recording_format.h); a replay stands
// in the same two places and hands the run the noted values instead, so the
// game takes the same path and draws the same frames, as fast as the machine
// allows or at the recorded speed. With frame hashes in the recording, the
// replay compares every presented frame and stops at the first that differs.
//
// What lies outside those two places is not recorded: network traffic, the
// files the game reads (they are read again), the sound device's timing
// (sound and music state, movies). The subsystems concerned note their use
// (replay_notes.h) and a replay says plainly what it cannot reproduce.
//
// The tape is a stage of its own, started right after the clock and before
// the window, so it sees everything from the first reading on; its present
// hook runs in every flip. While neither switch is set nothing is installed
// and the event stream and the clock go straight to the system.
//
// Depends on: platform/ (events, the tap), runtime/ (clock, stages, log),
// gfx2d/ (the presented frame, a picture of a differing frame).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/events.h"
#include "runtime/clock.h"
#include "runtime/stages.h"

namespace orv {

struct RuntimeState;

// The environment switches of recording and replay, read once at start-up.
struct ReplaySettings {
  std::string recordPath;     // ORVANE_RECORD=FILE: record this run into FILE
  bool recordHashes = false;  // ORVANE_RECORD_HASH=1: with a hash of every presented frame
  std::string replayPath;     // ORVANE_REPLAY=FILE: run on FILE's input instead of the system's
  bool realSpeed = false;     // ORVANE_REPLAY_SPEED=1: at the recorded speed, not as fast as possible
};
ReplaySettings ReadReplaySettings();

// Exit codes of a replay: 0 when it followed its recording to the end.
constexpr int32_t kExitReplayDiffers = 1;  // a frame, the clock or the end differed
constexpr int32_t kExitReplayRefused = 2;  // the recording could not be used (or written)

class SessionTape : public platform::Tap, public ClockTap {
 public:
  // The present hook: the finished frame, before it is shown.
  virtual void Present(RuntimeState& rt) = 0;
  // The seed the random generator starts from, given the one the clock made.
  virtual int32_t StartSeed(int32_t seed) = 0;
  // The program shuts down: the last records are written, or the replay reports.
  virtual void Finish(RuntimeState& rt) = 0;
};

// A recorder writing to `path`; null with `error` when the file cannot be made.
std::unique_ptr<SessionTape> MakeRecorder(RuntimeState& rt, const std::string& path, bool frameHashes,
                                          std::string& error);
// A replayer of the file at settings.replayPath (recording again into
// settings.recordPath when that is set too); null with `error` when the
// recording cannot be used.
std::unique_ptr<SessionTape> MakeReplayer(RuntimeState& rt, const ReplaySettings& settings, std::string& error);

// Puts the tape in both places and into rt.tape; RemoveTape finishes it and
// takes it out again.
void InstallTape(RuntimeState& rt, std::unique_ptr<SessionTape> tape);
void RemoveTape(RuntimeState& rt);

// The stage table's entry.
bool StartTapeStage(RuntimeState& rt);
void StopTapeStage(RuntimeState& rt);
void TapeFrame(RuntimeState& rt, FramePhase phase);

// The seed the runtime starts its random generator with: `fromClock`, or the
// recorded one in a replay.
int32_t StartingSeed(int32_t fromClock);

}  // namespace orv
