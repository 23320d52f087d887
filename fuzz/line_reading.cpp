// Fuzz target: line reading. A disk file and the same bytes in memory must
// give the same lines at any capacity, whole or cut, and the line file cache must load,
// change and write back any file without leaving its slots.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/file_channel.h"
#include "files/mem_name.h"
#include "runtime/lib/line_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t capacity = 1 + ((data[0] << 8 | data[1]) % 1100);
  std::vector<uint8_t> bytes(data + 2, data + size);

  FILE* f = std::fopen("lines.txt", "wb");
  if (!f) return 0;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);

  orv::FileChannel disk, memory;
  if (!disk.OpenRead("lines.txt")) return 0;
  memory.OpenMemory(std::make_shared<const orv::MemBlock>(bytes));
  RtString a, b;
  for (;;) {
    bool gotA = disk.ReadLine(a, capacity), gotB = memory.ReadLine(b, capacity);
    if (gotA != gotB || !(a == b) || disk.Position() != memory.Position()) __builtin_trap();
    if (a.Length() > capacity) __builtin_trap();
    if (!gotA) break;
  }

  // Whole lines: the same on disk and in memory, never longer than kept.
  disk.OpenRead("lines.txt");
  memory.OpenMemory(std::make_shared<const orv::MemBlock>(bytes));
  for (;;) {
    bool gotA = disk.ReadWholeLine(a, capacity), gotB = memory.ReadWholeLine(b, capacity);
    if (gotA != gotB || !(a == b) || disk.Position() != memory.Position()) __builtin_trap();
    if (a.Length() > capacity) __builtin_trap();
    if (!gotA) break;
  }

  orv::LineFileCache& cache = orv::LineFiles();
  RtString line = cache.Read("lines.txt", data[0]);
  // Writing back syncs the file to disk: only some inputs pay for it.
  if ((data[1] & 7) == 0) cache.Write("lines.txt", data[1], line + "!");
  orv::FlushLineFile();
  return 0;
}
