// Recording and replaying vorlo.
//
//   recording_cost: the CPU a recording adds to a vorlo frame (the title
//     screen at 800 x 600, frame pacing off, offscreen driver), with a
//     recorder writing its file (no frame hashes). 21 interleaved rounds in
//     one process; each round measures a vorlo frame's CPU over all threads
//     (the GL driver draws on threads of its own), and the recorder's own
//     work on the calls a vorlo frame makes (its clock readings, message
//     pumps, wait and present, on this thread's CPU clock) with and without
//     a recorder, in alternating order. Reported: recording / plain as
//     1 + recorder time / frame time (median and range; goal: at most 1.02),
//     and beside it whole frames with and without a recording, whose
//     difference is lost in the noise of a shared machine.
//   replay_60s: vorlo runs 60 s on its title screen (offscreen) with
//     ORVANE_RECORD, is ended like a user would (SIGTERM, a quit request),
//     and is replayed three times as fast as it goes: the replay's wall time
//     and its CPU (the child's user + system, all threads) against the
//     session's length on the game's clock (median and range).
//     BENCH_REPLAY_SECONDS shortens the session.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gfx2d/opengl_vexel.h"
#include "runtime/program_entry.h"
#include "runtime/replay/recording_format.h"
#include "platform/events.h"
#include "runtime/clock.h"
#include "runtime/replay/session_tape.h"
#include "runtime/stages.h"
#include "runtime/runtime_state.h"
#include "vorlo.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Spread {
  double median = 0, low = 0, high = 0;
};

Spread Of(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/" + name;
}

bool StartGame() {
  static bool started = false, ok = false;
  if (started) return ok;
  started = true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  GameSettings(orv::Rt().settings);
  if (orv::RuntimeInit("vorlo") != 0) return false;
  if (chdir(VORLO_GAME_DIR) != 0) return false;
  vorlo::SetupScreen(960, 640, 0);
  vorlo::S().debugOverlay = true;
  SetScreen(800, 600, 0);
  orv::Rt().device->pacer.frameIntervalMs = 0;
  vorlo::GameFlip();
  vorlo::LoadAssets();
  vorlo::S().scrollX = 0;
  for (int i = 0; i < 30; ++i) {
    vorlo::TitleScreen();
    vorlo::GameFlip();
  }
  return ok = true;
}

