#include "files/directory_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "files/paths.h"

namespace orv {

namespace {

unsigned char Fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}

// Case-insensitive order; names equal but for case in byte order, so the
// listing does not depend on the order the system returns them in.
bool Before(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
  if (std::strcmp(pattern, "*.*") == 0) return true;
  const char* p = pattern;
  const char* n = name;
  const char* afterStar = nullptr;  // pattern just after the last "*"
  const char* retry = nullptr;      // where that "*" started matching the name
  while (*n) {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (!*p) return true;
      afterStar = p;
      retry = n;
      continue;
    }
    bool same = *p == '?' ? *n != '.' : (*p && Fold(*p) == Fold(*n));
    if (same) {
      ++p;
      ++n;
      continue;
    }
    if (!afterStar) return false;
    p = afterStar;
    n = ++retry;
  }
  while (*p == '*') ++p;
  return !*p;
}

int64_t ListDirectory(const char* pattern, RtArray<RtString>& names) {
  std::string dir = CurrentDirectoryForGame().CStr();
  std::vector<std::string> dirs, files;
  if (DIR* d = dir.empty() ? nullptr : opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      bool isDir = e->d_type == DT_DIR;
      if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
        struct stat st;
        isDir = stat((dir + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (isDir) {
        dirs.emplace_back(e->d_name);
      } else if (WildcardMatch(pattern, e->d_name)) {
        files.emplace_back(e->d_name);
      }
    }
    closedir(d);
  }
  std::sort(dirs.begin(), dirs.end(), Before);
  std::sort(files.begin(), files.end(), Before);
  const int64_t total = static_cast<int64_t>(dirs.size() + files.size());
  names.Dim(static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX)));
  int32_t i = 0;
  for (const std::string& s : dirs) names.At(i++) = RtString(s.c_str());
  for (const std::string& s : files) names.At(i++) = RtString(s.c_str());
  return static_cast<int64_t>(dirs.size()) * 65536 + static_cast<int64_t>(files.size());
}

}  // namespace orv
