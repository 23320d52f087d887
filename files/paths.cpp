#include "files/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "runtime/lib/text.h"

namespace orv {

namespace {

// The entry of `dir` equal to `name` ignoring ASCII case; "" when none.
std::string FindIgnoringCase(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = readdir(d)) {
    if (!EqualIgnoringAsciiCase(e->d_name, name)) continue;
    if (best.empty() || std::strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
  }
  closedir(d);
  return best;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ForwardSlashes(const char* path) {
  std::string s(path ? path : "");
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

void ForwardSlashes(RtString& path) {
  for (int32_t i = 0; i < path.Length(); ++i)
    if (path[i] == '\\') {
      char* buf = path.WritableBuffer(static_cast<uint32_t>(path.Length()) + 1);
      for (int32_t j = i; j < path.Length(); ++j)
        if (buf[j] == '\\') buf[j] = '/';
      return;
    }
}

std::string SystemPath(const char* gamePath) {
  std::string path = ForwardSlashes(gamePath);
  if (path.empty() || Exists(path)) return path;

  std::string out;
  size_t i = 0;
  if (path[0] == '/') {
    out = "/";
    i = 1;
  }
  bool found = true;  // every component so far exists; after a miss nothing below can
  while (true) {
    size_t j = path.find('/', i);
    bool last = j == std::string::npos;
    std::string part = path.substr(i, last ? std::string::npos : j - i);
    if (found && !part.empty() && part != "." && part != ".." && !Exists(out + part)) {
      std::string match = FindIgnoringCase(out, part);
      if (match.empty()) {
        found = false;
      } else {
        part = match;
      }
    }
    out += part;
    if (last) break;
    out += '/';
    i = j + 1;
  }
  return out;
}

bool FindWriteTarget(const std::string& systemPath, WriteTarget& target) {
  std::string path = systemPath;
  // As many links as the system itself follows in one path.
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      // Nothing there yet: the write creates it (or fails on its own when a
      // folder above is missing).
      target = {path, false, 0};
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      target = {path, true, static_cast<unsigned>(st.st_mode)};
      return true;
    }
    char link[PATH_MAX];
    ssize_t n = readlink(path.c_str(), link, sizeof link);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) return false;
    std::string next(link, static_cast<size_t>(n));
    // A relative link is relative to the folder the link is in.
    size_t slash = path.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    path = std::move(next);
  }
  errno = ELOOP;
  return false;
}

bool PathExists(const char* gamePath) {
  std::string path = SystemPath(gamePath);
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool MakeParentFolders(const char* gamePath) {
  std::string path = SystemPath(gamePath);
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    std::string folder = path.substr(0, at);
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
      continue;
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return true;
}

RtString CurrentDirectoryForGame() {
  std::vector<char> buf(1024);
  while (!getcwd(buf.data(), buf.size())) {
    // A folder that was deleted has no name any more: "" rather than a
    // folder that is not the current one.
    if (errno != ERANGE) return RtString();
    buf.resize(buf.size() * 2);
  }
  RtString dir(buf.data());
  if (dir.Empty() || dir[dir.Length() - 1] != '/') dir += '/';
  return dir;
}

bool ChangeCurrentDirectory(const char* gamePath) {
  std::string path = SystemPath(gamePath);
  return !path.empty() && chdir(path.c_str()) == 0;
}

}  // namespace orv
