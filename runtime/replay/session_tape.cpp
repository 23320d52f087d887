// The tape's stage: the switches, installing the tape in the event stream
// and the clock, and taking it out again at shutdown.
#include "runtime/replay/session_tape.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "runtime/switches.h"

namespace orv {

ReplaySettings ReadReplaySettings() {
  const RuntimeSwitches& switches = Switches();
  ReplaySettings s;
  s.recordPath = switches.record;
  s.recordHashes = switches.recordHash;
  s.replayPath = switches.replay;
  s.realSpeed = switches.replaySpeed;
  return s;
}

void InstallTape(RuntimeState& rt, std::unique_ptr<SessionTape> tape) {
  RemoveTape(rt);
  rt.tape = std::move(tape);
  platform::SetTap(rt.tape.get());
  SetClockTap(rt.tape.get());
}

void RemoveTape(RuntimeState& rt) {
  if (!rt.tape) return;
  // Finished while still in place: whatever the last stops read is on it.
  rt.tape->Finish(rt);
  platform::SetTap(nullptr);
  SetClockTap(nullptr);
  rt.tape.reset();
}

bool StartTapeStage(RuntimeState& rt) {
  const ReplaySettings settings = ReadReplaySettings();
  if (settings.recordPath.empty() && settings.replayPath.empty()) return true;
  std::string error;
  const bool replay = !settings.replayPath.empty();
  std::unique_ptr<SessionTape> tape = replay ? MakeReplayer(rt, settings, error)
                                             : MakeRecorder(rt, settings.recordPath, settings.recordHashes, error);
  if (!tape) {
    // A run that was asked to be recorded or replayed does not start as
    // something else: the message says why, and the exit code tells a script.
    const char* what = replay ? "replay: cannot replay" : "record: cannot record into";
    const std::string& path = replay ? settings.replayPath : settings.recordPath;
    std::fprintf(stderr, "%s %s: %s\n", what, path.c_str(), error.c_str());
    LogFormat("%s %s: %s\n", what, path.c_str(), error.c_str());
    rt.exitCode = kExitReplayRefused;
    return false;
  }
  InstallTape(rt, std::move(tape));
  return true;
}

void StopTapeStage(RuntimeState& rt) { RemoveTape(rt); }

void TapeFrame(RuntimeState& rt, FramePhase phase) {
  if (phase == FramePhase::kPresent && rt.tape) rt.tape->Present(rt);
}

int32_t StartingSeed(int32_t fromClock) {
  RuntimeState& rt = Rt();
  return rt.tape ? rt.tape->StartSeed(fromClock) : fromClock;
}

}  // namespace orv
