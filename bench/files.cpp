// Asset reading: 200 entries of 64 KiB resolved and unpacked from the
// appended archive, against reading the same files from disk.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "files/archive_format.h"
#include "files/asset_locator.h"
#include "files/file_channel.h"

namespace {

constexpr int kEntries = 200;
constexpr size_t kEntryBytes = 64 * 1024;

// Game-like data: runs of text and a share of noise, so it compresses about as much as real assets.
std::vector<uint8_t> AssetBytes(int index) {
  std::vector<uint8_t> bytes(kEntryBytes);
  uint32_t x = 2654435761u * static_cast<uint32_t>(index + 1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = (x >> 16) % 4 == 0 ? static_cast<uint8_t>(x >> 8) : static_cast<uint8_t>('a' + (i / 7) % 23);
  }
  return bytes;
}

std::string Name(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "asset_%03d.bin", i);
  return name;
}

struct Fixture {
  std::string dir, carrier;
  Fixture() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvane-bench-XXXXXX";
    dir = mkdtemp(templ.data()) ? templ : "/tmp";
    std::vector<orv::archive::PackedEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
      std::vector<uint8_t> bytes = AssetBytes(i);
      FILE* f = std::fopen((dir + "/" + Name(i)).c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
      orv::archive::PackedEntry e;
      e.name = Name(i);
      orv::archive::PackEntry(bytes.data(), bytes.size(), e.stored);
      entries.push_back(std::move(e));
    }
    std::vector<uint8_t> archive(4096, 0x7f);  // stands in for the program in front of it
    orv::archive::BuildArchive(entries, static_cast<int64_t>(archive.size()), true, archive);
    carrier = dir + "/program";
    FILE* f = std::fopen(carrier.c_str(), "wb");
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

void ReadAll(benchmark::State& state, const std::vector<std::string>& names, orv::AssetLocator* locator) {
  size_t total = 0;
  for (auto _ : state) {
    for (const std::string& name : names) {
      RtString path(name.c_str());
      if (locator && !locator->Resolve(path, path, true)) state.SkipWithError("not found");
      orv::FileChannel channel;
      std::vector<uint8_t> bytes;
      if (!channel.OpenRead(path.CStr()) || !channel.ReadRest(bytes)) state.SkipWithError("unreadable");
      total += bytes.size();
    }
  }
  benchmark::DoNotOptimize(total);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntries * static_cast<int64_t>(kEntryBytes));
}

void DiskBaseline(benchmark::State& state) {
  std::vector<std::string> names;
  for (int i = 0; i < kEntries; ++i) names.push_back(Data().dir + "/" + Name(i));
  ReadAll(state, names, nullptr);
}
BENCHMARK(DiskBaseline)->Name("read_200_assets_64KiB/baseline")->Unit(benchmark::kMillisecond);

void DiskThroughLocator(benchmark::State& state) {
  orv::AssetLocator locator;
  locator.Reset(Data().carrier.c_str());
  std::vector<std::string> names;
  for (int i = 0; i < kEntries; ++i) names.push_back(Data().dir + "/" + Name(i));
  ReadAll(state, names, &locator);
}
BENCHMARK(DiskThroughLocator)->Name("read_200_assets_64KiB/disk_resolved")->Unit(benchmark::kMillisecond);

void Archive(benchmark::State& state) {
  orv::AssetLocator locator;
  locator.Reset(Data().carrier.c_str());
  std::vector<std::string> names;
  for (int i = 0; i < kEntries; ++i) names.push_back("Media/" + Name(i));  // not on disk: from the archive
  ReadAll(state, names, &locator);
}
BENCHMARK(Archive)->Name("read_200_assets_64KiB/archive")->Unit(benchmark::kMillisecond);

}  // namespace
