// The error log: a plain text file in the temporary folder that records
// start-up, shutdown and device problems. Every text is appended by opening
// and closing the file, so the log survives a crash at any later point and
// can be read while the program runs.
//
// A game started from a terminal also shows each logged text on standard
// error, after naming the log file once, so whoever started it sees why it
// stopped without looking for the file. Redirected standard error (scripts,
// tests, launchers) gets nothing, and the file is the same either way.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/error_state.h"
#include "runtime/temp_dir.h"

namespace orv {

namespace {

void WriteWhole(int fd, const char* text, size_t length) {
  size_t done = 0;
  while (done < length) {
    ssize_t w = write(fd, text + done, length - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
}

// Asked at every line: standard error may be redirected while the game runs.
bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace

RtString ErrorLogPath() { return TempDirectory() + "ErrorLog.txt"; }

void LogLine(const char* text) {
  if (!text) text = "NULL";
  const size_t length = std::strlen(text);
  if (StandardErrorIsTerminal()) WriteWhole(STDERR_FILENO, text, length);
  RtString path = ErrorLogPath();
  // O_APPEND writes land whole at the end even when another thread logs at
  // the same moment, so no line is lost to contention; the retries cover a
  // file that cannot be opened for a moment.
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = open(path.CStr(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) continue;
    WriteWhole(fd, text, length);
    close(fd);
    return;
  }
}

void LogFormat(const char* format, ...) {
  char stackBuf[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(stackBuf, sizeof stackBuf, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof stackBuf) {
    LogLine(stackBuf);
    return;
  }
  RtString big;
  char* buf = big.WritableBuffer(static_cast<uint32_t>(n) + 1);
  va_start(args, format);
  std::vsnprintf(buf, static_cast<size_t>(n) + 1, format, args);
  va_end(args);
  LogLine(buf);
}

void LogAllocationFailure(const char* name) {
  LogLine("# malloc error\n");
  LogFormat("%s\n", name ? name : "");
}

void StartLog() {
  RtString path = ErrorLogPath();
  unlink(path.CStr());
  if (StandardErrorIsTerminal()) {
    const std::string named = std::string("Error log: ") + path.CStr() + "\n";
    WriteWhole(STDERR_FILENO, named.data(), named.size());
  }
  LogLine("Start new log...\n");
}

}  // namespace orv
