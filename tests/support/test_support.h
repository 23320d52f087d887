// Helpers shared by every test executable: a private folder per test process,
// child processes with captured output, and small file utilities.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orvtest {

// The folder the test process runs in; TMPDIR points at it too. Removed when
// the process's tests finish.
const std::string& PrivateDir();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// Path of a file in the source tree (for corpora and shared test data).
std::string SourcePath(const std::string& relative);
// Path of a built target (test games, tools).
std::string BinaryPath(const std::string& relative);

struct ProcessResult {
  int exitCode = -1;     // exit status, or -1 when killed by a signal
  int signal = 0;        // terminating signal, 0 when it exited
  bool timedOut = false; // killed after the timeout
  std::string out, err;
};

struct ProcessOptions {
  std::map<std::string, std::string> env;  // added to / overriding the environment
  std::string workDir;                     // empty = current folder
  std::string stdinText;
  double timeoutSeconds = 30;
};

// argv and environment (the process's own plus `extra`) as posix_spawn takes them.
struct SpawnArguments {
  SpawnArguments(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra);
  SpawnArguments(const SpawnArguments&) = delete;  // args and envp point into the strings
  SpawnArguments& operator=(const SpawnArguments&) = delete;
  std::vector<std::string> argStrings, envStrings;
  std::vector<char*> args, envp;
};

// Runs a program and waits for it, capturing standard output and error.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& opt = {});

// Runs a test game (a path below the build folder) on the offscreen video
// driver with extra environment, for at most 30 s.
ProcessResult RunOffscreenGame(const std::string& relativePath, std::map<std::string, std::string> env);

// The runtime's error log of the games this test ran.
std::string ErrorLogText();

// Lets this process map at most `moreBytes` beyond what it has mapped now,
// so the allocation after that fails as it would on a full machine. Only
// for a forked child (a death test) that ends right after.
void LimitAddressSpace(size_t moreBytes);

// A port of this process's own, since test processes run side by side: tries
// ports derived from the process id and `salt` until `take` succeeds on one.
// 0 when none of them could be taken.
int OwnPort(int salt, const std::function<bool(int)>& take);

}  // namespace orvtest

namespace orvtest {

// A program running in the background while the test drives it. Its output
// goes to files in the private folder; the destructor kills it if it still runs.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const ProcessOptions& opt = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Running();
  // Waits for the program to end; false on timeout (the program keeps running).
  bool Wait(double seconds);
  // Waits until the standard output contains text at or after byte `from`;
  // false on timeout or exit.
  bool WaitForOutput(const std::string& text, double seconds, size_t from = 0);
  std::string Out() const;
  std::string Err() const;
  int ExitCode() const { return exitCode_; }
  int Signal() const { return signal_; }
  int Pid() const { return pid_; }

 private:
  int pid_ = -1;
  int exitCode_ = -1, signal_ = 0;
  std::string outPath_, errPath_;
};

// An X server of our own (Xvfb) for whole-program tests; DISPLAY for children.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(int width = 1280, int height = 1024);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  bool Ok() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }
  // Options for a program that should open its window on this display.
  ProcessOptions ProgramOptions(std::map<std::string, std::string> env = {}) const;
  // Runs xdotool with the arguments on this display; its standard output.
  std::string Xdotool(const std::vector<std::string>& args, double timeoutSeconds = 10);
  // The first window whose title matches the pattern exactly, waiting for it; "" when none appears.
  std::string FindWindow(const std::string& title, double seconds = 30);
  struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
  };
  Geometry WindowGeometry(const std::string& window);
  std::string WindowTitle(const std::string& window);
  // Asks the window to close, as a window manager's close button does.
  bool RequestClose(const std::string& window);
  // The whole screen as 0x00RRGGBB pixels, top row first; false when it cannot be read.
  bool Grab(std::vector<uint32_t>& pixels, int& width, int& height);
  // Saves the screen as a PNG image.
  bool Screenshot(const std::string& pngPath);

 private:
  int pid_ = -1;
  std::string display_;
};

}  // namespace orvtest
