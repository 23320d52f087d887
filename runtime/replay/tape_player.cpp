// The replayer: the run receives the recording's events, readings, clock and
// seed instead of the system's, period by period, and its frames are
// compared with the recorded ones.
//
// The system's own events are drained and dropped (the replay's window gets
// focus, size and pointer events of its own that the recorded run never
// saw), except a request to end, which a person watching may give.
//
// Where the run asks for something the recording does not hold at that
// moment (one clock reading too many, an event never taken), the run has left
// the recorded path: the first such place is reported, time goes on from the
// last recorded reading, and the replay ends with a failure.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <utility>

#include "files/atomic_write.h"
#include "gfx2d/image_codec.h"
#include "runtime/error_state.h"
#include "runtime/program_end.h"
#include "runtime/replay/session_tape.h"
#include "runtime/replay/tape_common.h"
#include "runtime/replay/tape_recorder.h"
#include "runtime/runtime_state.h"
#include "runtime/temp_dir.h"

namespace orv {

namespace {

void Say(const std::string& text) {
  std::fprintf(stderr, "replay: %s\n", text.c_str());
  LogFormat("replay: %s\n", text.c_str());
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

void SleepUntilNs(int64_t target) {
  for (int64_t now = SteadyClockNs(); now < target; now = SteadyClockNs()) {
    const int64_t ns = target - now;
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    nanosleep(&ts, nullptr);
  }
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteFully(fd, bytes.data(), bytes.size()) == bytes.size();
  return ::close(fd) == 0 && ok;
}

class TapePlayer final : public SessionTape {
 public:
  TapePlayer(Recording recording, bool realSpeed, std::unique_ptr<TapeRecorder> copy)
      : rec_(std::move(recording)), realSpeed_(realSpeed), copy_(std::move(copy)) {}

  void Begin(RuntimeState& rt) {
    // The run counts its clock from where the recorded one did.
    SetClockOriginNs(rec_.header.clockOriginNs);
    realOriginNs_ = SteadyClockNs();
    recordedOriginNs_ = rec_.header.clockOriginNs;
    if (recordedOriginNs_ == 0 && !rec_.clocks.empty()) recordedOriginNs_ = rec_.clocks.front().ns;
    for (const std::string& note : ReplayNoteTexts(rec_.notes)) Say("cannot reproduce: " + note);
    if (copy_) copy_->Begin(rt, rec_.notes);
  }

  // ---- platform::Tap --------------------------------------------------------------------
  void Pump() override {
    DrainSystem();
    points_.Pumped();
    RuntimeState& rt = Rt();
    while (event_ < rec_.events.size()) {
      const RecordedEvent& e = rec_.events[event_];
      if (e.period > period_ || (e.period == period_ && e.point > points_.Point())) break;
      platform::Event event = e.event;
      event.windowId = WindowIdOf(rt, e.window, e.event.windowId);
      pending_.push_back(event);
      ++event_;
    }
  }

  bool Peek(platform::Event& event) override {
    if (pending_.empty()) return false;
    event = pending_.front();
    return true;
  }

  bool Pop(platform::Event& event) override {
    if (pending_.empty()) return false;
    event = pending_.front();
    pending_.pop_front();
    if (copy_) copy_->RecordEvent(points_.Point(), event);
    return true;
  }

  void Read(platform::Reading what, int32_t* values, int count) override {
    if (reading_ < rec_.readings.size()) {
      const RecordedReading& r = rec_.readings[reading_];
      if (r.period == period_ && r.what == what && r.count == count) {
        for (int i = 0; i < count; ++i) values[i] = r.values[i];
        ++reading_;
        if (copy_) copy_->Read(what, values, count);
        return;
      }
    }
    LeftThePath("the run read the system's state where the recorded run did not");
    if (copy_) copy_->Read(what, values, count);
  }

  // ---- ClockTap ------------------------------------------------------------------------
  int64_t Read(ClockReading kind, int64_t steadyNs) override { return NextClock(kind, steadyNs); }

  double FrameWait(const FramePacer&, void (*pump)(void*), void* context) override {
    // One pump stands for all the pumps of the recorded wait.
    points_.BeginWait();
    pump(context);
    points_.EndWait();
    const int64_t ns = NextClock(ClockReading::kFrameWait, SteadyClockNs());
    if (realSpeed_) {
      // Wait for the moment the recorded run reached, draining the system meanwhile.
      const int64_t target = realOriginNs_ + (ns - recordedOriginNs_);
      while (SteadyClockNs() < target) {
        DrainSystem();
        SleepUntilNs(std::min(target, SteadyClockNs() + 5000000));
      }
    }
    return ClockMsOf(ns);
  }

  bool Sleeps() const override { return realSpeed_; }

  // ---- SessionTape -----------------------------------------------------------------------
  int32_t StartSeed(int32_t seed) override {
    if (rec_.hasSeed) {
      if (seed != rec_.startSeed) LeftThePath("the random seed the clock made differs from the recorded one");
      seed = rec_.startSeed;
    }
    if (copy_) copy_->StartSeed(seed);
    return seed;
  }

  void Present(RuntimeState& rt) override {
    CloseThePeriod();
    ++period_;
    points_.NewPeriod();
    if (copy_) copy_->Present(rt);
    if (period_ > rec_.frames) {
      LeftThePath(Format("the recorded run ended after frame %u, the replay went on", rec_.frames));
      rt.exitCode = kExitReplayDiffers;
      EndProgram();
      return;
    }
    CheckWindowSize(rt);
    if (rec_.header.frameHashes && !copy_) CheckFrame(rt);
    if (period_ == rec_.frames && !rec_.complete) {
      // Nothing after this frame was written: the recorded run never got further.
      Say(Format("the recording stops after frame %u (the recorded program ended without shutting down): "
                 "the replay ends there",
                 rec_.frames));
      EndProgram();
    }
  }

  void Finish(RuntimeState& rt) override {
    if (finished_) return;
    finished_ = true;
    if (copy_) copy_->Finish(rt);
    if (differs_) return;  // reported where it happened
    if (stopped_) {
      Say(Format("stopped from outside after frame %u of %u", period_, rec_.frames));
      rt.exitCode = kExitReplayDiffers;
      return;
    }
    if (period_ < rec_.frames || event_ < rec_.events.size())
      LeftThePath(Format("the run ended after frame %u, the recorded run after frame %u", period_, rec_.frames));
    if (leftAt_ >= 0) {
      Say(Format("the run left the recorded path after frame %" PRId64 ": %s", leftAt_, leftWhy_.c_str()));
      rt.exitCode = kExitReplayDiffers;
      return;
    }
    const uint32_t frames = std::min(period_, rec_.frames);
    if (copy_) {
      Say(Format("%u frames replayed and recorded again", frames));
    } else if (rec_.header.frameHashes) {
      Say(Format("%u frames replayed, every one identical to the recording", frames));
    } else {
      Say(Format("%u frames replayed (the recording holds no frame hashes to compare)", frames));
    }
  }

 private:
  int64_t NextClock(ClockReading kind, int64_t live) {
    int64_t given;
    if (clock_ < rec_.clocks.size() && rec_.clocks[clock_].period == period_ && rec_.clocks[clock_].kind == kind) {
      given = rec_.clocks[clock_++].ns;
      givenLive_ = live;
    } else {
      LeftThePath(kind == ClockReading::kFrameWait ? "a frame's wait the recorded run did not make"
                                                   : "the run read the clock more often than the recorded run");
      // Time goes on from the last recorded reading, so a game waiting for
      // it still gets there.
      given = lastGiven_ + std::max<int64_t>(0, live - givenLive_);
    }
    lastGiven_ = given;
    if (copy_) copy_->Read(kind, given);
    return given;
  }

  // The period that the present ends must have taken everything recorded in it.
  void CloseThePeriod() {
    bool clocksLeft = false, readingsLeft = false, eventsLeft = false;
    for (; clock_ < rec_.clocks.size() && rec_.clocks[clock_].period <= period_; ++clock_) clocksLeft = true;
    for (; reading_ < rec_.readings.size() && rec_.readings[reading_].period <= period_; ++reading_)
      readingsLeft = true;
    // Events the run did not pump for still reach it, one period late.
    RuntimeState& rt = Rt();
    for (; event_ < rec_.events.size() && rec_.events[event_].period <= period_; ++event_) {
      platform::Event event = rec_.events[event_].event;
      event.windowId = WindowIdOf(rt, rec_.events[event_].window, event.windowId);
      pending_.push_back(event);
      eventsLeft = true;
    }
    if (clocksLeft) LeftThePath("the run read the clock fewer times than the recorded run");
    if (readingsLeft) LeftThePath("the run read the system's state fewer times than the recorded run");
    if (eventsLeft) LeftThePath("the run did not take all the events the recorded run took");
  }

  void CheckWindowSize(RuntimeState& rt) {
    while (size_ < rec_.sizes.size() && rec_.sizes[size_].frame <= period_) recordedSize_ = rec_.sizes[size_++];
    if (recordedSize_.frame == 0 || sizeWarned_) return;
    int32_t w = 0, h = 0;
    GameWindowSize(rt, w, h);
    if (w == recordedSize_.width && h == recordedSize_.height) return;
    sizeWarned_ = true;
    Say(Format("at frame %u the window is %d x %d, in the recording %d x %d", period_, w, h, recordedSize_.width,
               recordedSize_.height));
  }

  void CheckFrame(RuntimeState& rt) {
    uint64_t hash = 0;
    HashPresentedFrame(rt, frame_, hash);
    const uint64_t recorded = rec_.frameHashes[period_ - 1];
    if (hash == recorded) return;
    differs_ = true;
    Say(Format("frame %u differs from the recording: recorded %016" PRIx64 ", replayed %016" PRIx64, period_,
               recorded, hash));
    if (leftAt_ >= 0) Say(Format("the run had left the recorded path after frame %" PRId64 ": %s", leftAt_, leftWhy_.c_str()));
    std::vector<uint8_t> png;
    const std::string picture = std::string(TempDirectory().CStr()) + Format("replay-frame-%u.png", period_);
    if (!frame_.Empty() && EncodePng(frame_, png, false) && WriteWholeFile(picture, png)) {
      Say("the replayed frame is in " + picture);
    } else {
      Say("the replayed frame could not be saved as " + picture);
    }
    rt.exitCode = kExitReplayDiffers;
    EndProgram();
  }

  void LeftThePath(const std::string& why) {
    if (leftAt_ >= 0) return;
    leftAt_ = static_cast<int64_t>(period_);
    leftWhy_ = why;
    Say(Format("after frame %u the run no longer follows the recording: %s", period_, why.c_str()));
  }

  // Drops what the system queued for this run, except a request to end.
  void DrainSystem() {
    platform::SystemPumpEvents();
    platform::Event event;
    while (platform::SystemPopEvent(event)) {
      if (event.kind != platform::EventKind::Quit && event.kind != platform::EventKind::Close) continue;
      stopped_ = true;
      pending_.push_back(event);
    }
  }

  Recording rec_;
  bool realSpeed_;
  std::unique_ptr<TapeRecorder> copy_;  // recording the replay again
  PumpPoints points_;
  uint32_t period_ = 0;
  size_t clock_ = 0, event_ = 0, reading_ = 0, size_ = 0;
  std::deque<platform::Event> pending_;
  int64_t lastGiven_ = 0, givenLive_ = 0;
  int64_t realOriginNs_ = 0, recordedOriginNs_ = 0;
  RecordedSize recordedSize_;
  bool sizeWarned_ = false;
  PixelImage frame_;
  int64_t leftAt_ = -1;
  std::string leftWhy_;
  bool differs_ = false, stopped_ = false, finished_ = false;
};

}  // namespace

std::unique_ptr<SessionTape> MakeReplayer(RuntimeState& rt, const ReplaySettings& settings, std::string& error) {
  std::vector<uint8_t> bytes;
  Recording recording;
  if (!LoadRecordingFile(settings.replayPath, bytes, error) || !ReadRecording(bytes, recording, error))
    return nullptr;
  std::unique_ptr<TapeRecorder> copy;
  if (!settings.recordPath.empty()) {
    copy = OpenTapeRecorder(settings.recordPath, settings.recordHashes, error);
    if (!copy) {
      error = "cannot record into " + settings.recordPath + ": " + error;
      return nullptr;
    }
  }
  auto player = std::make_unique<TapePlayer>(std::move(recording), settings.realSpeed, std::move(copy));
  player->Begin(rt);
  return player;
}

}  // namespace orv
