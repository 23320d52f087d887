#include "platform/info.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orv::platform {

std::string ExecutablePath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  return std::string(path, static_cast<size_t>(n));
}

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string path(dir && *dir ? dir : "/tmp");
  if (path.back() != '/') path += '/';
  return path;
}

bool DebuggerAttached() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return false;
  char line[256];
  bool attached = false;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      attached = std::atoi(line + 10) != 0;
      break;
    }
  }
  std::fclose(f);
  return attached;
}

}  // namespace orv::platform
