// The frame: ShowScreen and the pause loop, the message pump, the quit keys,
// and the game's event functions called by name ("ORV_ON_PAUSE",
// "ORV_ON_RESUME", "ORV_ON_QUIT", "ORV_WIN32_MSG").
#pragma once

#include "orvane/program.h"
#include "orvane/rt_string.h"
#include "platform/events.h"

namespace orv {

// The game's per-frame flip: timing, pause loop, input, quit keys, messages, present.
void ShowScreen();
// Waits up to about 75 ms for input; holds the game while it is paused.
void Hibernate();
// Pumps the window's events (the game's message hook runs before each one).
// 0 when the pump failed (the window is gone); the caller ends the program.
int ProcessMessages();
// Calls the game function of that exact name; 1 when it exists, else 0.
double CallByName(const RtString& name);
double (*FindFunctionByName(const RtString& name))();
// Pauses or resumes, raising the game's pause or resume event on a change.
void SetPaused(bool paused);
void WaitMouseClick();
void WaitAnyKey();
// The runtime's handler of every window event: focus, close, and input.
void WindowProc(const platform::Event& event);

}  // namespace orv