void Frames(int n) {
  for (int i = 0; i < n; ++i) {
    vorlo::TitleScreen();
    vorlo::GameFlip();
  }
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// What one vorlo frame asks of the event stream and the clock, without the
// drawing: `reads` clock readings, `pumps` message pumps, the frame's wait
// (pacing off) and the present hook.
void SeamFrames(int frames, int reads, int pumps) {
  const orv::FramePacer unpaced = [] {
    orv::FramePacer p;
    p.frameIntervalMs = 0;
    return p;
  }();
  orv::platform::Event e;
  for (int f = 0; f < frames; ++f) {
    for (int i = 0; i < reads; ++i) benchmark::DoNotOptimize(orv::ClockMs());
    for (int i = 0; i < pumps; ++i) {
      orv::platform::PumpEvents();
      while (orv::platform::PeekEvent(e)) orv::platform::PopEvent(e);
    }
    benchmark::DoNotOptimize(orv::WaitForFrame(unpaced, [] {}));
    orv::RunFrameHooks(orv::FramePhase::kPresent);
  }
}

void RecordingCost(benchmark::State& state) {
  if (!StartGame()) return state.SkipWithError("no GL device");
  orv::RuntimeState& rt = orv::Rt();
  const std::string path = TempPath("bench-recording.orvrec");
  constexpr int kRounds = 21, kFrames = 60, kSeamFrames = 3000, kPumps = 12;
  std::string error;

  // How often a vorlo frame reads the clock, from a recording of its frames.
  orv::InstallTape(rt, orv::MakeRecorder(rt, path, false, error));
  Frames(kFrames);
  orv::RemoveTape(rt);
  std::vector<uint8_t> bytes;
  orv::Recording recorded;
  if (!orv::LoadRecordingFile(path, bytes, error) || !orv::ReadRecording(bytes, recorded, error) || !recorded.frames)
    return state.SkipWithError("the recording could not be read back");
  const int reads = static_cast<int>((recorded.clocks.size() + recorded.frames - 1) / recorded.frames);
  const double bytesPerFrame = static_cast<double>(bytes.size()) / recorded.frames;

  std::vector<double> seamShare, wholeCpu, wholeWall, plainUs, overheadUs;
  for (auto _ : state) {
    for (int r = 0; r < kRounds; ++r) {
      // The frames themselves, without and with a recording, in alternating order.
      double c[2], w[2];
      for (int k = 0; k < 2; ++k) {
        const bool recording = (k == 0) == (r % 2 == 1);
        if (recording) orv::InstallTape(rt, orv::MakeRecorder(rt, path, false, error));
        const auto w0 = Clock::now();
        const double c0 = ProcessCpuSeconds();
        Frames(kFrames);
        c[recording] = ProcessCpuSeconds() - c0;
        w[recording] = std::chrono::duration<double>(Clock::now() - w0).count();
        if (recording) orv::RemoveTape(rt);
      }
      wholeCpu.push_back(c[1] / c[0]);
      wholeWall.push_back(w[1] / w[0]);
      // The recorder's own work on the same calls, on this thread alone.
      double t[2];
      for (int k = 0; k < 2; ++k) {
        const bool recording = (k == 0) == (r % 2 == 1);
        if (recording) orv::InstallTape(rt, orv::MakeRecorder(rt, path, false, error));
        const double t0 = ThreadCpuSeconds();
        SeamFrames(kSeamFrames, reads, kPumps);
        t[recording] = ThreadCpuSeconds() - t0;
        if (recording) orv::RemoveTape(rt);
      }
      const double plain = c[0] / kFrames, overhead = std::max(0.0, (t[1] - t[0]) / kSeamFrames);
      plainUs.push_back(plain * 1e6);
      overheadUs.push_back(overhead * 1e6);
      seamShare.push_back(1 + overhead / plain);
    }
  }
  std::remove(path.c_str());
  const Spread share = Of(seamShare), cpu = Of(wholeCpu), wall = Of(wholeWall), plain = Of(plainUs),
               over = Of(overheadUs);
  state.counters["ratio_cpu"] = share.median;
  state.counters["ratio_cpu_min"] = share.low;
  state.counters["ratio_cpu_max"] = share.high;
  state.counters["recorder_us_per_frame"] = over.median;
  state.counters["frame_cpu_us"] = plain.median;
  state.counters["bytes_per_frame"] = bytesPerFrame;
  std::printf("recording_cost: %d interleaved rounds; a vorlo frame (800 x 600) takes %.0f us cpu (%.0f-%.0f, all "
              "threads), the recorder %.2f us (%.2f-%.2f) of it on %d clock readings, %d pumps, a wait and a "
              "present: recording/plain %.4fx (%.4f-%.4f). Whole frames measured side by side: cpu %.3fx "
              "(%.3f-%.3f), wall %.3fx (%.3f-%.3f), too noisy on a shared machine to show a difference that "
              "small. %.1f bytes per frame recorded. (medians, ranges)\n",
              kRounds, plain.median, plain.low, plain.high, over.median, over.low, over.high, reads, kPumps,
              share.median, share.low, share.high, cpu.median, cpu.low, cpu.high, wall.median, wall.low, wall.high,
              bytesPerFrame);
}
BENCHMARK(RecordingCost)->Name("vorlo_replay/recording_cost")->Iterations(1)->Unit(benchmark::kMillisecond);

// Runs vorlo with extra environment; ends it with SIGTERM after `seconds`
// when positive. Wall seconds and the child's CPU seconds.
bool RunVorlo(const std::vector<std::string>& env, double seconds, double& wall, double& cpu) {
  std::vector<std::string> vars(env);
  for (char** e = environ; *e; ++e) vars.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string program = std::string(VORLO_GAME_DIR) + "/vorlo";
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const auto start = Clock::now();
  const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return false;
  if (seconds > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    kill(pid, SIGTERM);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  wall = std::chrono::duration<double>(Clock::now() - start).count();
  cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Replay60s(benchmark::State& state) {
  const char* shorter = std::getenv("BENCH_REPLAY_SECONDS");
  const double seconds = shorter ? std::atof(shorter) : 60.0;
  const std::string path = TempPath("bench-session.orvrec");
  const std::vector<std::string> common = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
  for (auto _ : state) {
    std::vector<std::string> env = common;
    env.push_back("ORVANE_RECORD=" + path);
    double recordedWall = 0, recordedCpu = 0;
    if (!RunVorlo(env, seconds, recordedWall, recordedCpu)) return state.SkipWithError("the recording run failed");
    std::vector<uint8_t> bytes;
    orv::Recording rec;
    std::string error;
    if (!orv::LoadRecordingFile(path, bytes, error) || !orv::ReadRecording(bytes, rec, error) || rec.clocks.empty())
      return state.SkipWithError("the recording could not be read back");
    // The session as the game lived it: from its first clock reading to its last.
    const double session = static_cast<double>(rec.clocks.back().ns - rec.clocks.front().ns) / 1e9;
    std::vector<double> wall, cpu;
    for (int r = 0; r < 3; ++r) {
      env = common;
      env.push_back("ORVANE_REPLAY=" + path);
      double w = 0, c = 0;
      if (!RunVorlo(env, 0, w, c)) return state.SkipWithError("the replay failed or differed");
      wall.push_back(w / session);
      cpu.push_back(c / session);
    }
    const Spread w = Of(wall), c = Of(cpu);
    state.counters["replay_wall_over_session"] = w.median;
    state.counters["replay_cpu_over_session"] = c.median;
    std::printf("replay_60s: a session of %.1f s and %u frames (%.0f fps; the recording run: %.1f s wall, %.1f s "
                "cpu over all threads, start-up and shutdown included), replayed 3 times as fast as it goes: wall "
                "%.3fx of the session (%.3f-%.3f), cpu %.3fx (%.3f-%.3f) (medians, ranges). On a machine whose "
                "cores are taken by other work the wall time follows the cpu share the replay gets; the cpu "
                "figure is what a replay needs.\n",
                session, rec.frames, rec.frames / session, recordedWall, recordedCpu, w.median, w.low, w.high,
                c.median, c.low, c.high);
  }
  std::remove(path.c_str());
}
BENCHMARK(Replay60s)->Name("vorlo_replay/replay_60s")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
