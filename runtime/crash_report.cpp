#include "runtime/crash_report.h"

#include <cxxabi.h>
#include <dirent.h>
#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/info.h"
#include "platform/video.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "system/system_info.h"

namespace orv {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
constexpr int kMaxFrames = 64;
constexpr size_t kPathBytes = 1024;
constexpr size_t kAltStackBytes = 256 * 1024;
constexpr int kLogLines = 50;
constexpr int kSymboliseSeconds = 10;
constexpr const char* kAnnounced = "This report was announced in the error log of the next start.\n";

// Everything the handler needs, made ready while the program is well. It is
// the one piece of process-wide state outside the runtime record, on
// purpose: a handler must not follow pointers through memory the fault may
// have damaged, and must not allocate.
struct CrashState {
  bool installed = false;
  char folder[kPathBytes] = {};     // the error log's folder, with a final "/"
  char logPath[kPathBytes] = {};
  char program[kPathBytes] = {};    // this program's file
  char addr2line[kPathBytes] = {};  // "" when binutils are not installed
  char renderer[256] = {};
  int width = 0, height = 0;
  long utcOffset = 0;  // seconds east of UTC, for the report's local-time name
  struct sigaction previous[kSignalCount] = {};
  std::terminate_handler previousTerminate = nullptr;
  void* altStack = nullptr;
  stack_t previousStack = {};
  std::atomic<long> reporter{0};  // the thread writing a report, 0 while none
  bool reported = false;          // the exception path wrote one; the abort after it writes none

  // The handler's scratch space: nothing is allocated after a fault.
  void* frames[kMaxFrames] = {};
  char modules[kMaxFrames][256] = {};
  uintptr_t relative[kMaxFrames] = {};  // the address addr2line is asked about
  char symbols[kMaxFrames][512] = {};
  char buffer[65536] = {};
  char exception[768] = {};
};
CrashState g_crash;

// ---- Text without allocation ----------------------------------------------------

void WriteAll(int fd, const char* bytes, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, bytes, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    bytes += w;
    n -= static_cast<size_t>(w);
  }
}

void CopyText(char* to, size_t capacity, const char* from) {
  size_t i = 0;
  for (; from && from[i] && i + 1 < capacity; ++i) to[i] = from[i];
  to[i] = 0;
}

struct Out {
  int fd;
  char buf[2048];
  size_t n = 0;

  explicit Out(int f) : fd(f) {}
  ~Out() { Flush(); }
  void Flush() {
    WriteAll(fd, buf, n);
    n = 0;
  }
  Out& Bytes(const char* s, size_t len) {
    for (size_t i = 0; i < len; ++i) {
      if (n == sizeof buf) Flush();
      buf[n++] = s[i];
    }
    return *this;
  }
  Out& Text(const char* s) { return Bytes(s, s ? std::strlen(s) : 0); }
  Out& Dec(long long v) {
    char digits[24];
    int i = 0;
    unsigned long long u = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
      digits[i++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u);
    if (v < 0) Bytes("-", 1);
    while (i > 0) Bytes(&digits[--i], 1);
    return *this;
  }
  Out& Hex(uintptr_t v, int width = 1) {
    char digits[20];
    int i = 0;
    do {
      digits[i++] = "0123456789abcdef"[v & 15];
      v >>= 4;
    } while (v || i < width);
    Bytes("0x", 2);
    while (i > 0) Bytes(&digits[--i], 1);
    return *this;
  }
};

// Two decimal digits into `at`.
void TwoDigits(char* at, int v) {
  at[0] = static_cast<char>('0' + v / 10 % 10);
  at[1] = static_cast<char>('0' + v % 10);
}

// "crash-YYYYMMDD-HHMMSS" for a local time in seconds (the calendar done by
// hand: the C library's time functions take locks).
void ReportName(char* name, long long local) {
  long long days = local / 86400, secs = local % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  // Days since 1970-01-01 to a civil date.
  long long z = days + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const long long year = yoe + era * 400 + (month <= 2);
  std::memcpy(name, "crash-", 6);
  TwoDigits(name + 6, static_cast<int>(year / 100));
  TwoDigits(name + 8, static_cast<int>(year % 100));
  TwoDigits(name + 10, month);
  TwoDigits(name + 12, day);
  name[14] = '-';
  TwoDigits(name + 15, static_cast<int>(secs / 3600));
  TwoDigits(name + 17, static_cast<int>(secs / 60 % 60));
  TwoDigits(name + 19, static_cast<int>(secs % 60));
  name[21] = 0;
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (aborted)";
    default: return "signal";
  }
}

