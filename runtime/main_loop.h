// The frame: ShowScreen and the pause loop, the message pump, the quit keys,
// and the game's event functions called by name ("ORV_ON_PAUSE",
// "ORV_ON_RESUME", "ORV_ON_QUIT", "ORV_WIN32_MSG").
#pragma once

#include <functional>

#include "orvane/program.h"
#include "orvane/rt_string.h"
#include "platform/events.h"

namespace orv {

// The game's per-frame flip: timing, pause loop, input, quit keys, messages, present.
void ShowScreen();
// Waits up to about 75 ms for input; holds the game while it is paused.
void Hibernate();
// Samples input (the stages' poll hooks): what the game's next reads see.
void PollInput();

// What a round of a modal wait asks for next.
enum class ModalNext {
  kDone,     // the wait ends
  kWait,     // another round after the wait's sleep
  kPresent,  // present the frame drawn in this round (paced like the game's), then another round
};
// Holds the game in a loop of the runtime's own (the pause, a movie) until
// a round says it is done. Every round first pumps the window's messages,
// so the game's message hook, the stages' message hooks (music) and the
// window's focus and close go on as in the game's own frames; a pump that
// finds the window gone, or a present that fails, ends the program with
// error 0. Then `round` runs and says what comes next.
void ModalWait(double sleepMs, const std::function<ModalNext()>& round);
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
