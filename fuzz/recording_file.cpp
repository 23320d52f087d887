// Fuzz target: recording files. The reader must stay inside the bytes and
// refuse what it cannot use; what it accepts must describe itself and write
// back to a file that reads to the same recording. The bytes are tried as a
// whole file and, so the records behind the checksum are reached too, as the
// payload of one well-formed block.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/byte_reader.h"
#include "runtime/replay/recording_format.h"

namespace {

void Check(std::span<const uint8_t> bytes) {
  orv::Recording rec;
  std::string error;
  if (!orv::ReadRecording(bytes, rec, error)) {
    if (error.empty()) __builtin_trap();
    return;
  }
  (void)orv::DescribeRecording(rec);
  const std::vector<uint8_t> once = orv::EncodeRecording(rec);
  orv::Recording again;
  if (!orv::ReadRecording(once, again, error)) __builtin_trap();
  if (again.frames != rec.frames || again.complete != rec.complete || again.clocks.size() != rec.clocks.size() ||
      again.events.size() != rec.events.size() || again.frameHashes != rec.frameHashes ||
      again.notes != rec.notes || again.startSeed != rec.startSeed)
    __builtin_trap();
  if (orv::EncodeRecording(again) != once) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::span(data, size));
  if (size == 0 || size > orv::kMaxRecordingChunk) return 0;
  std::vector<uint8_t> file;
  orv::RecordingWriter::Preamble(file);
  orv::AppendLe32(file, static_cast<uint32_t>(size));
  orv::AppendLe32(file, static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size))));
  file.insert(file.end(), data, data + size);
  Check(file);
  return 0;
}
