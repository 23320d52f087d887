// Child processes for whole-program tests: spawn, feed stdin, capture both
// output streams without deadlock, and enforce a timeout.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "support/test_support.h"

extern char** environ;

namespace orvtest {

SpawnArguments::SpawnArguments(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) env[std::string(*e, eq - *e)] = eq + 1;
  }
  for (const auto& [k, v] : extra) env[k] = v;
  for (const auto& [k, v] : env) envStrings.push_back(k + "=" + v);
  argStrings = argv;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  for (auto& s : argStrings) args.push_back(s.data());
  args.push_back(nullptr);
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& opt) {
  ProcessResult result;
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
    throw std::runtime_error("pipe failed");

  SpawnArguments spawn(argv, opt.env);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&fa, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&fa, errPipe[1], 2);
  if (!opt.workDir.empty()) posix_spawn_file_actions_addchdir_np(&fa, opt.workDir.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Own process group, so a timeout can stop the child and anything it started.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, spawn.args[0], &fa, &attr, spawn.args.data(), spawn.envp.data());
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (rc != 0) {
    close(inPipe[1]);
    close(outPipe[0]);
    close(errPipe[0]);
    result.err = std::string("spawn failed: ") + std::strerror(rc);
    return result;
  }

  size_t written = 0;
  int inFd = inPipe[1];
  if (opt.stdinText.empty()) {
    close(inFd);
    inFd = -1;
  } else {
    fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  int outFd = outPipe[0], errFd = errPipe[0];
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long>(opt.timeoutSeconds * 1000));
  signal(SIGPIPE, SIG_IGN);
  while (outFd >= 0 || errFd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
      break;
    }
    poll(fds, n, static_cast<int>(left));
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == inFd) {
        ssize_t w = write(inFd, opt.stdinText.data() + written, opt.stdinText.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 || written == opt.stdinText.size()) {
          close(inFd);
          inFd = -1;
        }
        continue;
      }
      char buf[4096];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      std::string& sink = fds[i].fd == outFd ? result.out : result.err;
      if (r > 0) {
        sink.append(buf, static_cast<size_t>(r));
      } else {
        close(fds[i].fd);
        (fds[i].fd == outFd ? outFd : errFd) = -1;
      }
    }
  }
  if (inFd >= 0) close(inFd);
  if (outFd >= 0) close(outFd);
  if (errFd >= 0) close(errFd);
  int status = 0;
  if (result.timedOut) {
    waitpid(pid, &status, 0);
  } else {
    // Output closed; give the process the rest of the time to exit.
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        result.timedOut = true;
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      usleep(2000);
    }
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

ProcessResult RunOffscreenGame(const std::string& relativePath, std::map<std::string, std::string> env) {
  ProcessOptions opt;
  opt.env = std::move(env);
  opt.env.emplace("SDL_VIDEODRIVER", "offscreen");
  opt.timeoutSeconds = 30;
  return RunProcess({BinaryPath(relativePath)}, opt);
}

std::string ErrorLogText() { return ReadFile(PrivateDir() + "/ErrorLog.txt"); }

int OwnPort(int salt, const std::function<bool(int)>& take) {
  for (int i = 0; i < 20; ++i) {
    const int port = 30000 + (getpid() * salt + i * (salt * 19 + 1)) % 20000;
    if (take(port)) return port;
  }
  return 0;
}

}  // namespace orvtest
