// The asset archive appended to a program file (or kept as a file of its
// own): its layout, a checked reader and the writer the packer uses.
//
// Layout, integers little-endian signed 32-bit:
//   entry data ...   per entry: int32 uncompressed length, LZO1X data
//   directory        per entry: uint8 name length n (0 ends it), n name
//                    bytes, int32 offset, int32 stored size
//   trailer          the last 7 bytes: "sbX", int32 directory offset
// A negative directory offset counts from the end of the carrier, and the
// entry offsets then count from the end too; such an archive can be put
// behind any file unchanged. Readers stop at the directory's zero byte and
// look at nothing between it and the trailer: that room carries the patch
// record (files/archive_patch.h), which readers that know no patches skip.
//
// Everything read from a carrier is untrusted: offsets, sizes and lengths
// are checked against the carrier's size before anything is read or
// allocated, and a bad entry yields an empty result, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv::archive {

inline constexpr int64_t kTrailerSize = 7;
inline constexpr size_t kMaxNameLength = 255;

// Random access to the bytes of a carrier.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual int64_t Size() const = 0;
  // Exactly n bytes at offset; false when they are not all there.
  virtual bool ReadAt(int64_t offset, void* dst, size_t n) const = 0;
};

// An open file descriptor (not owned); the size is taken when constructed.
class FdSource : public ByteSource {
 public:
  explicit FdSource(int fd);
  int64_t Size() const override { return size_; }
  bool ReadAt(int64_t offset, void* dst, size_t n) const override;

 private:
  int fd_;
  int64_t size_ = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t Size() const override { return static_cast<int64_t>(size_); }
  bool ReadAt(int64_t offset, void* dst, size_t n) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

struct Entry {
  std::string name;        // a bare file name as stored
  int32_t offset = 0;      // from the start, or from the end (negative directory offset)
  int32_t storedSize = 0;  // length prefix + compressed bytes
};

struct Directory {
  int64_t carrierSize = 0;
  int32_t directoryOffset = 0;
  bool fromEnd = false;
  std::vector<Entry> entries;  // in stored order
  // Where the directory's bytes lie in the carrier: from its offset up to
  // and including the zero byte that ends it (or to where reading stopped).
  int64_t directoryStart = 0;
  int64_t directoryEnd = 0;
  // Absolute start of an entry's data, or -1 when it does not lie inside the carrier.
  int64_t EntryStart(const Entry& entry) const;
};

enum class TrailerStatus {
  kOk,
  kNoArchive,  // no "sbX" trailer: a plain file
  kCorrupt,    // a trailer whose directory lies outside the carrier
};

// The part of a path after its last "/" or "\": what an entry is stored as.
std::string BareName(std::string_view path);
// What entries are found by: the bare name in ASCII lower case. Two entries
// with the same key cannot both be found, so the packer refuses them.
std::string LookupKey(std::string_view name);

// Reads the trailer and the directory. Entries are read until a zero
// length byte or the end of the carrier; a partial entry is dropped.
TrailerStatus ReadDirectory(const ByteSource& source, Directory& directory);
// True when the last 7 bytes start with "sbX".
bool HasTrailer(const ByteSource& source);

enum class EntryStatus {
  kOk,
  kOutsideCarrier,  // offset or stored size reach outside the carrier
  kBadLength,       // stored size below 4, or an impossible uncompressed length
  kCorruptData,     // LZO1X refused the data or it unpacked to another length
};

// Unpacks an entry; on any failure `out` is empty.
EntryStatus ReadEntry(const ByteSource& source, const Directory& directory, const Entry& entry,
                      std::vector<uint8_t>& out);
const char* EntryStatusText(EntryStatus status);

// ---- Writing --------------------------------------------------------------

// int32 length + LZO1X-999 compression of the bytes; false when too large.
bool PackEntry(const uint8_t* data, size_t size, std::vector<uint8_t>& stored);

struct PackedEntry {
  std::string name;             // 1..255 bytes, no "/" or "\"
  std::vector<uint8_t> stored;  // from PackEntry
};

// Appends entry data, directory and trailer for the entries to `out`.
// `carrierSize` is the number of bytes that will precede the archive
// (needed for offsets from the start); `beforeTrailer` goes between the
// directory and the trailer. False when a name is unusable or an offset
// would not fit 32 bits.
bool BuildArchive(const std::vector<PackedEntry>& entries, int64_t carrierSize, bool fromEnd,
                  std::vector<uint8_t>& out, std::span<const uint8_t> beforeTrailer = {});

}  // namespace orv::archive
