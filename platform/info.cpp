#include "platform/info.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process.h"

extern char** environ;

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

namespace {

std::string FirstLine(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return std::string();
  char line[256] = {0};
  std::string text;
  if (std::fgets(line, sizeof line, f)) text = line;
  std::fclose(f);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "";
}

}  // namespace

std::string MachineIdText() {
  std::string id = FirstLine("/etc/machine-id");
  if (id.empty()) id = FirstLine("/var/lib/dbus/machine-id");
  return id;
}

int BatteryPercent() {
  const char* root = "/sys/class/power_supply";
  DIR* dir = opendir(root);
  if (!dir) return -1;
  int percent = -1;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::string base = std::string(root) + "/" + e->d_name;
    // Mains adapters and the batteries of mice and pads are no battery of the machine.
    if (FirstLine((base + "/type").c_str()) != "Battery") continue;
    if (FirstLine((base + "/scope").c_str()) == "Device") continue;
    std::string capacity = FirstLine((base + "/capacity").c_str());
    if (capacity.empty()) continue;
    percent = std::atoi(capacity.c_str());
    break;
  }
  closedir(dir);
  return percent;
}

std::string DocumentsFolder() {
  std::string out;
  int code = -1;
  if (ProgramInPath("xdg-user-dir") && RunForOutput({"xdg-user-dir", "DOCUMENTS"}, out, code) && code == 0) {
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    if (!out.empty() && out[0] == '/') return out;
  }
  std::string home = Home();
  return home.empty() ? std::string() : home + "/Documents";
}

std::string UserDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  // Only an absolute path counts; a relative one is to be ignored.
  if (data && data[0] == '/') return data;
  std::string home = Home();
  return home.empty() ? std::string() : home + "/.local/share";
}

void MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), 0755);
  }
}

std::vector<std::string> EnvironmentEntries() {
  std::vector<std::string> entries;
  for (char** e = environ; e && *e; ++e) entries.emplace_back(*e);
  return entries;
}

std::string CurrentFolder() {
  char path[PATH_MAX];
  return getcwd(path, sizeof path) ? std::string(path) : std::string();
}

bool ChangeFolder(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0; }

bool GlLibraryNames(const char* entry) {
  if (!entry || !*entry) return false;
  if (dlsym(RTLD_DEFAULT, entry)) return true;
  // The core library the program links names core entry points only; the
  // full GL library also names every extension's.
  static void* full = dlopen("libGL.so.1", RTLD_LAZY | RTLD_LOCAL);
  return full && dlsym(full, entry) != nullptr;
}

}  // namespace orv::platform
