// Fuzz target: an untrusted carrier file. The trailer, the directory and
// every entry are read through the archive reader and through a locator on
// a real file; nothing may read or write out of bounds or allocate without
// limit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "files/archive_format.h"
#include "files/asset_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace ar = orv::archive;
  ar::MemorySource source(data, size);
  ar::Directory directory;
  if (ar::ReadDirectory(source, directory) == ar::TrailerStatus::kOk) {
    size_t n = 0;
    for (const ar::Entry& entry : directory.entries) {
      std::vector<uint8_t> out;
      if (ar::ReadEntry(source, directory, entry, out) != ar::EntryStatus::kOk && !out.empty()) __builtin_trap();
      if (++n == 32) break;
    }
  }

  // The same bytes as a carrier on disk, looked up by name.
  FILE* f = std::fopen("carrier.bin", "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  orv::AssetLocator locator;
  locator.Reset("carrier.bin");
  RtString path;
  const char* names[] = {directory.entries.empty() ? "a.png" : directory.entries[0].name.c_str(), "Media/A.PNG"};
  for (const char* name : names) {
    locator.Resolve(name, path, true);
    locator.Resolve(name, path, false);
  }
  return 0;
}
