// Error codes, the error log, debugger output and the run-time error path.
//
// Operations report failures through the last-error code and a neutral
// result; failures a game cannot continue from end the program through
// RuntimeError, which never returns.
#pragma once

#include <cstdint>

#include "orvane/codes.h"
#include "orvane/rt_string.h"

namespace orv {

// The codes are the game's (orvane/codes.h); the runtime names them as its own.
using ::kErrAssertion;
using ::kErrNoSuchFile;
using ::kErrOutOfBounds;
using ::kErrOutOfData;
using ::kErrOutOfMemory;
using ::kErrPushMultiDim;
using ::kErrSuccess;

// Sets lastError (and errorLine from currentLine); returns the code.
int32_t SetErrorCode(int32_t code);
// Sets the error code and returns `neutral`, so a failing command reports
// and gives its neutral result in one statement: `return Fail(kErrNoSuchFile, 0.0);`.
template <class T>
T Fail(int32_t code, T neutral) {
  SetErrorCode(code);
  return neutral;
}
// The same for a command without a result: `return Fail(kErrOutOfBounds);`.
inline void Fail(int32_t code) { SetErrorCode(code); }
void ClearError();
// "%.4d %s" of lastError and its text, e.g. "0009 out of bounds".
RtString ErrorText();
// The text of a code: "success", "no such file", ... or "unknown error".
const char* ErrorCodeText(int32_t code);
int32_t SetCurrentLine(int32_t module, int32_t line);
// Ends the program when value is 0 (error 21).
void AssertValue(int32_t value);
// Sets the code and ends the program in order; never returns.
[[noreturn]] void RuntimeError(int32_t code);
// Error 0, then the orderly end (the game's end statement).
[[noreturn]] void EndWithSuccess();

// The error log: "ErrorLog.txt" in the temporary folder, one open/append/close per text.
void StartLog();
void LogLine(const char* text);
void LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A load refused because memory ran out (or would have): "# malloc error"
// and the name of what was loaded, one line each.
void LogAllocationFailure(const char* name);
// Full path of the error log file.
RtString ErrorLogPath();

// Debugger output: only while a debugger (tracer) is attached to the process.
bool DebuggerAttached();
void DebugOut(const RtString& text);
int32_t DebugBreakpoint(int32_t id);

}  // namespace orv
