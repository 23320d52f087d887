// The recording file: writer, reader, frame hash and the description.
#include "runtime/replay/recording_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>

#include "runtime/byte_reader.h"

namespace orv {

namespace {

constexpr uint8_t kSignature[kRecordingSignatureSize] = {'O', 'R', 'V', 'R', 'E', 'C', '\r', '\n'};

// Record tags.
constexpr uint8_t kTagHeader = 'H';
constexpr uint8_t kTagClock = 'c';
constexpr uint8_t kTagFrameWait = 'w';
constexpr uint8_t kTagEvent = 'e';
constexpr uint8_t kTagReading = 'r';
constexpr uint8_t kTagSeed = 's';
constexpr uint8_t kTagWindowSize = 'z';
constexpr uint8_t kTagNotes = 'n';
constexpr uint8_t kTagFrame = 'f';
constexpr uint8_t kTagEnd = 'X';

constexpr uint64_t kHeaderHasHashes = 1;

uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

bool KeyKind(platform::EventKind k) { return k == platform::EventKind::KeyDown || k == platform::EventKind::KeyUp; }
bool PointerKind(platform::EventKind k) {
  return k == platform::EventKind::MouseMotion || k == platform::EventKind::MouseButtonDown ||
         k == platform::EventKind::MouseButtonUp;
}
bool JoyKind(platform::EventKind k) {
  return k >= platform::EventKind::JoyAxis && k <= platform::EventKind::JoyRemoved;
}

// A cursor over one chunk's records. Every read is bounded by the chunk;
// a failed read marks the parse failed, with the file offset of the record.
class RecordReader {
 public:
  explicit RecordReader(std::span<const uint8_t> payload) : in_(payload) {}
  bool AtEnd() const { return in_.Left() == 0; }
  size_t Position() const { return in_.Position(); }
  bool Ok() const { return ok_ && in_.Ok(); }

  uint8_t U8() { return in_.U8(); }
  uint64_t Unsigned() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const uint8_t b = in_.U8();
      if (!in_.Ok()) return 0;
      // The tenth byte may only carry the top bit of 64.
      if (shift == 63 && b > 1) return Bad();
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) return v;
    }
    return Bad();
  }
  int64_t Signed() { return UnZigZag(Unsigned()); }
  int32_t Int32() {
    const int64_t v = Signed();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return static_cast<int32_t>(Bad());
    return static_cast<int32_t>(v);
  }
  uint32_t Uint32() {
    const uint64_t v = Unsigned();
    if (v > std::numeric_limits<uint32_t>::max()) return static_cast<uint32_t>(Bad());
    return static_cast<uint32_t>(v);
  }
  bool Text(std::string& out, size_t limit) {
    const uint64_t n = Unsigned();
    if (!Ok() || n > limit) return Bad() != 0;
    std::span<const uint8_t> bytes = in_.Take(static_cast<size_t>(n));
    if (!in_.Ok()) return false;
    out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  }
  uint64_t Fixed64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(in_.U8()) << (8 * i);
    return v;
  }
  uint64_t Bad() {
    ok_ = false;
    return 0;
  }

 private:
  ByteReader in_;
  bool ok_ = true;
};