// ---- Frames: modules and names ----------------------------------------------------

uintptr_t ParseHex(const char*& p) {
  uintptr_t v = 0;
  for (;; ++p) {
    const char c = *p;
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) return v;
    v = v * 16 + static_cast<uintptr_t>(d);
  }
}

// The load address of a module whose first mapping starts at `base`: 0 for
// a program linked at a fixed address, else `base`.
uintptr_t LoadBias(uintptr_t base) {
  const auto* header = reinterpret_cast<const unsigned char*>(base);
  if (std::memcmp(header, ELFMAG, SELFMAG) != 0) return base;
  return reinterpret_cast<const ElfW(Ehdr)*>(header)->e_type == ET_EXEC ? 0 : base;
}

// Finds the module of every frame in /proc/self/maps, streamed line by line.
void FindModules(int count, int faulting) {
  for (int i = 0; i < count; ++i) {
    g_crash.modules[i][0] = 0;
    g_crash.relative[i] = reinterpret_cast<uintptr_t>(g_crash.frames[i]);
  }
  int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char* buf = g_crash.buffer;
  const size_t capacity = sizeof g_crash.buffer;
  size_t have = 0;
  static char basePath[256];
  uintptr_t base = 0;
  basePath[0] = 0;
  for (;;) {
    ssize_t r = ::read(fd, buf + have, capacity - have - 1);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    have += static_cast<size_t>(r);
    buf[have] = 0;
    size_t used = 0;
    for (char* nl; (nl = static_cast<char*>(std::memchr(buf + used, '\n', have - used))) != nullptr;) {
      *nl = 0;
      const char* p = buf + used;
      used = static_cast<size_t>(nl - buf) + 1;
      const uintptr_t start = ParseHex(p);
      if (*p++ != '-') continue;
      const uintptr_t end = ParseHex(p);
      while (*p == ' ') ++p;
      const bool readable = *p == 'r';
      while (*p && *p != ' ') ++p;  // permissions
      while (*p == ' ') ++p;
      const uintptr_t offset = ParseHex(p);
      for (int field = 0; field < 2; ++field) {  // device, inode
        while (*p == ' ') ++p;
        while (*p && *p != ' ') ++p;
      }
      while (*p == ' ') ++p;
      const char* path = p;
      if (offset == 0 && *path == '/' && readable) {
        base = start;
        CopyText(basePath, sizeof basePath, path);
      }
      for (int i = 0; i < count; ++i) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(g_crash.frames[i]);
        if (at < start || at >= end || g_crash.modules[i][0]) continue;
        CopyText(g_crash.modules[i], sizeof g_crash.modules[i], *path ? path : "[anonymous]");
        // A return address points after its call: the call is the line asked about.
        const uintptr_t asked = i == faulting ? at : at - 1;
        g_crash.relative[i] = std::strcmp(path, basePath) == 0 ? asked - LoadBias(base) : asked - start + offset;
      }
    }
    std::memmove(buf, buf + used, have - used);
    have -= used;
    if (have + 1 >= capacity) have = 0;  // a line longer than the buffer: skipped
  }
  ::close(fd);
}

