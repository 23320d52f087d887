// RuntimeState: the one process-wide record of the runtime. Subsystems reach
// the objects it owns through it; nothing else in the runtime is global
// except the caches that belong to a subsystem's own file.
#pragma once

#include <cstdint>

#include "orvane/program.h"
#include "orvane/rt_string.h"
#include "runtime/program_entry.h"

namespace orv {

struct RuntimeState {
  ProjectSettings settings;  // filled by the game's GameSettings before start-up
  GameProgram game;          // the game's own functions
  RtString commandLine;      // the whole command line, program name included

  // Time in milliseconds of the clock.
  double startTime = 0;
  double prevFrameTime = 0;
  double frameTime = 0;

  // Error state.
  int32_t lastError = 0;
  int32_t errorLine = 0;
  int32_t currentLine = 0;
  int32_t currentModule = 0;

  // Life cycle and the frame.
  bool runtimeActive = false;
  bool endInProgress = false;
  int32_t quitRaised = 0;
  bool paused = false;
  int32_t activateRequest = 0;
  bool escapeQuits = true;
  int32_t keyReads = 0;
  int32_t currentFont = 0;
  RtString windowCaption;
};

RuntimeState& Rt();

}  // namespace orv