bool ReadEvent(RecordReader& r, RecordedEvent& out) {
  using platform::EventKind;
  out.point = r.Uint32();
  const uint8_t kind = r.U8();
  if (kind > static_cast<uint8_t>(EventKind::JoyRemoved)) return r.Bad() != 0;
  platform::Event& e = out.event;
  e = platform::Event{};
  e.kind = static_cast<EventKind>(kind);
  e.type = r.Uint32();
  const uint8_t window = r.U8();
  if (window > static_cast<uint8_t>(WindowRef::kOther)) return r.Bad() != 0;
  out.window = static_cast<WindowRef>(window);
  if (out.window == WindowRef::kOther) e.windowId = r.Uint32();
  e.param1 = r.Int32();
  e.param2 = r.Int32();
  if (KeyKind(e.kind)) {
    e.key.scancode = r.Int32();
    const uint32_t mods = r.Uint32();
    if (mods > 0xFFFF) return r.Bad() != 0;
    e.key.mods = static_cast<uint16_t>(mods);
    e.key.repeat = r.U8() != 0;
  } else if (e.kind == EventKind::Text) {
    std::string text;
    if (!r.Text(text, sizeof e.text - 1)) return false;
    std::memcpy(e.text, text.data(), text.size());
  } else if (PointerKind(e.kind)) {
    e.pointer.x = r.Int32();
    e.pointer.y = r.Int32();
    e.pointer.dx = r.Int32();
    e.pointer.dy = r.Int32();
    e.pointer.button = r.U8();
    e.pointer.clicks = r.U8();
  } else if (e.kind == EventKind::MouseWheel) {
    e.wheel.x = r.Int32();
    e.wheel.y = r.Int32();
  } else if (JoyKind(e.kind)) {
    e.joy.device = r.Int32();
    e.joy.control = r.Int32();
    e.joy.value = r.Int32();
  }
  return r.Ok();
}

std::string At(size_t offset, const char* what) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "damaged at byte %zu: %s", offset, what);
  return buf;
}

struct ParseState {
  bool header = false;
  uint32_t period = 0;
  int64_t clockNs = 0;
};

// One chunk's records into `out`; false with `error` set.
bool ReadChunk(std::span<const uint8_t> payload, size_t fileOffset, ParseState& state, Recording& out,
               std::string& error) {
  RecordReader r(payload);
  while (!r.AtEnd()) {
    const size_t at = fileOffset + r.Position();
    if (out.complete) {
      error = At(at, "records after the end record");
      return false;
    }
    const uint8_t tag = r.U8();
    if (!state.header && tag != kTagHeader) {
      error = At(at, "the recording does not start with its header");
      return false;
    }
    switch (tag) {
      case kTagHeader: {
        if (state.header) {
          error = At(at, "a second header");
          return false;
        }
        state.header = true;
        RecordingHeader& h = out.header;
        const uint64_t flags = r.Unsigned();
        h.frameHashes = (flags & kHeaderHasHashes) != 0;
        r.Text(h.program, kMaxRecordingText);
        r.Text(h.commandLine, kMaxRecordingText);
        h.recordedAt = r.Signed();
        h.width = r.Int32();
        h.height = r.Int32();
        h.frameRate = r.Int32();
        h.fullScreen = r.Int32();
        h.multisample = r.Int32();
        h.exclusiveMouse = r.Int32();
        const uint64_t origin = r.Unsigned();
        if (origin > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) r.Bad();
        h.clockOriginNs = static_cast<int64_t>(origin);
        state.clockNs = h.clockOriginNs;
        break;
      }
      case kTagClock:
      case kTagFrameWait: {
        const int64_t delta = r.Signed();
        // Wrapping arithmetic, then a range check: a steady clock reading is never negative.
        const int64_t ns = static_cast<int64_t>(static_cast<uint64_t>(state.clockNs) + static_cast<uint64_t>(delta));
        if (ns < 0) {
          error = At(at, "a clock reading before the clock's start");
          return false;
        }
        state.clockNs = ns;
        out.clocks.push_back(
            {state.period, tag == kTagClock ? ClockReading::kClock : ClockReading::kFrameWait, ns});
        break;
      }
      case kTagEvent: {
        RecordedEvent e;
        e.period = state.period;
        if (!ReadEvent(r, e)) break;
        out.events.push_back(e);
        break;
      }
      case kTagReading: {
        RecordedReading reading;
        reading.period = state.period;
        const uint8_t what = r.U8();
        if (what < static_cast<uint8_t>(platform::Reading::KeyboardFocus) ||
            what > static_cast<uint8_t>(platform::Reading::DesktopBits)) {
          error = At(at, "a reading of an unknown kind");
          return false;
        }
        reading.what = static_cast<platform::Reading>(what);
        reading.count = r.U8();
        if (reading.count > platform::kMaxReadingValues) {
          error = At(at, "a reading with too many values");
          return false;
        }
        for (int i = 0; i < reading.count; ++i) reading.values[i] = r.Int32();
        out.readings.push_back(reading);
        break;
      }
      case kTagSeed:
        out.hasSeed = true;
        out.startSeed = r.Int32();
        break;
      case kTagWindowSize: {
        RecordedSize size;
        size.frame = state.period + 1;
        size.width = r.Int32();
        size.height = r.Int32();
        out.sizes.push_back(size);
        break;
      }
      case kTagNotes: {
        const uint64_t notes = r.Unsigned();
        if (notes & ~uint64_t{kAllReplayNotes}) {
          error = At(at, "notes of an unknown kind");
          return false;
        }
        out.notes |= static_cast<uint32_t>(notes);
        break;
      }
      case kTagFrame:
        if (out.frames == std::numeric_limits<uint32_t>::max()) {
          error = At(at, "too many frames");
          return false;
        }
        if (out.header.frameHashes) out.frameHashes.push_back(r.Fixed64());
        ++out.frames;
        state.period = out.frames;
        break;
      case kTagEnd:
        if (r.Uint32() != out.frames && r.Ok()) {
          error = At(at, "the end record counts a different number of frames");
          return false;
        }
        out.complete = true;
        break;
      default: {
        char what[64];
        std::snprintf(what, sizeof what, "a record of unknown kind 0x%02X", tag);
        error = At(at, what);
        return false;
      }
    }
    if (!r.Ok()) {
      error = At(at, "a record that does not fit its chunk or holds impossible values");
      return false;
    }
  }
  return true;
}

