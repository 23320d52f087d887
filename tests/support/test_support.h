// Helpers shared by every test executable: a private folder per test process,
// child processes with captured output, and small file utilities.
#pragma once

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

// Runs a program and waits for it, capturing standard output and error.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& opt = {});

}  // namespace orvtest
