// Patch archives: an update to a released game that ships beside it instead
// of a whole new program file. A patch is an archive of the usual layout
// (archive_format.h) whose entries replace the entries of the same name in
// the game's own archive, with a record that says which archive it was made
// for, where it stands among other patches and which entries it removes.
//
// The record sits between the directory's zero byte and the trailer, where
// archive readers that know no patches never look: to them a patch is an
// ordinary archive of its new entries. Integers little-endian:
//
//   body     uint8  record format (1; a newer one is refused, not guessed at)
//            uint64 base: the identity of the archive the patch was made for,
//                   64-bit FNV-1a of its directory bytes (DirectoryId)
//            int64  version: patches are layered in ascending version
//            int32  number of removed names, then per name: uint8 length n
//                   (1..255), n bytes (a bare name, as entries are stored)
//   footer   int32  body size in bytes
//            uint32 CRC-32 of every byte of the file but these four
//            "sbP"
//   trailer  "sbX", int32 directory offset (as in every archive)
//
// So a patch ends with the 18 bytes footer + trailer, and its body ends
// right before the footer. The checksum covers entry data, directory,
// record and trailer: a patch cut short or changed anywhere is refused as a
// whole. The base identity covers the entries' names, places and stored
// sizes; the same files packed again give the same identity wherever the
// archive is appended.
//
// Everything read from a patch is untrusted: the body size, the count and
// every name are bounded by the file's size before anything is allocated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/archive_format.h"

namespace orv::archive {

inline constexpr uint8_t kPatchFormat = 1;
inline constexpr int64_t kPatchFooterSize = 11;

// 64-bit FNV-1a of the directory's bytes; 0 when they cannot be read.
uint64_t DirectoryId(const ByteSource& source, const Directory& directory);

struct PatchRecord {
  uint8_t format = kPatchFormat;
  uint64_t base = 0;
  int64_t version = 0;
  std::vector<std::string> removed;  // bare names, as stored
};

enum class PatchStatus {
  kOk,
  kNotAPatch,     // an archive without a patch record (or no archive at all)
  kNewerFormat,   // a record format this runtime does not know
  kDamaged,       // a record that does not fit the file, or a checksum that does not match
};
const char* PatchStatusText(PatchStatus status);

// Reads the record of a patch whose directory was read already. The
// checksum is checked too, which reads the whole file.
PatchStatus ReadPatch(const ByteSource& source, const Directory& directory, PatchRecord& record);
// True when the file ends with a patch footer (cheap; checks nothing else).
bool HasPatchFooter(const ByteSource& source);

// A patch archive of `entries` with `record`'s base, version and removals.
// False when a name is unusable or the patch would not fit 32-bit offsets.
bool BuildPatch(const std::vector<PackedEntry>& entries, const PatchRecord& record, std::vector<uint8_t>& out);

}  // namespace orv::archive