const char* EventGroup(platform::EventKind k) {
  using platform::EventKind;
  if (KeyKind(k)) return "keys";
  if (k == EventKind::Text) return "text";
  if (PointerKind(k) || k == EventKind::MouseWheel) return "pointer";
  if (JoyKind(k)) return "joystick";
  if (k == EventKind::FocusGained || k == EventKind::FocusLost) return "focus";
  if (k == EventKind::Quit || k == EventKind::Close) return "close";
  return "window and other";
}

}  // namespace

// ---- Writer -------------------------------------------------------------------

void RecordingWriter::Preamble(std::vector<uint8_t>& out) {
  out.insert(out.end(), kSignature, kSignature + kRecordingSignatureSize);
  out.push_back(static_cast<uint8_t>(kRecordingVersion));
  out.push_back(static_cast<uint8_t>(kRecordingVersion >> 8));
  out.push_back(0);
  out.push_back(0);
}

void RecordingWriter::Unsigned(uint64_t v) {
  while (v >= 0x80) {
    pending_.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  pending_.push_back(static_cast<uint8_t>(v));
}

void RecordingWriter::Signed(int64_t v) { Unsigned(ZigZag(v)); }

void RecordingWriter::Text(const std::string& s) {
  const size_t n = std::min(s.size(), kMaxRecordingText);
  Unsigned(n);
  pending_.insert(pending_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

void RecordingWriter::Header(const RecordingHeader& h) {
  pending_.push_back(kTagHeader);
  Unsigned(h.frameHashes ? kHeaderHasHashes : 0);
  Text(h.program);
  Text(h.commandLine);
  Signed(h.recordedAt);
  for (int32_t v : {h.width, h.height, h.frameRate, h.fullScreen, h.multisample, h.exclusiveMouse}) Signed(v);
  Unsigned(static_cast<uint64_t>(h.clockOriginNs));
  lastClockNs_ = h.clockOriginNs;
}

void RecordingWriter::Clock(ClockReading kind, int64_t ns) {
  pending_.push_back(kind == ClockReading::kFrameWait ? kTagFrameWait : kTagClock);
  Signed(static_cast<int64_t>(static_cast<uint64_t>(ns) - static_cast<uint64_t>(lastClockNs_)));
  lastClockNs_ = ns;
}

void RecordingWriter::Event(uint32_t point, WindowRef window, const platform::Event& e) {
  using platform::EventKind;
  pending_.push_back(kTagEvent);
  Unsigned(point);
  pending_.push_back(static_cast<uint8_t>(e.kind));
  Unsigned(e.type);
  pending_.push_back(static_cast<uint8_t>(window));
  if (window == WindowRef::kOther) Unsigned(e.windowId);
  Signed(e.param1);
  Signed(e.param2);
  if (KeyKind(e.kind)) {
    Signed(e.key.scancode);
    Unsigned(e.key.mods);
    pending_.push_back(e.key.repeat ? 1 : 0);
  } else if (e.kind == EventKind::Text) {
    Text(std::string(e.text, strnlen(e.text, sizeof e.text - 1)));
  } else if (PointerKind(e.kind)) {
    for (int32_t v : {e.pointer.x, e.pointer.y, e.pointer.dx, e.pointer.dy}) Signed(v);
    pending_.push_back(e.pointer.button);
    pending_.push_back(e.pointer.clicks);
  } else if (e.kind == EventKind::MouseWheel) {
    Signed(e.wheel.x);
    Signed(e.wheel.y);
  } else if (JoyKind(e.kind)) {
    for (int32_t v : {e.joy.device, e.joy.control, e.joy.value}) Signed(v);
  }
}

void RecordingWriter::Reading(platform::Reading what, const int32_t* values, int count) {
  if (count < 0) count = 0;
  if (count > platform::kMaxReadingValues) count = platform::kMaxReadingValues;
  pending_.push_back(kTagReading);
  pending_.push_back(static_cast<uint8_t>(what));
  pending_.push_back(static_cast<uint8_t>(count));
  for (int i = 0; i < count; ++i) Signed(values[i]);
}

void RecordingWriter::Seed(int32_t seed) {
  pending_.push_back(kTagSeed);
  Signed(seed);
}

void RecordingWriter::WindowSize(int32_t width, int32_t height) {
  pending_.push_back(kTagWindowSize);
  Signed(width);
  Signed(height);
}

void RecordingWriter::Notes(uint32_t notes) {
  pending_.push_back(kTagNotes);
  Unsigned(notes);
}

void RecordingWriter::Frame(bool withHash, uint64_t hash) {
  pending_.push_back(kTagFrame);
  if (withHash)
    for (int i = 0; i < 8; ++i) pending_.push_back(static_cast<uint8_t>(hash >> (8 * i)));
}

void RecordingWriter::End(uint32_t frames) {
  pending_.push_back(kTagEnd);
  Unsigned(frames);
}

void RecordingWriter::TakeChunk(std::vector<uint8_t>& out) {
  if (pending_.empty()) return;
  const uLong crc = crc32(0, pending_.data(), static_cast<uInt>(pending_.size()));
  AppendLe32(out, static_cast<uint32_t>(pending_.size()));
  AppendLe32(out, static_cast<uint32_t>(crc));
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
}

// ---- Reader -------------------------------------------------------------------------

bool ReadRecording(std::span<const uint8_t> bytes, Recording& out, std::string& error) {
  out = Recording{};
  if (bytes.size() < kRecordingSignatureSize || std::memcmp(bytes.data(), kSignature, kRecordingSignatureSize) != 0) {
    error = "not a recording (it does not start with the ORVREC signature)";
    return false;
  }
  if (bytes.size() < kRecordingPreambleSize) {
    error = "truncated: the file ends inside its first bytes";
    return false;
  }
  if (bytes.size() > kMaxRecordingBytes) {
    error = "too large to be a recording";
    return false;
  }
  const uint16_t version = LoadLe16(bytes.data() + kRecordingSignatureSize);
  if (version != kRecordingVersion) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "made in format %u; this runtime reads format %u", version, kRecordingVersion);
    error = buf;
    return false;
  }
  ParseState state;
  size_t at = kRecordingPreambleSize;
  try {
    while (at < bytes.size()) {
      const size_t left = bytes.size() - at;
      if (left < 8) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "truncated at byte %zu: a block header needs 8 bytes, %zu are left", at, left);
        error = buf;
        return false;
      }
      const uint32_t size = LoadLe32(bytes.data() + at);
      const uint32_t crc = LoadLe32(bytes.data() + at + 4);
      if (size == 0 || size > kMaxRecordingChunk) {
        error = At(at, "a block of impossible size");
        return false;
      }
      if (size > left - 8) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "truncated at byte %zu: a block of %u bytes, %zu are left", at, size, left - 8);
        error = buf;
        return false;
      }
      std::span<const uint8_t> payload = bytes.subspan(at + 8, size);
      if (static_cast<uint32_t>(crc32(0, payload.data(), size)) != crc) {
        error = At(at, "the block's checksum does not match its bytes");
        return false;
      }
      if (!ReadChunk(payload, at + 8, state, out, error)) return false;
      at += 8 + size;
    }
  } catch (const std::bad_alloc&) {
    error = "too large to hold in memory";
    return false;
  }
  if (!state.header) {
    error = "truncated: the recording holds no header";
    return false;
  }
  return true;
}

