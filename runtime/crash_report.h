// Crash reports. When the program dies of a fault (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT) or of a C++ exception nobody caught, it first writes
// "crash-YYYYMMDD-HHMMSS.txt" (local time) beside the error log: the
// signal or exception, the backtrace with function, file and line of every
// frame the program's debug information names, the last 50 lines of the
// error log, the runtime version, the GL renderer and the window size. One
// line on standard error names the file, a full-screen window gives the
// desktop its display mode back, and the process then dies of the signal as
// it would have without the report.
//
// The handler runs where the program broke, so it uses only what is safe
// there: no allocation, no locks, no stdio. Frame addresses are turned into
// names by addr2line (binutils), run as a child process per module while
// the handler waits; without addr2line the report holds each frame's module
// and offset, which the developer symbolises by hand.
//
// The next start of the same program (same program file) logs one line per
// report still waiting: "crash report waiting: PATH". A report is announced
// once; the announcement is noted at the report's end.
#pragma once

namespace orv {

// Installs the handlers and announces waiting reports in the error log.
// The crash stage's start, right after the log is restarted.
void StartCrashReports();
// Puts back the handlers that were there before. A second call does nothing.
void StopCrashReports();
// What a report tells about the screen (the renderer is taken once, the
// size every time). Null or 0 leave a field as it was.
void NoteCrashScreen(const char* glRenderer, int width, int height);

}  // namespace orv
