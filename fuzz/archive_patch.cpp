// Fuzz target: an untrusted patch file. Its footer, record and checksum are
// read from memory and, as the runtime meets patches at start-up, from a
// file in a patch folder; nothing may read or write out of bounds or
// allocate without limit.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "files/archive_format.h"
#include "files/archive_patch.h"
#include "files/patch_layers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace ar = orv::archive;
  ar::MemorySource source(data, size);
  ar::Directory directory;
  ar::PatchRecord record;
  if (ar::ReadDirectory(source, directory) == ar::TrailerStatus::kOk) {
    ar::DirectoryId(source, directory);
    if (ar::ReadPatch(source, directory, record) == ar::PatchStatus::kOk && !ar::HasPatchFooter(source))
      __builtin_trap();
  }

  // The same bytes as a patch beside a program that carries no archive.
  ::mkdir("fuzz-patches", 0755);
  FILE* f = std::fopen("fuzz-patches/in.patch", "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  orv::PatchLayers::Load("fuzz-patches/no-program", {"fuzz-patches"});
  return 0;
}