std::vector<uint8_t> EncodeRecording(const Recording& rec) {
  std::vector<uint8_t> out;
  RecordingWriter::Preamble(out);
  RecordingWriter w;
  w.Header(rec.header);
  if (rec.notes) w.Notes(rec.notes);
  std::vector<const RecordedEvent*> events;
  for (const RecordedEvent& e : rec.events) events.push_back(&e);
  std::stable_sort(events.begin(), events.end(), [](const RecordedEvent* a, const RecordedEvent* b) {
    return a->period != b->period ? a->period < b->period : a->point < b->point;
  });
  // Chunks stay well below the largest a reader takes.
  auto chunked = [&] {
    if (w.Pending() > kMaxRecordingChunk / 2) w.TakeChunk(out);
  };
  size_t clock = 0, event = 0, reading = 0, size = 0;
  for (uint32_t period = 0; period <= rec.frames; ++period) {
    if (period == 0 && rec.hasSeed) w.Seed(rec.startSeed);
    for (; clock < rec.clocks.size() && rec.clocks[clock].period <= period; ++clock, chunked())
      w.Clock(rec.clocks[clock].kind, rec.clocks[clock].ns);
    for (; event < events.size() && events[event]->period <= period; ++event, chunked())
      w.Event(events[event]->point, events[event]->window, events[event]->event);
    for (; reading < rec.readings.size() && rec.readings[reading].period <= period; ++reading, chunked())
      w.Reading(rec.readings[reading].what, rec.readings[reading].values, rec.readings[reading].count);
    for (; size < rec.sizes.size() && rec.sizes[size].frame <= period + 1; ++size)
      w.WindowSize(rec.sizes[size].width, rec.sizes[size].height);
    if (period == rec.frames) break;
    w.Frame(rec.header.frameHashes, period < rec.frameHashes.size() ? rec.frameHashes[period] : 0);
    chunked();
  }
  if (rec.complete) w.End(rec.frames);
  w.TakeChunk(out);
  return out;
}