long long NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Names the frames of one module with addr2line in a child process; the
// output has one line per address, in order.
void SymboliseModule(const char* module, const int* which, int count, long long deadline) {
  static char addresses[kMaxFrames][24];
  const char* argv[8 + kMaxFrames];
  int argc = 0;
  argv[argc++] = "addr2line";
  argv[argc++] = "-C";
  argv[argc++] = "-f";
  argv[argc++] = "-p";
  argv[argc++] = "-e";
  argv[argc++] = module;
  for (int i = 0; i < count; ++i) {
    uintptr_t v = g_crash.relative[which[i]];
    char* a = addresses[i];
    int n = 0;
    char digits[20];
    do {
      digits[n++] = "0123456789abcdef"[v & 15];
      v >>= 4;
    } while (v);
    a[0] = '0';
    a[1] = 'x';
    for (int k = 0; k < n; ++k) a[2 + k] = digits[n - 1 - k];
    a[2 + n] = 0;
    argv[argc++] = a;
  }
  argv[argc] = nullptr;
  static const char* const env[] = {"LC_ALL=C", nullptr};

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  const pid_t pid = _Fork();
  if (pid == 0) {
    const int nul = ::open("/dev/null", O_RDWR);
    dup2(nul, 0);
    dup2(fds[1], 1);
    dup2(nul, 2);
    execve(g_crash.addr2line, const_cast<char* const*>(argv), const_cast<char* const*>(env));
    _exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return;
  }
  char* out = g_crash.buffer;
  size_t have = 0;
  for (;;) {
    const long long left = deadline - NowMs();
    pollfd p{fds[0], POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
    ssize_t r = ::read(fds[0], out + have, sizeof g_crash.buffer - 1 - have);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    have += static_cast<size_t>(r);
  }
  ::close(fds[0]);
  ::kill(pid, SIGKILL);  // done, or out of time
  waitpid(pid, nullptr, 0);
  out[have] = 0;
  const char* line = out;
  for (int i = 0; i < count && *line; ++i) {
    const char* end = std::strchr(line, '\n');
    const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
    char* symbol = g_crash.symbols[which[i]];
    const size_t keep = std::min(length, sizeof g_crash.symbols[0] - 1);
    std::memcpy(symbol, line, keep);
    symbol[keep] = 0;
    line = end ? end + 1 : line + length;
  }
}

void Symbolise(int first, int count) {
  for (int i = first; i < count; ++i) g_crash.symbols[i][0] = 0;
  if (!g_crash.addr2line[0]) return;
  const long long deadline = NowMs() + kSymboliseSeconds * 1000;
  bool done[kMaxFrames] = {};
  for (int i = first; i < count; ++i) {
    if (done[i] || g_crash.modules[i][0] != '/') continue;
    int which[kMaxFrames];
    int n = 0;
    for (int j = i; j < count; ++j)
      if (!done[j] && std::strcmp(g_crash.modules[j], g_crash.modules[i]) == 0) {
        done[j] = true;
        which[n++] = j;
      }
    SymboliseModule(g_crash.modules[i], which, n, deadline);
  }
}

// ---- The report -------------------------------------------------------------------------

void WriteLogTail(Out& out) {
  int fd = ::open(g_crash.logPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.Text("(no error log)\n");
    return;
  }
  struct stat st;
  const off_t size = fstat(fd, &st) == 0 ? st.st_size : 0;
  const off_t from = std::max<off_t>(0, size - static_cast<off_t>(sizeof g_crash.buffer - 1));
  size_t have = 0;
  if (lseek(fd, from, SEEK_SET) == from) {
    for (;;) {
      ssize_t r = ::read(fd, g_crash.buffer + have, sizeof g_crash.buffer - 1 - have);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      have += static_cast<size_t>(r);
    }
  }
  ::close(fd);
  // Back from the end over 50 line ends (the last line's own end included).
  size_t start = have;
  int lines = 0;
  while (start > 0) {
    if (g_crash.buffer[start - 1] == '\n' && start != have && ++lines == kLogLines) break;
    --start;
  }
  // A line cut by the start of what was read is left out.
  if (start == 0 && from > 0) {
    const void* nl = std::memchr(g_crash.buffer, '\n', have);
    start = nl ? static_cast<size_t>(static_cast<const char*>(nl) - g_crash.buffer) + 1 : have;
  }
  out.Bytes(g_crash.buffer + start, have - start);
  if (have > start && g_crash.buffer[have - 1] != '\n') out.Text("\n");
}

// Writes the report and the line on standard error. The backtrace starts
// at `faultPc`, the address that faulted, when it is on it; else after the
// `ownFrames` frames of the reporter itself.
__attribute__((noinline)) void WriteReport(const char* what, uintptr_t faultPc, int ownFrames) {
  char name[40];
  ReportName(name, static_cast<long long>(time(nullptr)) + g_crash.utcOffset);
  char path[kPathBytes + 64];
  int fd = -1;
  for (int attempt = 1; attempt <= 9 && fd < 0; ++attempt) {
    CopyText(path, sizeof path, g_crash.folder);
    size_t n = std::strlen(path);
    CopyText(path + n, sizeof path - n, name);
    n = std::strlen(path);
    if (attempt > 1) {
      path[n++] = '-';
      path[n++] = static_cast<char>('0' + attempt);
    }
    CopyText(path + n, sizeof path - n, ".txt");
    fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  // Where no file can be made, the report itself goes to standard error.
  const bool toFile = fd >= 0;
  if (!toFile) fd = 2;
  {
    Out out(fd);
    out.Text("Orvane crash report\n");
    out.Text("program: ").Text(g_crash.program).Text("\n");
    out.Text("version: ").Text(RuntimeVersion()).Text(" (built ").Text(RuntimeBuildTime()).Text(")\n");
    out.Text("crash: ").Text(what).Text("\n");
    out.Text("GL renderer: ").Text(g_crash.renderer[0] ? g_crash.renderer : "(no window yet)").Text("\n");
    out.Text("window: ");
    if (g_crash.width > 0) {
      out.Dec(g_crash.width).Text(" x ").Dec(g_crash.height).Text("\n");
    } else {
      out.Text("(no window yet)\n");
    }

    out.Text("\nbacktrace:\n");
    out.Flush();
    const int count = backtrace(g_crash.frames, kMaxFrames);
    // The handler's own frames come first; the report starts at the fault.
    int first = std::min(ownFrames, count), faulting = -1;
    for (int i = 0; i < count && faultPc; ++i)
      if (reinterpret_cast<uintptr_t>(g_crash.frames[i]) == faultPc) {
        first = faulting = i;
        break;
      }
    FindModules(count, faulting);
    Symbolise(first, count);
    for (int i = first; i < count; ++i) {
      out.Text("#").Dec(i - first).Text("  ").Hex(reinterpret_cast<uintptr_t>(g_crash.frames[i]), 12).Text("  ");
      if (g_crash.symbols[i][0]) out.Text(g_crash.symbols[i]).Text("  ");
      out.Text("(").Text(g_crash.modules[i][0] ? g_crash.modules[i] : "?").Text(" ").Hex(g_crash.relative[i]).Text(")\n");
    }
    if (!g_crash.addr2line[0]) {
      out.Text("(addr2line from binutils is not installed: frames without names; exported names:)\n");
      out.Flush();
      backtrace_symbols_fd(g_crash.frames + first, count - first, fd);
    }

    out.Text("\nlast ").Dec(kLogLines).Text(" lines of the error log (").Text(g_crash.logPath).Text("):\n");
    WriteLogTail(out);
  }
  if (toFile) {
    ::fsync(fd);
    ::close(fd);
    Out err(2);
    err.Text("crash: ").Text(what).Text("; report written to ").Text(path).Text("\n");
  }
}

// A full-screen window gives the desktop its mode back, as the orderly end
// would. The window system is no place for a handler, so this comes last,
// after the report is safe, and an alarm ends it should it hang.
void RestoreDisplayMode() {
  platform::Window* window = Rt().mainWindow;
  if (!window || !window->Fullscreen()) return;
  ::signal(SIGALRM, SIG_DFL);
  ::alarm(2);
  window->LeaveFullscreen();
  ::alarm(0);
}

// Dies of the signal with the disposition that was there before the
// report's (the system's default, or a sanitizer's handler).
void DieOf(int sig) {
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == sig) {
      struct sigaction before = g_crash.previous[i];
      if (before.sa_handler == SIG_IGN) before.sa_handler = SIG_DFL;  // a fault cannot be ignored
      sigaction(sig, &before, nullptr);
    }
  raise(sig);  // pending until the handler returns
}

void OnFault(int sig, siginfo_t* info, void* context) {
  const long self = syscall(SYS_gettid);
  long none = 0;
  if (!g_crash.reporter.compare_exchange_strong(none, self)) {
    // Another thread is reporting and ends the process when done; a fault
    // in the report itself ends it now.
    if (none != self)
      for (;;) pause();
  } else if (!g_crash.reported) {
    g_crash.reported = true;
    char what[160];
    size_t n = 0;
    auto add = [&](const char* s) {
      while (*s && n + 1 < sizeof what) what[n++] = *s++;
    };
    add(SignalName(sig));
    if (sig != SIGABRT && info) {
      add(" at address ");
      uintptr_t a = reinterpret_cast<uintptr_t>(info->si_addr);
      char digits[20];
      int d = 0;
      do {
        digits[d++] = "0123456789abcdef"[a & 15];
        a >>= 4;
      } while (a);
      add("0x");
      while (d > 0 && n + 1 < sizeof what) what[n++] = digits[--d];
    }
    what[n] = 0;
    uintptr_t pc = 0;
#if defined(__x86_64__)
    if (context) pc = static_cast<uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    if (context) pc = static_cast<uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#endif
    WriteReport(what, pc, 0);
    RestoreDisplayMode();
  }
  DieOf(sig);
}

// An exception nobody caught: reported with its type and text while its
// thrower is still on the stack, then the standard end (the C++ runtime's
// message and abort, whose signal then writes no second report).
__attribute__((noinline)) void OnTerminate() {
  std::string text = "uncaught exception";
  if (std::exception_ptr current = std::current_exception()) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type) {
      int status = 0;
      char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
      text += " ";
      text += status == 0 && demangled ? demangled : type->name();
      std::free(demangled);
    }
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      text += ": ";
      text += e.what();
    } catch (...) {
    }
  } else {
    text = "std::terminate called without an exception";
  }
  CopyText(g_crash.exception, sizeof g_crash.exception, text.c_str());
  const long self = syscall(SYS_gettid);
  long none = 0;
  if (g_crash.reporter.compare_exchange_strong(none, self)) {
    if (!g_crash.reported) {
      g_crash.reported = true;
      WriteReport(g_crash.exception, 0, 2);  // itself and OnTerminate
      RestoreDisplayMode();
    }
    g_crash.reporter.store(0);
  }
  if (g_crash.previousTerminate) g_crash.previousTerminate();
  std::abort();
}

