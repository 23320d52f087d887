// ShowScreen and the pause loop. The game owns its loop and calls ShowScreen
// once per frame; everything periodic of the runtime happens here.
#include "runtime/main_loop.h"

#include <cstdio>
#include <cstring>

#include "gfx2d/opengl_vexel.h"
#include "orvane/codes.h"
#include "input/dx_input.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orv {

namespace {

void Notice(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

bool KeyHeld(int code) { return Rt().input && Rt().input->KeyHeld(code); }

// The quit key: Escape, or the code 129 that also counts as Escape.
bool EscapeHeld() { return KeyHeld(kKeyEscape + 128) || KeyHeld(kKeyEscape); }

void ReadMouse(int m[4]) {
  m[0] = m[1] = m[2] = m[3] = 0;
  if (Rt().input) Rt().input->MouseState(m[0], m[1], m[2], m[3]);
}

void BringToFront() {
  RuntimeState& rt = Rt();
  Notice("activate\n");
  if (rt.device && rt.device->Window()) rt.device->Window()->Raise();
  Notice("ok\n");
  rt.activateRequest = 0;
}

// Presents the frame with the game's message hook pumping while the flip
// waits; a flip that fails ends the program (error 0).
void PresentOrEnd() {
  RuntimeState& rt = Rt();
  if (rt.device && !rt.device->Flip(rt.messageHook)) {
    SetErrorCode(kErrSuccess);
    EndProgram();
  }
}

}  // namespace

void PollInput() {
  Rt().keyReads = 0;
  RunFrameHooks(FramePhase::kPoll);
}

void ModalWait(double sleepMs, const std::function<ModalNext()>& round) {
  for (;;) {
    if (!ProcessMessages()) {
      SetErrorCode(kErrSuccess);
      EndProgram();
    }
    switch (round()) {
      case ModalNext::kDone:
        return;
      case ModalNext::kWait:
        if (sleepMs > 0) SleepMs(sleepMs);
        break;
      case ModalNext::kPresent:
        PresentOrEnd();
        break;
    }
  }
}

void ShowScreen() {
  RuntimeState& rt = Rt();
  if (rt.activateRequest) BringToFront();
  rt.prevFrameTime = rt.frameTime;
  rt.frameTime = ClockMs();
  while (rt.paused) Hibernate();
  PollInput();
  if ((rt.escapeQuits && EscapeHeld()) || (KeyHeld(kKeyLmenu) && KeyHeld(kKeyF4))) {
    SetErrorCode(kErrSuccess);
    EndProgram();
  }
  RunFrameHooks(FramePhase::kBeforePresent);
  ProcessMessages();
  PresentOrEnd();
  RunFrameHooks(FramePhase::kAfterPresent);
}

void Hibernate() {
  RuntimeState& rt = Rt();
  int reference[4];
  ReadMouse(reference);
  for (int round = 0; round < 15; ++round) {
    if (!ProcessMessages()) EndProgram();
    if (rt.paused) {
      Notice("pause loop in showscreen/hibernate\n");
      // Messages keep flowing, so the window can be activated or closed.
      ModalWait(200, [&] { return rt.paused && !rt.activateRequest ? ModalNext::kWait : ModalNext::kDone; });
      Notice("pause loop ended\n");
      return;
    }
    PollInput();
    if (rt.escapeQuits && EscapeHeld()) EndProgram();
    if (rt.input && rt.input->AnyKeyHeld()) return;
    int now[4];
    ReadMouse(now);
    if (std::memcmp(now, reference, sizeof now) != 0) return;
    if (rt.input && rt.input->JoystickActive()) return;
    SleepMs(5);
  }
}

int ProcessMessages() {
  RuntimeState& rt = Rt();
  RunFrameHooks(FramePhase::kMessages);
  if (rt.messageHookState == -1) {
    rt.messageHook = FindFunctionByName("ORV_WIN32_MSG");
    rt.messageHookState = rt.messageHook ? 1 : 0;
  }
  return !rt.device || rt.device->PumpMessages(rt.messageHook) ? 1 : 0;
}

double (*FindFunctionByName(const RtString& name))() {
  const FunctionNameEntry* table = Rt().game.functions;
  if (!table) return nullptr;
  for (const FunctionNameEntry* e = table; e->function; ++e) {
    if (e->name && std::strcmp(e->name, name.CStr()) == 0) return e->function;
  }
  return nullptr;
}

double CallByName(const RtString& name) {
  if (auto function = FindFunctionByName(name)) {
    function();
    return 1.0;
  }
  if (name == "ORV_ON_QUIT" || name == "ORV_WIN32_MSG") return 0.0;
  DebugOut(RtString("CALLBYNAME \"") + name + "\" *** failed ***\n");
  return 0.0;
}

void SetPaused(bool paused) {
  RuntimeState& rt = Rt();
  if (rt.paused != paused) {
    rt.paused = paused;
    CallByName(paused ? "ORV_ON_PAUSE" : "ORV_ON_RESUME");
  }
  rt.paused = paused;
}

void WaitMouseClick() {
  auto anyButton = [] {
    PollInput();
    int m[4];
    ReadMouse(m);
    return m[2] || m[3];
  };
  while (anyButton()) ProcessMessages();
  while (!anyButton()) Hibernate();
  while (anyButton()) ProcessMessages();
}

void WaitAnyKey() {
  RuntimeState& rt = Rt();
  auto drain = [&] {
    while (rt.input && rt.input->HasTypedChar()) rt.input->TakeTypedChar();
  };
  drain();
  while (!(rt.input && rt.input->HasTypedChar())) {
    if (!ProcessMessages()) EndProgram();
    Hibernate();
  }
  drain();
}

void WindowProc(const platform::Event& event) {
  RuntimeState& rt = Rt();
  switch (event.kind) {
    case platform::EventKind::FocusGained:
    case platform::EventKind::FocusLost:
      // A window the program hid loses the focus as it goes (and a late
      // notice of that may follow): that is no reason to pause the game.
      if (!rt.settings.debugMode && rt.runtimeActive && !(rt.mainWindow && rt.mainWindow->HiddenByProgram())) {
        bool pause = event.kind == platform::EventKind::FocusLost;
        RtString title = rt.windowCaption;
        if (pause) title += " <pause>";
        if (rt.mainWindow) rt.mainWindow->SetTitle(title.CStr());
        SetPaused(pause);
      }
      break;
    case platform::EventKind::Close:
    case platform::EventKind::Quit:
      EndProgram();
      break;
    default:
      break;
  }
  if (rt.input) rt.input->HandleEvent(event);
}

}  // namespace orv