bool LoadRecordingFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > kMaxRecordingBytes) {
    ::close(fd);
    error = "too large to be a recording (more than 64 MiB)";
    return false;
  }
  try {
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    error = "too large to hold in memory";
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return true;
}

// ---- Frame hash ---------------------------------------------------------------------

uint64_t FrameHash(const uint8_t* rgba, int width, int height) {
  // Every step is a bijection of the state for a given input, so a picture
  // that differs in a single pixel always hashes differently.
  uint64_t h = 0x6A09E667F3BCC909ull ^ (static_cast<uint64_t>(static_cast<uint32_t>(width)) << 32 |
                                         static_cast<uint32_t>(height));
  auto mix = [&h](uint64_t v) {
    h ^= v;
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
  };
  const size_t n = width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
  size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    uint64_t v;
    std::memcpy(&v, rgba + i * 4, 8);
    mix(v & 0x00FFFFFF00FFFFFFull);
  }
  if (i < n) {
    uint32_t v;
    std::memcpy(&v, rgba + i * 4, 4);
    mix(v & 0x00FFFFFFu);
  }
  return h;
}

// ---- Description ----------------------------------------------------------------------

std::vector<std::string> ReplayNoteTexts(uint32_t notes) {
  std::vector<std::string> lines;
  if (notes & kNoteNetwork)
    lines.push_back("the recorded run used the network: network traffic is not recorded, so a replay "
                    "cannot reproduce what peers sent");
  if (notes & kNoteFilesWritten)
    lines.push_back("the recorded run wrote files: a replay reads the files as they are now and writes "
                    "them again");
  if (notes & kNoteMovies)
    lines.push_back("the recorded run played movies: their pictures follow the sound device, so a replay "
                    "cannot reproduce them frame for frame");
  if (notes & kNoteJoysticks)
    lines.push_back("the recorded run used joysticks: a replay has no joysticks to give their input to");
  return lines;
}

