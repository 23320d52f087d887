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

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace filestest {

// Permission checks are real only for an unprivileged user: root reads and
// writes everything. As root, files a test wants to guard are given to
// "nobody" and the body runs in a child that became "nobody"; otherwise it
// runs in a child as it is. The child's exit code (-1 when it did not exit).
constexpr uid_t kNobody = 65534;
inline void GiveToTestUser(const std::string& path) {
  if (geteuid() == 0 && chown(path.c_str(), kNobody, kNobody) != 0) std::abort();
}
inline int RunUnprivileged(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(120);
    _exit(body());
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
// The test's folder, reachable and writable for the unprivileged child.
inline void OpenTestFolderToTestUser() {
  if (chmod(orvtest::PrivateDir().c_str(), 0755) != 0) std::abort();
  GiveToTestUser(Here());
}

}  // namespace filestest
