#include "platform/process.h"

#include <signal.h>
#include <spawn.h>

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

}  // namespace orv::platform