std::string DescribeRecording(const Recording& rec) {
  const RecordingHeader& h = rec.header;
  std::string out;
  char buf[512];
  auto line = [&](const char* format, auto... args) {
    std::snprintf(buf, sizeof buf, format, args...);
    out += buf;
  };
  line("format: %u\n", kRecordingVersion);
  line("program: %s\n", h.program.c_str());
  line("command line: %s\n", h.commandLine.c_str());
  std::time_t when = static_cast<std::time_t>(h.recordedAt);
  std::tm tm{};
  if (gmtime_r(&when, &tm)) {
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", &tm);
    line("recorded: %s\n", date);
  }
  line("settings: %d x %d, %d fps, %s, %s mouse, multisample %d\n", h.width, h.height, h.frameRate,
       h.fullScreen ? "full screen" : "windowed", h.exclusiveMouse ? "exclusive" : "shared", h.multisample);
  double seconds = 0;
  if (!rec.clocks.empty()) seconds = static_cast<double>(rec.clocks.back().ns - rec.clocks.front().ns) / 1e9;
  line("length: %u frames, %.1f s\n", rec.frames, seconds);
  line("frame hashes: %s\n", h.frameHashes ? "yes" : "no");
  if (rec.hasSeed) line("start seed: %d\n", rec.startSeed);
  if (!rec.sizes.empty()) {
    out += "window sizes:";
    for (size_t i = 0; i < rec.sizes.size(); ++i)
      line("%s %d x %d from frame %u", i ? "," : "", rec.sizes[i].width, rec.sizes[i].height, rec.sizes[i].frame);
    out += "\n";
  }
  line("events: %zu", rec.events.size());
  const char* groups[] = {"keys", "text", "pointer", "joystick", "focus", "close", "window and other"};
  bool first = true;
  for (const char* g : groups) {
    size_t n = 0;
    for (const RecordedEvent& e : rec.events) n += std::strcmp(EventGroup(e.event.kind), g) == 0;
    if (!n) continue;
    line("%s%s %zu", first ? " (" : ", ", g, n);
    first = false;
  }
  out += first ? "\n" : ")\n";
  line("clock readings: %zu\n", rec.clocks.size());
  if (rec.complete) {
    out += "complete: yes\n";
  } else {
    line("complete: no (the recorded program stopped after frame %u without shutting down)\n", rec.frames);
  }
  for (const std::string& note : ReplayNoteTexts(rec.notes)) line("cannot reproduce: %s\n", note.c_str());
  return out;
}

}  // namespace orv
