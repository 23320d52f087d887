#include "files/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "files/mem_name.h"
#include "files/paths.h"
#include "runtime/replay/replay_notes.h"

namespace orv {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A name beside the target that no other writer uses, in this process or
// another.
std::string TempNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return target + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

bool SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // Some file systems cannot flush a folder; the rename is then as durable
  // as they make it.
  bool ok = fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

// Opens the regular file at `path` without following a link and without
// blocking on anything else that might have taken its place meanwhile.
int OpenRegular(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The version about to be replaced stays as NAME.bak. A hard link keeps it
// without copying; a file system without hard links gets a copy. A version
// that cannot be read is not worth keeping: it would push out a good backup.
void KeepBackup(const std::string& target) {
  int old = OpenRegular(target, O_RDONLY);
  struct stat st;
  if (old < 0) return;
  if (fstat(old, &st) != 0) st.st_mode = 0600;
  const std::string backup = target + ".bak";
  struct stat existing;
  if (lstat(backup.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    ::close(old);
    return;  // a folder of that name is not ours to remove
  }
  ::unlink(backup.c_str());
  if (::link(target.c_str(), backup.c_str()) == 0) {
    ::close(old);
    return;
  }
  // No hard links here: a copy, made whole before it takes the name.
  const std::string temp = TempNameFor(backup);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    fchmod(fd, st.st_mode & 07777);
    char block[65536];
    bool ok = true;
    for (;;) {
      ssize_t n = ::read(old, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      if (WriteFully(fd, block, static_cast<size_t>(n)) != static_cast<size_t>(n)) {
        ok = false;
        break;
      }
    }
    ok = fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), backup.c_str()) != 0) ::unlink(temp.c_str());
  }
  ::close(old);
}

}  // namespace

bool FileReplacement::Begin(const char* gamePath, InPlaceRewrite inPlace) {
  Abandon();
  if (!gamePath || !*gamePath || IsMemName(gamePath)) return false;
  WriteTarget where;
  if (!FindWriteTarget(SystemPath(gamePath), where)) return false;
  if (where.exists && !S_ISREG(where.mode)) return false;
  target_ = where.path;
  existed_ = where.exists;
  mode_ = where.mode & 07777;
  NoteUnreplayable(kNoteFilesWritten);

  // A file without a name vanishes by itself when the writer dies before it
  // is done, so a kill in the middle of writing leaves nothing behind. It is
  // named only at Commit, through /proc; without either, a named one is used.
  int fd = -1;
  if (::access("/proc/self/fd", X_OK) == 0) fd = ::open(FolderOf(target_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) {
    tempName_ = TempNameFor(target_);
    fd = ::open(tempName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) tempName_.clear();
  }
  if (fd < 0) {
    // The folder takes no new files: a writable file in it is rewritten in place.
    if (!existed_ || inPlace == InPlaceRewrite::kRefused) return false;
    fd = OpenRegular(target_, O_RDWR | O_TRUNC);
    if (fd < 0) return false;
    inPlace_ = true;
  } else if (existed_) {
    fchmod(fd, mode_);  // a replaced file keeps its permissions
  }
  fd_ = fd;
  return true;
}

bool FileReplacement::Commit(bool keepBackup) {
  if (fd_ < 0) return false;
  bool ok = fsync(fd_) == 0;
  // The backup first: the new version then goes from having a name to
  // replacing the old one in the fewest steps, where a kill would leave
  // that name behind.
  if (ok && !inPlace_ && keepBackup && existed_) KeepBackup(target_);
  if (ok && !inPlace_ && tempName_.empty()) {
    // Named beside the target, under a name nobody else uses.
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = TempNameFor(target_);
      if (::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        tempName_ = std::move(name);
        break;
      }
      if (errno != EEXIST) break;
    }
    ok = !tempName_.empty();
  }
  ok = ok && (inPlace_ || ::rename(tempName_.c_str(), target_.c_str()) == 0);
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  if (inPlace_) {
    inPlace_ = false;
    return ok;
  }
  if (!ok) {
    Abandon();
    return false;
  }
  tempName_.clear();
  return SyncFolder(FolderOf(target_));
}

void FileReplacement::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempName_.empty()) ::unlink(tempName_.c_str());
  tempName_.clear();
  inPlace_ = false;
}

bool ReplaceFileContents(const char* gamePath, const void* data, size_t size, bool keepBackup) {
  FileReplacement replacement;
  if (!replacement.Begin(gamePath)) return false;
  if (WriteFully(replacement.Fd(), data, size) != size) return false;  // dropped: the old file stays
  return replacement.Commit(keepBackup);
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
