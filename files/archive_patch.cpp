#include "files/archive_patch.h"

#include <zlib.h>

#include <cstring>

#include "runtime/byte_reader.h"

namespace orv::archive {

namespace {

constexpr size_t kChunk = 64 * 1024;
// Footer and trailer together; the checksum field starts 14 bytes from the end.
constexpr int64_t kTail = kPatchFooterSize + kTrailerSize;
constexpr int64_t kChecksumFromEnd = 14;
constexpr int64_t kMinBody = 1 + 8 + 8 + 4;

// Feeds bytes [from, to) of the source to `take` in chunks; false when a read fails.
template <typename Take>
bool ForEachChunk(const ByteSource& source, int64_t from, int64_t to, Take take) {
  std::vector<uint8_t> buffer(kChunk);
  while (from < to) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(to - from, static_cast<int64_t>(kChunk)));
    if (!source.ReadAt(from, buffer.data(), n)) return false;
    take(buffer.data(), n);
    from += static_cast<int64_t>(n);
  }
  return true;
}

// CRC-32 of the whole source but the four checksum bytes.
bool Checksum(const ByteSource& source, uint32_t& crc) {
  const int64_t size = source.Size();
  uLong c = crc32(0, nullptr, 0);
  auto take = [&c](const uint8_t* p, size_t n) { c = crc32(c, p, static_cast<uInt>(n)); };
  if (!ForEachChunk(source, 0, size - kChecksumFromEnd, take) ||
      !ForEachChunk(source, size - kChecksumFromEnd + 4, size, take))
    return false;
  crc = static_cast<uint32_t>(c);
  return true;
}

uint64_t ReadU64(ByteReader& r) {
  const uint64_t low = r.U32();
  return low | static_cast<uint64_t>(r.U32()) << 32;
}
void AppendLe64(std::vector<uint8_t>& out, uint64_t v) {
  AppendLe32(out, static_cast<uint32_t>(v));
  AppendLe32(out, static_cast<uint32_t>(v >> 32));
}

bool UsableName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNameLength && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace

uint64_t DirectoryId(const ByteSource& source, const Directory& directory) {
  uint64_t h = 14695981039346656037ull;
  const bool read = ForEachChunk(source, directory.directoryStart, directory.directoryEnd, [&h](const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  });
  return read ? h : 0;
}

bool HasPatchFooter(const ByteSource& source) {
  uint8_t marker[3];
  return source.Size() >= kTail && source.ReadAt(source.Size() - kTrailerSize - 3, marker, 3) &&
         std::memcmp(marker, "sbP", 3) == 0;
}

const char* PatchStatusText(PatchStatus status) {
  switch (status) {
    case PatchStatus::kOk: return "ok";
    case PatchStatus::kNotAPatch: return "not a patch";
    case PatchStatus::kNewerFormat: return "made by a newer packer";
    case PatchStatus::kDamaged: return "damaged (its checksum does not match)";
  }
  return "unknown";
}

PatchStatus ReadPatch(const ByteSource& source, const Directory& directory, PatchRecord& record) {
  record = PatchRecord();
  if (!HasPatchFooter(source)) return PatchStatus::kNotAPatch;
  const int64_t size = source.Size();
  uint8_t footer[8];
  if (!source.ReadAt(size - kTail, footer, sizeof footer)) return PatchStatus::kDamaged;
  uint32_t crc = 0;
  if (!Checksum(source, crc) || crc != LoadLe32(footer + 4)) return PatchStatus::kDamaged;

  // The body lies between the directory and the footer.
  const int64_t bodySize = LoadLeI32(footer);
  const int64_t bodyEnd = size - kTail;
  if (bodySize < kMinBody || bodySize > bodyEnd - directory.directoryEnd) return PatchStatus::kDamaged;
  std::vector<uint8_t> body(static_cast<size_t>(bodySize));
  if (!source.ReadAt(bodyEnd - bodySize, body.data(), body.size())) return PatchStatus::kDamaged;
  ByteReader r(body);
  record.format = r.U8();
  if (record.format != kPatchFormat) return record.format > kPatchFormat ? PatchStatus::kNewerFormat : PatchStatus::kDamaged;
  record.base = ReadU64(r);
  record.version = static_cast<int64_t>(ReadU64(r));
  const int32_t count = r.I32();
  // Each name takes at least two bytes: a count beyond that is damage.
  if (!r.Ok() || count < 0 || static_cast<size_t>(count) > r.Left() / 2) return PatchStatus::kDamaged;
  record.removed.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const size_t n = r.U8();
    if (!r.Has(n)) return PatchStatus::kDamaged;
    std::string name(reinterpret_cast<const char*>(r.Here()), n);
    r.Skip(n);
    if (!UsableName(name)) return PatchStatus::kDamaged;
    record.removed.push_back(std::move(name));
  }
  if (!r.Ok() || r.Left() != 0) return PatchStatus::kDamaged;
  return PatchStatus::kOk;
}

bool BuildPatch(const std::vector<PackedEntry>& entries, const PatchRecord& record, std::vector<uint8_t>& out) {
  std::vector<uint8_t> tail;
  tail.push_back(kPatchFormat);
  AppendLe64(tail, record.base);
  AppendLe64(tail, static_cast<uint64_t>(record.version));
  AppendLe32(tail, static_cast<uint32_t>(record.removed.size()));
  for (const std::string& name : record.removed) {
    if (!UsableName(name)) return false;
    tail.push_back(static_cast<uint8_t>(name.size()));
    tail.insert(tail.end(), name.begin(), name.end());
  }
  if (tail.size() > static_cast<size_t>(INT32_MAX)) return false;
  AppendLe32(tail, static_cast<uint32_t>(tail.size()));
  AppendLe32(tail, 0);  // the checksum, filled in below
  tail.insert(tail.end(), {'s', 'b', 'P'});
  out.clear();
  if (!BuildArchive(entries, 0, true, out, tail)) return false;
  MemorySource source(out.data(), out.size());
  uint32_t crc = 0;
  if (!Checksum(source, crc)) return false;
  StoreLe32(out.data() + out.size() - kChecksumFromEnd, crc);
  return true;
}

}  // namespace orv::archive
