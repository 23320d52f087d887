#include "platform/process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace orv::platform {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false, quoted = false;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
      ++i;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') ++slashes, ++i;
      if (i < line.size() && line[i] == '"') {
        current.append(slashes / 2, '\\');
        if (slashes % 2) {
          current += '"';
          ++i;
        }
        // An even count leaves the quote to the next round, where it toggles.
      } else {
        current.append(slashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else {
      current += c;
    }
    ++i;
  }
  if (inArgument) args.push_back(std::move(current));
  return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (size_t a = 0; a < args.size(); ++a) {
    const std::string& arg = args[a];
    if (a) line += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
      line += arg;
      continue;
    }
    line += '"';
    size_t slashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      // Backslashes before a quote are doubled and the quote escaped;
      // elsewhere they stay as they are.
      if (c == '"') {
        line.append(slashes * 2 + 1, '\\');
      } else {
        line.append(slashes, '\\');
      }
      slashes = 0;
      line += c;
    }
    // Trailing backslashes are doubled so they do not escape the closing quote.
    line.append(slashes * 2, '\\');
    line += '"';
  }
  return line;
}

bool StartDetached(const std::vector<std::string>& args) {
  if (args.empty() || args[0].empty()) return false;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  // The started program is not ours to end: its own session, and the signal
  // handling a fresh program expects rather than this process's.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

namespace {

// Programs started without waiting, reaped whenever another one starts so
// they do not linger as zombies.
std::vector<pid_t>& Unwaited() {
  static std::vector<pid_t> pids;
  return pids;
}

void ReapFinished() {
  std::vector<pid_t>& pids = Unwaited();
  for (size_t i = 0; i < pids.size();) {
    if (waitpid(pids[i], nullptr, WNOHANG) != 0) {
      pids[i] = pids.back();
      pids.pop_back();
    } else {
      ++i;
    }
  }
}

int WaitExitCode(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Spawns args with the standard streams only (output to outFd when >= 0).
// On failure errno says why.
bool Spawn(const std::vector<std::string>& args, int outFd, pid_t& pid) {
  if (args.empty() || args[0].empty()) {
    errno = ENOENT;
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (int rc = posix_spawn_file_actions_init(&actions); rc != 0) {
    errno = rc;
    return false;
  }
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  // Sockets, files and the display connection stay the game's own.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) errno = rc;
  return rc == 0;
}

}  // namespace

bool RunProgram(const std::vector<std::string>& args, bool wait, int& exitCode) {
  exitCode = 0;
  ReapFinished();
  pid_t pid = 0;
  if (!Spawn(args, -1, pid)) return false;
  if (wait) {
    exitCode = WaitExitCode(pid);
  } else {
    Unwaited().push_back(pid);
  }
  return true;
}

bool RunForOutput(const std::vector<std::string>& args, std::string& output, int& exitCode) {
  output.clear();
  exitCode = -1;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  pid_t pid = 0;
  bool started = Spawn(args, fds[1], pid);
  close(fds[1]);
  if (started) {
    char buf[4096];
    for (;;) {
      ssize_t n = read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      output.append(buf, static_cast<size_t>(n));
    }
    exitCode = WaitExitCode(pid);
  }
  close(fds[0]);
  return started;
}

bool ProgramInPath(const std::string& name) {
  if (name.empty()) return false;
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string_view rest(path ? path : "/usr/bin:/bin");
  while (true) {
    size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += name;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

void* OpenLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibraryEntry(void* library, const char* entry) {
  if (!library || !entry) return nullptr;
  return dlsym(library, entry);
}

void CloseLibrary(void* library) {
  if (library) dlclose(library);
}

}  // namespace orv::platform
