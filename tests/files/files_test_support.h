// Building archives and carriers for the files tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "files/archive_format.h"
#include "support/test_support.h"

namespace filestest {

struct Asset {
  std::string name;
  std::string bytes;
};

// `prefix` followed by an archive of the assets.
inline std::string Carrier(const std::string& prefix, const std::vector<Asset>& assets, bool fromEnd) {
  std::vector<orv::archive::PackedEntry> entries;
  for (const Asset& a : assets) {
    orv::archive::PackedEntry e;
    e.name = a.name;
    orv::archive::PackEntry(reinterpret_cast<const uint8_t*>(a.bytes.data()), a.bytes.size(), e.stored);
    entries.push_back(std::move(e));
  }
  std::vector<uint8_t> archive;
  orv::archive::BuildArchive(entries, static_cast<int64_t>(prefix.size()), fromEnd, archive);
  return prefix + std::string(archive.begin(), archive.end());
}

// Bytes that compress but are not trivial.
inline std::string SampleBytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>((x >> 16) % 7 == 0 ? (x >> 8) & 0xFF : 'a' + (i / 13) % 26);
  }
  return s;
}

}  // namespace filestest

namespace filestest {
// The folder the current test runs in (its working folder and TMPDIR),
// without a final "/"; fresh for every test.
const std::string& Here();
}  // namespace filestest
