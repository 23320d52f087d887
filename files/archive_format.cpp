#include "files/archive_format.h"

#include <sys/stat.h>
#include <unistd.h>

#include <lzo/lzo1x.h>

#include <cerrno>
#include <cstring>

#include "runtime/byte_reader.h"
#include "runtime/lib/text.h"

namespace orv::archive {

namespace {

constexpr size_t kMaxEntries = 1 << 20;
constexpr int64_t kMaxUnpacked = int64_t{1} << 30;

// The carrier is read piecewise through ReadAt, which checks each piece;
// the numbers inside a piece are then at known places.
int32_t GetInt32(const uint8_t* p) { return LoadLeI32(p); }
void PutInt32(std::vector<uint8_t>& out, int32_t v) { AppendLe32(out, static_cast<uint32_t>(v)); }

bool LzoReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  return ready;
}

}  // namespace

FdSource::FdSource(int fd) : fd_(fd) {
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0) size_ = st.st_size;
}

bool FdSource::ReadAt(int64_t offset, void* dst, size_t n) const {
  if (offset < 0 || offset > size_ || static_cast<int64_t>(n) > size_ - offset) return false;
  size_t done = 0;
  while (done < n) {
    ssize_t r = pread(fd_, static_cast<char*>(dst) + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool MemorySource::ReadAt(int64_t offset, void* dst, size_t n) const {
  if (offset < 0 || static_cast<uint64_t>(offset) > size_ || n > size_ - static_cast<size_t>(offset)) return false;
  if (n) std::memcpy(dst, data_ + offset, n);
  return true;
}

int64_t Directory::EntryStart(const Entry& entry) const {
  int64_t start = fromEnd ? carrierSize + entry.offset : entry.offset;
  if (start < 0 || entry.storedSize < 0 || start > carrierSize || entry.storedSize > carrierSize - start) return -1;
  return start;
}

bool HasTrailer(const ByteSource& source) {
  uint8_t magic[3];
  return source.Size() >= kTrailerSize && source.ReadAt(source.Size() - kTrailerSize, magic, 3) &&
         std::memcmp(magic, "sbX", 3) == 0;
}

TrailerStatus ReadDirectory(const ByteSource& source, Directory& directory) {
  directory = Directory();
  const int64_t size = source.Size();
  uint8_t trailer[kTrailerSize];
  if (size < kTrailerSize || !source.ReadAt(size - kTrailerSize, trailer, sizeof trailer) ||
      std::memcmp(trailer, "sbX", 3) != 0)
    return TrailerStatus::kNoArchive;
  directory.carrierSize = size;
  directory.directoryOffset = GetInt32(trailer + 3);
  directory.fromEnd = directory.directoryOffset < 0;
  int64_t at = directory.fromEnd ? size + directory.directoryOffset : directory.directoryOffset;
  if (at < 0 || at > size - kTrailerSize) return TrailerStatus::kCorrupt;
  directory.directoryStart = directory.directoryEnd = at;

  while (directory.entries.size() < kMaxEntries) {
    uint8_t n = 0;
    if (!source.ReadAt(at, &n, 1)) break;
    if (n == 0) {
      directory.directoryEnd = at + 1;
      break;
    }
    Entry e;
    e.name.resize(n);
    uint8_t numbers[8];
    if (!source.ReadAt(at + 1, e.name.data(), n) || !source.ReadAt(at + 1 + n, numbers, sizeof numbers)) break;
    e.offset = GetInt32(numbers);
    e.storedSize = GetInt32(numbers + 4);
    directory.entries.push_back(std::move(e));
    at += 1 + n + 8;
    directory.directoryEnd = at;
  }
  return TrailerStatus::kOk;
}

EntryStatus ReadEntry(const ByteSource& source, const Directory& directory, const Entry& entry,
                      std::vector<uint8_t>& out) {
  out.clear();
  int64_t start = directory.EntryStart(entry);
  if (start < 0) return EntryStatus::kOutsideCarrier;
  if (entry.storedSize < 4) return EntryStatus::kBadLength;
  uint8_t prefix[4];
  if (!source.ReadAt(start, prefix, 4)) return EntryStatus::kOutsideCarrier;
  const int64_t length = GetInt32(prefix);
  const int64_t packed = entry.storedSize - 4;
  // LZO1X cannot expand a byte of input into much more than 255 bytes of
  // output, so a larger claim is damage, not data: never allocate for it.
  if (length < 0 || length > kMaxUnpacked || length > packed * 256 + 4096) return EntryStatus::kBadLength;
  if (length == 0) return EntryStatus::kOk;

  std::vector<uint8_t> input(static_cast<size_t>(packed));
  if (!source.ReadAt(start + 4, input.data(), input.size())) return EntryStatus::kOutsideCarrier;
  if (!LzoReady()) return EntryStatus::kCorruptData;
  out.resize(static_cast<size_t>(length));
  lzo_uint produced = out.size();
  int rc = lzo1x_decompress_safe(input.data(), input.size(), out.data(), &produced, nullptr);
  if ((rc != LZO_E_OK && rc != LZO_E_INPUT_NOT_CONSUMED) || produced != out.size()) {
    out.clear();
    return EntryStatus::kCorruptData;
  }
  return EntryStatus::kOk;
}

const char* EntryStatusText(EntryStatus status) {
  switch (status) {
    case EntryStatus::kOk: return "ok";
    case EntryStatus::kOutsideCarrier: return "data outside the file";
    case EntryStatus::kBadLength: return "impossible length";
    case EntryStatus::kCorruptData: return "compressed data damaged";
  }
  return "unknown";
}

bool PackEntry(const uint8_t* data, size_t size, std::vector<uint8_t>& stored) {
  stored.clear();
  if (size > static_cast<size_t>(kMaxUnpacked) || !LzoReady()) return false;
  std::vector<uint8_t> work(LZO1X_999_MEM_COMPRESS);
  stored.resize(4 + size + size / 16 + 64 + 3);
  lzo_uint packed = stored.size() - 4;
  static const uint8_t kEmpty = 0;
  if (lzo1x_999_compress(size ? data : &kEmpty, size, stored.data() + 4, &packed, work.data()) != LZO_E_OK) {
    stored.clear();
    return false;
  }
  if (packed + 4 > static_cast<size_t>(INT32_MAX)) {
    stored.clear();
    return false;
  }
  stored.resize(4 + packed);
  StoreLe32(stored.data(), static_cast<uint32_t>(size));
  return true;
}

bool BuildArchive(const std::vector<PackedEntry>& entries, int64_t carrierSize, bool fromEnd,
                  std::vector<uint8_t>& out, std::span<const uint8_t> beforeTrailer) {
  int64_t dataBytes = 0, directoryBytes = 1;
  for (const PackedEntry& e : entries) {
    if (e.name.empty() || e.name.size() > kMaxNameLength || e.name.find_first_of("/\\") != std::string::npos ||
        e.name.find('\0') != std::string::npos || e.stored.size() < 4)
      return false;
    dataBytes += static_cast<int64_t>(e.stored.size());
    directoryBytes += 1 + static_cast<int64_t>(e.name.size()) + 8;
  }
  const int64_t total = dataBytes + directoryBytes + static_cast<int64_t>(beforeTrailer.size()) + kTrailerSize;
  if (carrierSize < 0 || (fromEnd ? total : carrierSize + total) > INT32_MAX) return false;

  // Offsets are taken relative to the archive's own start, then moved to
  // the start of the carrier or to its end.
  auto place = [&](int64_t at) { return static_cast<int32_t>(fromEnd ? at - total : carrierSize + at); };
  const size_t base = out.size();
  out.reserve(base + static_cast<size_t>(total));
  std::vector<int32_t> offsets;
  for (const PackedEntry& e : entries) {
    offsets.push_back(place(static_cast<int64_t>(out.size() - base)));
    out.insert(out.end(), e.stored.begin(), e.stored.end());
  }
  const int32_t directoryOffset = place(static_cast<int64_t>(out.size() - base));
  for (size_t i = 0; i < entries.size(); ++i) {
    out.push_back(static_cast<uint8_t>(entries[i].name.size()));
    out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
    PutInt32(out, offsets[i]);
    PutInt32(out, static_cast<int32_t>(entries[i].stored.size()));
  }
  out.push_back(0);
  out.insert(out.end(), beforeTrailer.begin(), beforeTrailer.end());
  out.insert(out.end(), {'s', 'b', 'X'});
  PutInt32(out, directoryOffset);
  return true;
}

std::string BareName(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string LookupKey(std::string_view name) { return AsciiLower(BareName(name)); }

}  // namespace orv::archive
