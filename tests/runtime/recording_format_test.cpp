// The recording file: what is written reads back in the period it was
// written in, and a damaged or cut-short file is refused with where.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/byte_reader.h"
#include "runtime/replay/recording_format.h"

namespace {

using orv::ClockReading;
using orv::Recording;
using orv::RecordingWriter;
using orv::WindowRef;
using orv::platform::Event;
using orv::platform::EventKind;

// One event of every kind, each field set to something of its own.
std::vector<Event> EveryKindOfEvent() {
  std::vector<Event> events;
  for (int k = 0; k <= static_cast<int>(EventKind::JoyRemoved); ++k) {
    Event e;
    e.kind = static_cast<EventKind>(k);
    e.type = 0x300 + static_cast<uint32_t>(k);
    e.param1 = -k - 1;
    e.param2 = 1000 * k;
    e.key = {40 + k, static_cast<uint16_t>(k & 15), (k & 1) != 0};
    std::snprintf(e.text, sizeof e.text, "t%d\xC3\xA4", k);
    e.pointer = {k * 3, -k * 5, -k, k * 7, static_cast<uint8_t>(k % 4), static_cast<uint8_t>(k % 3)};
    e.wheel = {-k, k + 2};
    e.joy = {k + 100, k % 6, -32768 + k};
    events.push_back(e);
  }
  return events;
}

// The fields a kind carries, as the reader must give them back.
void ExpectSame(const Event& want, const Event& got) {
  SCOPED_TRACE(static_cast<int>(want.kind));
  EXPECT_EQ(got.kind, want.kind);
  EXPECT_EQ(got.type, want.type);
  EXPECT_EQ(got.param1, want.param1);
  EXPECT_EQ(got.param2, want.param2);
  switch (want.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp:
      EXPECT_EQ(got.key.scancode, want.key.scancode);
      EXPECT_EQ(got.key.mods, want.key.mods);
      EXPECT_EQ(got.key.repeat, want.key.repeat);
      break;
    case EventKind::Text: EXPECT_STREQ(got.text, want.text); break;
    case EventKind::MouseMotion:
    case EventKind::MouseButtonDown:
    case EventKind::MouseButtonUp:
      EXPECT_EQ(got.pointer.x, want.pointer.x);
      EXPECT_EQ(got.pointer.y, want.pointer.y);
      EXPECT_EQ(got.pointer.dx, want.pointer.dx);
      EXPECT_EQ(got.pointer.dy, want.pointer.dy);
      EXPECT_EQ(got.pointer.button, want.pointer.button);
      EXPECT_EQ(got.pointer.clicks, want.pointer.clicks);
      break;
    case EventKind::MouseWheel:
      EXPECT_EQ(got.wheel.x, want.wheel.x);
      EXPECT_EQ(got.wheel.y, want.wheel.y);
      break;
    case EventKind::JoyAxis:
    case EventKind::JoyHat:
    case EventKind::JoyButtonDown:
    case EventKind::JoyButtonUp:
    case EventKind::JoyAdded:
    case EventKind::JoyRemoved:
      EXPECT_EQ(got.joy.device, want.joy.device);
      EXPECT_EQ(got.joy.control, want.joy.control);
      EXPECT_EQ(got.joy.value, want.joy.value);
      break;
    default: break;
  }
}

// A run of two frames: start-up, frame 1 (a flood of events), frame 2, end.
std::vector<uint8_t> SampleFile(bool complete = true) {
  std::vector<uint8_t> out;
  RecordingWriter::Preamble(out);
  RecordingWriter w;
  orv::RecordingHeader h;
  h.frameHashes = true;
  h.program = "game";
  h.commandLine = "./game --level \"two words\"";
  h.recordedAt = 1700000000;
  h.width = 800;
  h.height = 600;
  h.frameRate = 60;
  h.exclusiveMouse = 1;
  h.clockOriginNs = 5'000'000'000;
  w.Header(h);
  w.Seed(-1234);
  w.Clock(ClockReading::kClock, 5'000'000'000);
  const int32_t desktop[2] = {1920, 1080};
  w.Reading(orv::platform::Reading::DesktopSize, desktop, 2);
  w.WindowSize(800, 600);
  w.Frame(true, 0x0123456789ABCDEFull);
  w.TakeChunk(out);
  // Period 1: every kind of event, at growing pumps, for all three windows.
  uint32_t point = 1;
  for (const Event& e : EveryKindOfEvent()) {
    Event copy = e;
    const auto window = static_cast<WindowRef>(point % 3);
    copy.windowId = window == WindowRef::kOther ? 77 : 0;
    w.Event(point++, window, copy);
  }
  w.Clock(ClockReading::kClock, 5'000'000'001);
  w.Clock(ClockReading::kFrameWait, 5'016'666'667);
  // A clock that went back (a different clock source) is still a reading.
  w.Clock(ClockReading::kClock, 5'016'000'000);
  const int32_t focus = 1;
  w.Reading(orv::platform::Reading::KeyboardFocus, &focus, 1);
  w.Notes(orv::kNoteNetwork | orv::kNoteMovies);
  w.WindowSize(960, 640);
  w.Frame(true, 42);
  w.TakeChunk(out);
  if (complete) w.End(2);
  w.TakeChunk(out);
  return out;
}

TEST(RecordingFile, WhatIsWrittenReadsBackInThePeriodItHappenedIn) {
  const std::vector<uint8_t> bytes = SampleFile();
  Recording rec;
  std::string error;
  ASSERT_TRUE(orv::ReadRecording(bytes, rec, error)) << error;

  // Written, read, written again and read: the same recording every time.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_TRUE(rec.header.frameHashes);
    EXPECT_EQ(rec.header.program, "game");
    EXPECT_EQ(rec.header.commandLine, "./game --level \"two words\"");
    EXPECT_EQ(rec.header.recordedAt, 1700000000);
    EXPECT_EQ(rec.header.width, 800);
    EXPECT_EQ(rec.header.exclusiveMouse, 1);
    EXPECT_EQ(rec.header.clockOriginNs, 5'000'000'000);
    EXPECT_TRUE(rec.hasSeed);
    EXPECT_EQ(rec.startSeed, -1234);
    EXPECT_EQ(rec.frames, 2u);
    EXPECT_TRUE(rec.complete);
    EXPECT_EQ(rec.notes, orv::kNoteNetwork | orv::kNoteMovies);
    ASSERT_EQ(rec.frameHashes.size(), 2u);
    EXPECT_EQ(rec.frameHashes[0], 0x0123456789ABCDEFull);
    EXPECT_EQ(rec.frameHashes[1], 42u);

    ASSERT_EQ(rec.clocks.size(), 4u);
    const int64_t ns[] = {5'000'000'000, 5'000'000'001, 5'016'666'667, 5'016'000'000};
    const uint32_t periods[] = {0, 1, 1, 1};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(rec.clocks[i].ns, ns[i]) << i;
      EXPECT_EQ(rec.clocks[i].period, periods[i]) << i;
    }
    EXPECT_EQ(rec.clocks[2].kind, ClockReading::kFrameWait);

    ASSERT_EQ(rec.readings.size(), 2u);
    EXPECT_EQ(rec.readings[0].period, 0u);
    EXPECT_EQ(rec.readings[0].count, 2);
    EXPECT_EQ(rec.readings[0].values[1], 1080);
    EXPECT_EQ(rec.readings[1].what, orv::platform::Reading::KeyboardFocus);
    EXPECT_EQ(rec.readings[1].period, 1u);

    ASSERT_EQ(rec.sizes.size(), 2u);
    EXPECT_EQ(rec.sizes[0].frame, 1u);
    EXPECT_EQ(rec.sizes[1].frame, 2u);
    EXPECT_EQ(rec.sizes[1].width, 960);

    const std::vector<Event> events = EveryKindOfEvent();
    ASSERT_EQ(rec.events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
      const orv::RecordedEvent& got = rec.events[i];
      EXPECT_EQ(got.period, 1u);
      EXPECT_EQ(got.point, i + 1);
      EXPECT_EQ(got.window, static_cast<WindowRef>((i + 1) % 3));
      EXPECT_EQ(got.event.windowId, got.window == WindowRef::kOther ? 77u : 0u);
      ExpectSame(events[i], got.event);
    }

    const std::string info = orv::DescribeRecording(rec);
    for (const char* line : {"program: game\n", "length: 2 frames", "frame hashes: yes\n", "start seed: -1234\n",
                             "window sizes: 800 x 600 from frame 1, 960 x 640 from frame 2\n",
                             "complete: yes\n", "cannot reproduce: the recorded run used the network",
                             "cannot reproduce: the recorded run played movies"})
      EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;

    const std::vector<uint8_t> again = orv::EncodeRecording(rec);
    ASSERT_TRUE(orv::ReadRecording(again, rec, error)) << error;
  }
}

std::vector<uint8_t> Chunk(std::vector<uint8_t> payload) {
  std::vector<uint8_t> out;
  orv::AppendLe32(out, static_cast<uint32_t>(payload.size()));
  orv::AppendLe32(out, static_cast<uint32_t>(crc32(0, payload.data(), static_cast<uInt>(payload.size()))));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

std::vector<uint8_t> Preamble() {
  std::vector<uint8_t> out;
  RecordingWriter::Preamble(out);
  return out;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RecordingFile, DamageIsRefusedSayingWhatAndWhere) {
  const std::vector<uint8_t> good = SampleFile();
  const size_t firstPayload = orv::kRecordingPreambleSize + 8;
  // A file whose first block holds an empty header and then `records`.
  auto after = [](std::vector<uint8_t> records) {
    std::vector<uint8_t> payload = {'H', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    payload.insert(payload.end(), records.begin(), records.end());
    return Join(Preamble(), Chunk(payload));
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  auto with = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> b = good;
    b[at] = value;
    return b;
  };
  std::vector<uint8_t> version2 = with(orv::kRecordingSignatureSize, 2);
  const Case cases[] = {
      {"empty", {}, "not a recording"},
      {"text", {'h', 'e', 'l', 'l', 'o', '\n', 'x', 'y', 'z'}, "not a recording"},
      {"newer format", version2, "made in format 2; this runtime reads format 1"},
      {"flipped byte", with(firstPayload + 3, good[firstPayload + 3] ^ 0x10), "checksum does not match"},
      {"empty block", Join(Preamble(), {0, 0, 0, 0, 0, 0, 0, 0}), "a block of impossible size"},
      {"huge block", Join(Preamble(), {0, 0, 0x20, 0, 1, 2, 3, 4}), "a block of impossible size"},
      {"no header first", Join(Preamble(), Chunk({'c', 2})), "does not start with its header"},
      {"unknown tag", Join(after({}), Chunk({'?'})), "a record of unknown kind 0x3F"},
      {"second header", after({'H'}), "a second header"},
      {"record after the end", after({'X', 0, 's', 2}), "records after the end record"},
      {"frames miscounted", after({'f', 'X', 2}), "counts a different number of frames"},
      {"endless varint", after({'c', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}),
       "impossible values"},
      {"text past its block", Join(Preamble(), Chunk({'H', 0, 100, 'a'})), "does not fit its chunk"},
      {"overlong typed text", after({'e', 1, static_cast<uint8_t>(EventKind::Text), 0, 0, 0, 0, 40}),
       "impossible values"},
      {"event of no kind", after({'e', 1, 0x7F}), "impossible values"},
      {"clock before its start", after({'c', 3}), "a clock reading before the clock's start"},
      {"reading of many values", after({'r', 1, 9}), "too many values"},
      {"reading of no kind", after({'r', 0, 1, 2}), "a reading of an unknown kind"},
      {"unknown notes", after({'n', 0x40}), "notes of an unknown kind"},
      {"no records", Preamble(), "holds no header"},
  };
  for (const Case& c : cases) {
    Recording rec;
    std::string error;
    EXPECT_FALSE(orv::ReadRecording(c.bytes, rec, error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }

  // Cut anywhere: refused as truncated, unless the cut falls between two
  // blocks, where what is there is whole but has no end (a crashed run).
  std::vector<size_t> boundaries;
  for (size_t at = orv::kRecordingPreambleSize; at < good.size(); at += 8 + orv::LoadLe32(&good[at]))
    boundaries.push_back(at);
  for (size_t n = 0; n < good.size(); ++n) {
    Recording rec;
    std::string error;
    const bool read = orv::ReadRecording(std::span(good.data(), n), rec, error);
    const bool boundary = std::find(boundaries.begin() + 1, boundaries.end(), n) != boundaries.end();
    EXPECT_EQ(read, boundary) << n << ": " << error;
    if (read) {
      EXPECT_FALSE(rec.complete) << n;
      EXPECT_NE(orv::DescribeRecording(rec).find("complete: no (the recorded program stopped after frame"),
                std::string::npos);
    } else if (n >= orv::kRecordingPreambleSize) {
      EXPECT_EQ(error.find("truncated"), 0u) << n << ": " << error;
    }
  }
}

TEST(RecordingFile, TheFrameHashSeesEveryColourByteButNotAlpha) {
  std::vector<uint8_t> a(3 * 2 * 4, 7);
  const uint64_t base = orv::FrameHash(a.data(), 3, 2);
  EXPECT_NE(orv::FrameHash(a.data(), 2, 3), base);  // the same bytes in another shape
  for (size_t i = 0; i < a.size(); ++i) {
    std::vector<uint8_t> b = a;
    b[i] ^= 1;
    if (i % 4 == 3) {
      EXPECT_EQ(orv::FrameHash(b.data(), 3, 2), base) << i;
    } else {
      EXPECT_NE(orv::FrameHash(b.data(), 3, 2), base) << i;
    }
  }
}

}  // namespace
