// Game-facing commands of the runtime core: convert and forward.
#include "orvane/runtime.h"

#include <cstdlib>

#include "gfx2d/opengl_vexel.h"
#include "runtime/clock.h"
#include "runtime/lib/number_convert.h"
#include "runtime/main_loop.h"
#include "runtime/program_end.h"
#include "runtime/error_state.h"
#include "runtime/lib/line_file.h"
#include "runtime/runtime_state.h"

double ErrorCode() { return orv::Rt().lastError; }
RtString ErrorText() { return orv::ErrorText(); }
double SetErrorCode(double code) { return orv::SetErrorCode(orv::ToInt32(code)); }
void ClearError() { orv::ClearError(); }
double SetCurrentLine(double module, double line) {
  return orv::SetCurrentLine(orv::ToInt32(module), orv::ToInt32(line));
}
void AssertValue(double value) { orv::AssertValue(orv::ToInt32(value)); }
void EndWithSuccess() { orv::EndWithSuccess(); }

void DebugOut(const RtString& text) { orv::DebugOut(text); }
double DebugBreakpoint(double id) { return orv::DebugBreakpoint(orv::ToInt32(id)); }
void LogText(const RtString& text) { orv::LogLine(text.CStr()); }

double ElapsedMs() { return orv::ElapsedMs(); }
double FrameDurationMs() { return orv::FrameDurationMs(); }
void SleepMs(double ms) { orv::SleepMs(orv::ToInt32(ms)); }

// ---- Program and frame ------------------------------------------------------

void ShowScreen() { orv::ShowScreen(); }

void EndProgram() { orv::EndProgram(); }

void EndAndRun(const RtString& command) { orv::EndAndRun(command); }
double CallByName(const RtString& name) { return orv::CallByName(name); }

double SetRuntimeActive(double active) {
  orv::Rt().runtimeActive = orv::ToInt32(active) != 0;
  return orv::Rt().runtimeActive ? 1 : 0;
}

void SetEscapeQuits(double on) { orv::Rt().escapeQuits = on != 0; }

void SetGameFrameRate(double fps) {
  if (orv::Rt().device) orv::Rt().device->SetFrameRate(orv::ToInt32(fps));
}

void WaitMouseClick() { orv::WaitMouseClick(); }
void WaitAnyKey() { orv::WaitAnyKey(); }

double MessageId() {
  const orv::platform::Event* e = orv::Rt().device ? orv::Rt().device->PendingEvent() : nullptr;
  return e ? e->type : 0;
}

double MessageParam(double index) {
  const orv::platform::Event* e = orv::Rt().device ? orv::Rt().device->PendingEvent() : nullptr;
  if (!e) return 0;
  return orv::ToInt32(index) == 0 ? e->param1 : orv::ToInt32(index) == 1 ? e->param2 : 0;
}

void ReadFileLine(const RtString& file, double line, RtString& out) { out = orv::LineFiles().Read(file, orv::ToInt32(line)); }
void ReadFileLineNumber(const RtString& file, double line, double& out) {
  out = orv::LineFiles().Read(file, orv::ToInt32(line)).ToDouble();
}
void WriteFileLine(const RtString& file, double line, const RtString& text) {
  orv::LineFiles().Write(file, orv::ToInt32(line), text);
}
void WriteFileLineNumber(const RtString& file, double line, double value) {
  orv::LineFiles().Write(file, orv::ToInt32(line), NumberText(value));
}
