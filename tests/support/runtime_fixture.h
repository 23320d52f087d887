// The real runtime, started through its own stage table up to a named stage
// (see runtime/stages.cpp for the names), so a test gets exactly what a game
// has at that point of start-up: hooks, window and all. The settings are the
// game's; set them before starting.
#pragma once

#include <gtest/gtest.h>

#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orvtest {

// Starts the stages not yet started, up to and including `stage`. A test
// may call it again with a later stage after preparing something between.
inline void StartRuntimeUpTo(const char* stage) { ASSERT_TRUE(orv::StartStages(stage)) << "stage " << stage; }

// Stops every started stage, the last first, as shutdown does.
inline void StopRuntime() { orv::StopStages(); }

}  // namespace orvtest
