// Background programs and the virtual X display for whole-program tests.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "support/test_support.h"

extern char** environ;

namespace orvtest {

namespace {
int g_childCounter = 0;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

Child::Child(const std::vector<std::string>& argv, const ProcessOptions& opt) {
  int n = ++g_childCounter;
  outPath_ = PrivateDir() + "/child" + std::to_string(n) + ".out";
  errPath_ = PrivateDir() + "/child" + std::to_string(n) + ".err";
  SpawnArguments spawn(argv, opt.env);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!opt.workDir.empty()) posix_spawn_file_actions_addchdir_np(&fa, opt.workDir.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid;
  if (posix_spawn(&pid, spawn.args[0], &fa, &attr, spawn.args.data(), spawn.envp.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
}

Child::~Child() {
  if (Running()) {
    kill(-pid_, SIGKILL);
    Wait(5);
  }
}

bool Child::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  if (r == pid_) {
    if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) signal_ = WTERMSIG(status);
  }
  pid_ = -pid_;  // remember it ended; never wait for it again
  return false;
}

bool Child::Wait(double seconds) {
  double end = Now() + seconds;
  while (Running()) {
    if (Now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool Child::WaitForOutput(const std::string& text, double seconds, size_t from) {
  double end = Now() + seconds;
  while (Now() < end) {
    if (Out().find(text, from) != std::string::npos) return true;
    if (!Running()) return Out().find(text, from) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string Child::Out() const { return ReadFile(outPath_); }
std::string Child::Err() const { return ReadFile(errPath_); }

VirtualDisplay::VirtualDisplay(int width, int height) {
  int fds[2];
  if (pipe(fds) != 0) return;
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::string fd = std::to_string(fds[1]);
  std::vector<std::string> argv = {"/usr/bin/Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
                                   "-noreset"};
  std::vector<char*> args;
  for (auto& s : argv) args.push_back(s.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return;
  }
  pid_ = pid;
  std::string number;
  char c;
  // Xvfb writes the display number it took, then a newline, once it is ready.
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status;
    waitpid(pid_, &status, 0);
  }
}

ProcessOptions VirtualDisplay::ProgramOptions(std::map<std::string, std::string> env) const {
  ProcessOptions opt;
  opt.env = std::move(env);
  opt.env["SDL_VIDEODRIVER"] = "x11";
  opt.env["DISPLAY"] = display_;
  return opt;
}

std::string VirtualDisplay::Xdotool(const std::vector<std::string>& args, double timeoutSeconds) {
  std::vector<std::string> argv = {"/usr/bin/xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions opt;
  opt.env["DISPLAY"] = display_;
  opt.timeoutSeconds = timeoutSeconds;
  return RunProcess(argv, opt).out;
}

std::string VirtualDisplay::FindWindow(const std::string& title, double seconds) {
  double end = Now() + seconds;
  while (Now() < end) {
    std::string out = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}, 5);
    std::istringstream in(out);
    std::string id;
    if (in >> id) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "";
}

VirtualDisplay::Geometry VirtualDisplay::WindowGeometry(const std::string& window) {
  Geometry g;
  std::istringstream in(Xdotool({"getwindowgeometry", "--shell", window}));
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    int value = std::atoi(line.c_str() + eq + 1);
    if (key == "X") g.x = value;
    if (key == "Y") g.y = value;
    if (key == "WIDTH") g.width = value;
    if (key == "HEIGHT") g.height = value;
  }
  return g;
}

std::string VirtualDisplay::WindowTitle(const std::string& window) {
  std::string t = Xdotool({"getwindowname", window});
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  return t;
}

}  // namespace orvtest
