// LOCAL STAND-IN until the files subsystem lands on main: reads and writes
// plain disk files only. Replace the bodies with orv::ReadAssetBytes and
// orv::ReplaceFileContents (files/asset_locator.h, files/atomic_write.h),
// which add the archive, "mem://" names and case-insensitive paths.
#include "gfx2d/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace orv {

namespace {
std::string SystemPath(const RtString& name) {
  std::string path(name.CStr(), static_cast<size_t>(name.Length()));
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}
}  // namespace

bool ReadFileBytes(const RtString& name, std::vector<uint8_t>& out) {
  out.clear();
  if (name.Empty()) return false;
  std::string path = SystemPath(name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  out.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(got);
  return true;
}

bool ReplaceFileBytes(const RtString& name, const void* data, size_t size) {
  if (name.Empty()) return false;
  std::string path = SystemPath(name);
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  bool ok = true;
  while (done < size) {
    ssize_t n = ::write(fd, p + done, size - done);
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

}  // namespace orv
