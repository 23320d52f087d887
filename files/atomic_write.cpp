#include "files/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "files/mem_name.h"
#include "files/paths.h"
#include "runtime/replay/replay_notes.h"

namespace orv {

namespace {
// A writable file in a folder that takes no new files (no temporary file
// can be made beside it) is still saved: rewritten where it is, flushed.
bool RewriteInPlace(const std::string& path, const void* data, size_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool ok = WriteFully(fd, data, size) == size && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}
}  // namespace

bool ReplaceFileContents(const char* gamePath, const void* data, size_t size) {
  if (!gamePath || !*gamePath || IsMemName(gamePath)) return false;
  // Through a symbolic link the file it points at is replaced, not the link.
  // Only a regular file is replaced: a folder, a pipe or a device stays.
  WriteTarget where;
  if (!FindWriteTarget(SystemPath(gamePath), where)) return false;
  if (where.exists && !S_ISREG(where.mode)) return false;
  const std::string& target = where.path;
  NoteUnreplayable(kNoteFilesWritten);

  static std::atomic<unsigned> counter{0};
  std::string temp = target + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return where.exists && RewriteInPlace(target, data, size);
  if (where.exists) fchmod(fd, where.mode & 07777);  // a replaced file keeps its permissions
  bool ok = WriteFully(fd, data, size) == size && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

size_t WriteFully(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    ssize_t w = ::write(fd, bytes + done, size - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  return done;
}

}  // namespace orv
