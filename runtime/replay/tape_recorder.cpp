// The recorder: everything the run receives, noted as it passes.
#include "runtime/replay/tape_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "files/atomic_write.h"
#include "runtime/error_state.h"
#include "runtime/program_dir.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {
// A frame with a flood of events is split into chunks of about this size.
constexpr size_t kFlushAt = 256 * 1024;

std::string FileNameOf(const RtString& path) {
  const char* p = path.CStr();
  const char* slash = std::strrchr(p, '/');
  return slash ? slash + 1 : p;
}
}  // namespace

TapeRecorder::TapeRecorder(int fd, std::string path, bool frameHashes)
    : fd_(fd), path_(std::move(path)), frameHashes_(frameHashes) {}

TapeRecorder::~TapeRecorder() {
  if (fd_ >= 0) ::close(fd_);
}

void TapeRecorder::Begin(RuntimeState& rt, uint32_t earlierNotes) {
  RecordingHeader h;
  h.frameHashes = frameHashes_;
  h.program = FileNameOf(ProgramPath());
  h.commandLine = rt.commandLine.CStr();
  h.recordedAt = static_cast<int64_t>(std::time(nullptr));
  const ProjectSettings& s = rt.settings;
  h.width = s.width;
  h.height = s.height;
  h.frameRate = s.frameRate;
  h.fullScreen = s.fullScreen;
  h.multisample = s.multisample;
  h.exclusiveMouse = s.exclusiveMouse;
  h.clockOriginNs = ClockOriginNs();
  RecordingWriter::Preamble(out_);
  writer_.Header(h);
  notes_ = earlierNotes;
  if (notes_) writer_.Notes(notes_);
  Flush();
}

void TapeRecorder::Pump() {
  platform::SystemPumpEvents();
  points_.Pumped();
}

bool TapeRecorder::Peek(platform::Event& event) { return platform::SystemPeekEvent(event); }

bool TapeRecorder::Pop(platform::Event& event) {
  if (!platform::SystemPopEvent(event)) return false;
  RecordEvent(points_.Point(), event);
  return true;
}

void TapeRecorder::RecordEvent(uint32_t point, const platform::Event& event) {
  if (event.kind >= platform::EventKind::JoyAxis && event.kind <= platform::EventKind::JoyRemoved)
    NoteUnreplayable(kNoteJoysticks);
  writer_.Event(point, WindowRefOf(Rt(), event.windowId), event);
  if (writer_.Pending() > kFlushAt) Flush();
}

void TapeRecorder::Read(platform::Reading what, int32_t* values, int count) { writer_.Reading(what, values, count); }

int64_t TapeRecorder::Read(ClockReading kind, int64_t steadyNs) {
  writer_.Clock(kind, steadyNs);
  if (writer_.Pending() > kFlushAt) Flush();
  return steadyNs;
}

double TapeRecorder::FrameWait(const FramePacer& pacer, void (*pump)(void*), void* context) {
  // The pacer waits on the real clock; only where the wait ended is noted.
  int64_t last = 0;
  points_.BeginWait();
  pacer.Wait(
      [&last] {
        last = SteadyClockNs();
        return ClockMsOf(last);
      },
      SleepMs, [pump, context] { pump(context); });
  points_.EndWait();
  return ClockMsOf(Read(ClockReading::kFrameWait, last));
}

int32_t TapeRecorder::StartSeed(int32_t seed) {
  writer_.Seed(seed);
  return seed;
}

void TapeRecorder::NoteNewNotes() {
  const uint32_t fresh = UnreplayableNotes() & ~notes_;
  if (!fresh) return;
  notes_ |= fresh;
  writer_.Notes(fresh);
}

void TapeRecorder::Present(RuntimeState& rt) {
  ++frames_;
  NoteNewNotes();
  int32_t w = 0, h = 0;
  GameWindowSize(rt, w, h);
  if (w != width_ || h != height_) {
    width_ = w;
    height_ = h;
    writer_.WindowSize(w, h);
  }
  uint64_t hash = 0;
  if (frameHashes_) HashPresentedFrame(rt, frame_, hash);
  writer_.Frame(frameHashes_, hash);
  points_.NewPeriod();
  Flush();
}

void TapeRecorder::Finish(RuntimeState&) {
  if (finished_) return;
  finished_ = true;
  NoteNewNotes();
  writer_.End(frames_);
  Flush();
  if (fd_ >= 0 && ::close(fd_) != 0 && !failed_) {
    std::fprintf(stderr, "record: cannot finish %s: %s\n", path_.c_str(), std::strerror(errno));
    LogFormat("record: cannot finish %s\n", path_.c_str());
  }
  fd_ = -1;
}

void TapeRecorder::Flush() {
  writer_.TakeChunk(out_);
  if (failed_ || out_.empty()) {
    out_.clear();
    return;
  }
  if (WriteFully(fd_, out_.data(), out_.size()) != out_.size()) {
    // The game goes on; the recording keeps what was written so far.
    failed_ = true;
    std::fprintf(stderr, "record: cannot write %s (%s): the recording stops after frame %u\n", path_.c_str(),
                 std::strerror(errno), frames_);
    LogFormat("record: cannot write %s: the recording stops after frame %u\n", path_.c_str(), frames_);
  }
  out_.clear();
}

std::unique_ptr<TapeRecorder> OpenTapeRecorder(const std::string& path, bool frameHashes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<TapeRecorder>(fd, path, frameHashes);
}

std::unique_ptr<SessionTape> MakeRecorder(RuntimeState& rt, const std::string& path, bool frameHashes,
                                          std::string& error) {
  std::unique_ptr<TapeRecorder> recorder = OpenTapeRecorder(path, frameHashes, error);
  if (recorder) recorder->Begin(rt);
  return recorder;
}

}  // namespace orv
