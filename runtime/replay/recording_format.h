// The recording file: what one run of a game received from outside, in the
// order it arrived, so another run can be given exactly the same. The format
// is documented for readers in docs/recordings.md; in short:
//
//   file    = signature "ORVREC\r\n", version (u16 LE), 0 (u16), chunk...
//   chunk   = payload size (u32 LE, 1 .. 1 MiB), CRC-32 of the payload (u32 LE), payload
//   payload = record... (a record never spans two chunks)
//   record  = tag byte, fields (numbers as LEB128 varints, signed ones zigzag)
//
// Records arrive in time order. The first is the header; a frame record
// marks each presented frame; the end record, written when the program shut
// down, is the last. Everything between two frame records happened in the
// "period" after the first of them: period 0 is the start-up, period N the
// time after frame N was presented.
//
// The writer encodes records into a buffer the caller writes out chunk by
// chunk; the reader takes the bytes of a whole file, checks every chunk and
// field, and refuses anything damaged or cut short with a message saying
// where, never reading outside the bytes it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/events.h"
#include "runtime/clock.h"
#include "runtime/replay/replay_notes.h"

namespace orv {

constexpr uint16_t kRecordingVersion = 1;
constexpr size_t kRecordingSignatureSize = 8;
constexpr size_t kRecordingPreambleSize = kRecordingSignatureSize + 4;
constexpr uint32_t kMaxRecordingChunk = 1u << 20;
// A 10-minute session takes a few MB; 64 MiB is hours of frames.
constexpr size_t kMaxRecordingBytes = size_t{64} << 20;
constexpr size_t kMaxRecordingText = 4096;

struct RecordingHeader {
  bool frameHashes = false;  // every frame record carries the frame's hash
  std::string program;       // the recorded program's file name
  std::string commandLine;   // its whole command line
  int64_t recordedAt = 0;    // seconds since 1970-01-01 UTC
  // The game's settings.
  int32_t width = 0, height = 0, frameRate = 0, fullScreen = 0, multisample = 0, exclusiveMouse = 0;
  // The raw clock reading the run's clock counted from; 0 when none was taken yet.
  int64_t clockOriginNs = 0;
};

// Which window an event is for, so a replay can aim it at its own window.
enum class WindowRef : uint8_t {
  kNone = 0,   // for no window
  kMain = 1,   // the game's window
  kOther = 2,  // another one, by the recorded number
};

struct RecordedEvent {
  uint32_t period = 0;  // frames presented before it arrived
  uint32_t point = 0;   // which message pump of that period delivered it, from 1
  WindowRef window = WindowRef::kNone;
  platform::Event event;  // windowId holds the recorded number for kOther
};

struct RecordedReading {
  uint32_t period = 0;
  platform::Reading what = platform::Reading::KeyboardFocus;
  uint8_t count = 0;
  int32_t values[platform::kMaxReadingValues] = {};
};

struct RecordedClock {
  uint32_t period = 0;
  ClockReading kind = ClockReading::kClock;
  int64_t ns = 0;  // raw steady-clock reading
};

struct RecordedSize {
  uint32_t frame = 0;  // the first frame shown at this size
  int32_t width = 0, height = 0;
};

struct Recording {
  RecordingHeader header;
  std::vector<RecordedClock> clocks;
  std::vector<RecordedEvent> events;
  std::vector<RecordedReading> readings;
  std::vector<RecordedSize> sizes;
  std::vector<uint64_t> frameHashes;  // by frame number - 1, when the header says so
  uint32_t frames = 0;                // frames presented
  bool hasSeed = false;
  int32_t startSeed = 0;              // the random seed the run started from
  uint32_t notes = 0;                 // ReplayNote bits
  bool complete = false;              // the end record is there: the run shut down in order
};

class RecordingWriter {
 public:
  // The signature and version that start every file.
  static void Preamble(std::vector<uint8_t>& out);

  void Header(const RecordingHeader& header);
  void Clock(ClockReading kind, int64_t ns);
  void Event(uint32_t point, WindowRef window, const platform::Event& event);
  void Reading(platform::Reading what, const int32_t* values, int count);
  void Seed(int32_t seed);
  void WindowSize(int32_t width, int32_t height);
  void Notes(uint32_t notes);
  // A frame was presented; the hash only when the header announced hashes.
  void Frame(bool withHash, uint64_t hash);
  void End(uint32_t frames);

  // Bytes of records waiting for the next chunk.
  size_t Pending() const { return pending_.size(); }
  // Appends the waiting records to `out` as one chunk (nothing when none wait).
  void TakeChunk(std::vector<uint8_t>& out);

 private:
  void Unsigned(uint64_t v);
  void Signed(int64_t v);
  void Text(const std::string& s);
  std::vector<uint8_t> pending_;
  int64_t lastClockNs_ = 0;
};

// Checks and decodes a whole file. False with `error` telling what is wrong
// and where ("damaged at byte 1234: ..."); `out` is then unspecified.
bool ReadRecording(std::span<const uint8_t> bytes, Recording& out, std::string& error);
// A whole file holding `recording`: period by period, events in the order of
// their pumps (so an edited recording is written as a replay reads it).
std::vector<uint8_t> EncodeRecording(const Recording& recording);
// Reads a file of at most kMaxRecordingBytes; false with a message otherwise.
bool LoadRecordingFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// The hash a frame record carries: the picture's size and its red, green and
// blue bytes (alpha is not part of what a window shows). `rgba` holds
// width x height pixels of four bytes, top row first.
uint64_t FrameHash(const uint8_t* rgba, int width, int height);

// One line per note: what the replay cannot reproduce, and why.
std::vector<std::string> ReplayNoteTexts(uint32_t notes);
// What `orvane-replay info` prints about a recording.
std::string DescribeRecording(const Recording& recording);

}  // namespace orv
