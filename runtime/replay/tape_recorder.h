// The recorder: passes the system's events, readings and clock through
// unchanged and notes each of them into the recording file, written out
// chunk by chunk at every presented frame (so a run that crashes keeps all
// but its last frame).
#pragma once

#include <string>
#include <vector>

#include "runtime/replay/session_tape.h"
#include "runtime/replay/tape_common.h"

namespace orv {

class TapeRecorder final : public SessionTape {
 public:
  TapeRecorder(int fd, std::string path, bool frameHashes);
  ~TapeRecorder() override;

  // Writes the file's start: signature, version, header.
  void Begin(RuntimeState& rt, uint32_t earlierNotes = 0);

  // platform::Tap
  void Pump() override;
  bool Peek(platform::Event& event) override;
  bool Pop(platform::Event& event) override;
  void Read(platform::Reading what, int32_t* values, int count) override;
  // ClockTap
  int64_t Read(ClockReading kind, int64_t steadyNs) override;
  double FrameWait(const FramePacer& pacer, void (*pump)(void*), void* context) override;
  bool Sleeps() const override { return true; }
  // SessionTape
  void Present(RuntimeState& rt) override;
  int32_t StartSeed(int32_t seed) override;
  void Finish(RuntimeState& rt) override;

  // An event delivered at `point` of the current period (a replay that records again).
  void RecordEvent(uint32_t point, const platform::Event& event);

 private:
  void NoteNewNotes();
  void Flush();

  int fd_;
  std::string path_;
  bool frameHashes_;
  RecordingWriter writer_;
  std::vector<uint8_t> out_;
  PumpPoints points_;
  uint32_t frames_ = 0;
  uint32_t notes_ = 0;
  int32_t width_ = -1, height_ = -1;
  PixelImage frame_;
  bool failed_ = false;
  bool finished_ = false;
};

// A recorder writing to `path`, not yet begun; null with `error` when the
// file cannot be made.
std::unique_ptr<TapeRecorder> OpenTapeRecorder(const std::string& path, bool frameHashes, std::string& error);

}  // namespace orv
