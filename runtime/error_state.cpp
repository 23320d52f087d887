// Error codes and the run-time error path.
#include "runtime/error_state.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/program_end.h"
#include "runtime/runtime_state.h"

namespace orv {

int32_t SetErrorCode(int32_t code) {
  RuntimeState& rt = Rt();
  rt.lastError = code;
  rt.errorLine = rt.currentLine;
  return code;
}

void ClearError() { Rt().lastError = 0; }

const char* ErrorCodeText(int32_t code) {
  switch (code) {
    case kErrSuccess: return "success";
    case kErrNoSuchFile: return "no such file";
    case kErrOutOfMemory: return "out of memory";
    case kErrOutOfBounds: return "out of bounds";
    case kErrOutOfData: return "out of data";
    default: return "unknown error";
  }
}

RtString ErrorText() {
  char text[64];
  int32_t code = Rt().lastError;
  std::snprintf(text, sizeof text, "%.4d %s", code, ErrorCodeText(code));
  return RtString(text);
}

int32_t SetCurrentLine(int32_t module, int32_t line) {
  RuntimeState& rt = Rt();
  rt.currentModule = module;
  rt.currentLine = line;
  return line;
}

void AssertValue(int32_t value) {
  if (value != 0) return;
  DebugOut(RtString("Assertion: Value = ") + static_cast<int>(value) + "\n");
  RuntimeError(kErrAssertion);
}

void RuntimeError(int32_t code) {
  SetErrorCode(code);
  EndProgram();
  // Only reached when the error happened while the program was already
  // ending (for example inside the quit event or the exit hook): the failed
  // operation cannot continue, but the stages not yet stopped still are, so
  // a full-screen game gives the desktop its mode back and files are saved.
  FinishEndingAfterError();
}

void EndWithSuccess() {
  SetErrorCode(kErrSuccess);
  EndProgram();
  std::exit(0);
}

}  // namespace orv
