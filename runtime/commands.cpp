// Game-facing commands of the runtime core: convert and forward.
#include "orvane/runtime.h"

#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

double ErrorCode() { return orv::Rt().lastError; }
RtString ErrorText() { return orv::ErrorText(); }
double SetErrorCode(double code) { return orv::SetErrorCode(static_cast<int32_t>(code)); }
void ClearError() { orv::ClearError(); }
double SetCurrentLine(double module, double line) {
  return orv::SetCurrentLine(static_cast<int32_t>(module), static_cast<int32_t>(line));
}
void AssertValue(double value) { orv::AssertValue(static_cast<int32_t>(value)); }
void EndWithSuccess() { orv::EndWithSuccess(); }

void DebugOut(const RtString& text) { orv::DebugOut(text); }
double DebugBreakpoint(double id) { return orv::DebugBreakpoint(static_cast<int32_t>(id)); }
void LogText(const RtString& text) { orv::LogLine(text.CStr()); }

double ElapsedMs() { return orv::ElapsedMs(); }
double FrameDurationMs() { return orv::FrameDurationMs(); }
void SleepMs(double ms) { orv::SleepMs(static_cast<int>(ms)); }