std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= dirs.size()) {
    size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(at, end - at) + "/" + name;
    if (end > at && access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return "";
}

// Reports of this program that no start has announced yet, oldest first.
void AnnounceWaitingReports() {
  std::vector<std::string> names;
  if (DIR* d = opendir(g_crash.folder)) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.rfind("crash-", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)
        names.push_back(name);
    }
    closedir(d);
  }
  // In the order written: "crash-...-2.txt" (a second report in the same second) after "crash-....txt".
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.compare(0, a.size() - 4, b, 0, b.size() - 4) < 0;
  });
  const std::string mine = std::string("program: ") + g_crash.program + "\n";
  for (const std::string& name : names) {
    const std::string path = g_crash.folder + name;
    std::ifstream in(path, std::ios::binary);
    std::string head;
    std::getline(in, head);  // the title
    std::string program;
    std::getline(in, program);
    if (head != "Orvane crash report" || program + "\n" != mine) continue;
    std::stringstream rest;
    rest << in.rdbuf();
    if (rest.str().find(kAnnounced) != std::string::npos) continue;
    LogFormat("crash report waiting: %s\n", path.c_str());
    std::ofstream note(path, std::ios::app | std::ios::binary);
    note << "\n" << kAnnounced;
  }
}

}  // namespace

void StartCrashReports() {
  if (g_crash.installed) return;
  CopyText(g_crash.folder, sizeof g_crash.folder, platform::TempFolder().c_str());
  CopyText(g_crash.logPath, sizeof g_crash.logPath, ErrorLogPath().CStr());
  CopyText(g_crash.program, sizeof g_crash.program, platform::ExecutablePath().c_str());
  CopyText(g_crash.addr2line, sizeof g_crash.addr2line, FindProgram("addr2line").c_str());
  time_t now = time(nullptr);
  tm local{};
  g_crash.utcOffset = localtime_r(&now, &local) ? local.tm_gmtoff : 0;
  // The unwinder is loaded on first use: now, not inside a handler.
  void* warm[2];
  backtrace(warm, 2);
  // A stack of its own, so an overflowing stack can still be reported.
  void* stack = mmap(nullptr, kAltStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (stack != MAP_FAILED) {
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = kAltStackBytes;
    if (sigaltstack(&ss, &g_crash.previousStack) == 0) {
      g_crash.altStack = stack;
    } else {
      munmap(stack, kAltStackBytes);
    }
  }
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[i], &action, &g_crash.previous[i]);
  }
  g_crash.previousTerminate = std::set_terminate(OnTerminate);
  g_crash.reported = false;
  g_crash.installed = true;
  AnnounceWaitingReports();
}

void StopCrashReports() {
  if (!g_crash.installed) return;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &g_crash.previous[i], nullptr);
  std::set_terminate(g_crash.previousTerminate);
  if (g_crash.altStack) {
    sigaltstack(&g_crash.previousStack, nullptr);
    munmap(g_crash.altStack, kAltStackBytes);
    g_crash.altStack = nullptr;
  }
  g_crash.installed = false;
}

void NoteCrashScreen(const char* glRenderer, int width, int height) {
  if (glRenderer && *glRenderer && !g_crash.renderer[0])
    CopyText(g_crash.renderer, sizeof g_crash.renderer, glRenderer);
  if (width > 0 && height > 0) {
    g_crash.width = width;
    g_crash.height = height;
  }
}

}  // namespace orv
