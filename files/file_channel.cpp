// FileChannel over POSIX file descriptors and shared memory blocks.
#include "files/file_channel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <string>

#include "files/atomic_write.h"
#include "files/paths.h"
#include "files/save_backup.h"
#include "runtime/error_state.h"
#include "runtime/replay/replay_notes.h"

namespace orv {

namespace {

// read() until n bytes, the end of the file or an error.
int64_t ReadFully(int fd, void* dst, int64_t n) {
  int64_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd, static_cast<char*>(dst) + done, static_cast<size_t>(n - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += r;
  }
  return done;
}

// Opens the regular file an append to a game path goes to (through links,
// to the file they point at), creating it when it is missing. Anything else
// there (a folder, a pipe, a device) is refused before it is opened, so
// nothing blocks on a pipe.
int OpenAppendTarget(const char* name) {
  WriteTarget target;
  if (!FindWriteTarget(SystemPath(name), target)) return -1;
  if (target.exists && !S_ISREG(target.mode)) return -1;
  NoteUnreplayable(kNoteFilesWritten);
  int fd = ::open(target.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  // Checked again on what was opened, in case the path changed meanwhile.
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int OpenRegularFile(const std::string& systemPath) {
  // Opened without blocking so fstat can tell a pipe before anything waits
  // on it; reads then block as usual.
  int fd = ::open(systemPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  const int flags = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::fcntl(fd, F_GETFL) : -1;
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

FileChannel::FileChannel() = default;
FileChannel::~FileChannel() { Close(); }

bool FileChannel::OpenRead(const char* name, bool regularOnly) {
  Close();
  if (!name || !*name) return false;
  if (IsMemName(name)) return OpenMemory(FindMemBlock(name));
  std::string path = SystemPath(name);
  int fd = regularOnly ? OpenRegularFile(path) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = st.st_size;
  return true;
}

bool FileChannel::OpenMemory(std::shared_ptr<const MemBlock> block) {
  Close();
  if (!block) return false;
  mem_ = std::move(block);
  size_ = mem_->Size();
  return true;
}

bool FileChannel::OpenWrite(const char* name) {
  Close();
  if (!name || !*name || IsMemName(name)) return false;
  auto replacement = std::make_unique<FileReplacement>();
  if (!replacement->Begin(name)) return false;
  fd_ = replacement->Fd();
  replacement_ = std::move(replacement);
  name_ = name;
  return true;
}

bool FileChannel::OpenAppend(const char* name) {
  Close();
  if (!name || !*name || IsMemName(name)) return false;
  int fd = OpenAppendTarget(name);
  if (fd < 0) return false;
  if (::lseek(fd, 0, SEEK_END) < 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool FileChannel::LockExclusive() {
  if (mem_) return true;
  if (fd_ < 0) return false;
  if (!replacement_ || replacement_->InPlace()) return ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  // A new version is written beside the file: the lock is on the old one,
  // which is what other channels open meanwhile. A new file has none yet.
  if (lockFd_ < 0 && replacement_->Existed()) {
    lockFd_ = ::open(replacement_->Target().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (lockFd_ < 0) return false;
  }
  return lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0;
}

std::string FileChannel::ReplacementTarget() const { return replacement_ ? replacement_->Target() : std::string(); }

bool FileLockedByChannel(const char* name) {
  if (!name || !*name || IsMemName(name)) return false;
  int fd = ::open(SystemPath(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  // A probe of our own: taken and released at once when nobody holds it.
  bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

bool FileChannel::Close() {
  bool ok = true;
  if (replacement_) {
    ok = !writeFailed_ && replacement_->Commit(KeepSaveBackups());
    if (!ok) LogFormat("cannot save %s\n", name_.c_str());
    replacement_.reset();  // a version that was not committed is dropped
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
  fd_ = -1;
  writeFailed_ = false;
  name_.clear();
  mem_.reset();
  size_ = 0;
  position_ = 0;
  return ok;
}

void FileChannel::Discard() {
  if (replacement_) {
    // Rewritten in place, the old content is gone already: the half-written
    // file goes too.
    if (replacement_->InPlace()) ::unlink(replacement_->Target().c_str());
    replacement_.reset();
    fd_ = -1;
  }
  Close();
}

bool FileChannel::Read(void* dst, int64_t n, int64_t* got) {
  if (got) *got = 0;
  if (n < 0) return false;
  if (mem_) {
    if (position_ > size_) return false;
    int64_t count = std::min(n, size_ - position_);
    if (count > 0) std::memcpy(dst, mem_->Data() + position_, static_cast<size_t>(count));
    position_ += count;
    if (got) *got = count;
    return true;
  }
  if (fd_ < 0) return false;
  int64_t count = ReadFully(fd_, dst, n);
  position_ += count;
  if (got) *got = count;
  return count == n;
}

bool FileChannel::Write(const void* src, int64_t n) {
  if (n == 0) return true;
  if (fd_ < 0 || n < 0) return false;
  const int64_t done = static_cast<int64_t>(WriteFully(fd_, src, static_cast<size_t>(n)));
  position_ += done;
  if (done != n) writeFailed_ = true;
  return done == n;
}

bool FileChannel::Seek(int64_t distance, int origin) {
  if (origin < 0 || origin > 2) return false;
  if (mem_) {
    int64_t base = origin == 0 ? 0 : origin == 1 ? position_ : size_;
    int64_t target = base + distance;
    if (target < 0 || target > size_) return false;
    position_ = target;
    return true;
  }
  if (fd_ < 0) return false;
  // The system's own pointer decides, so the position stays the offset the
  // next read or write uses, also when the file has grown since it was opened.
  off_t at = ::lseek(fd_, distance, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
  if (at < 0) return false;
  position_ = at;
  return true;
}

int64_t FileChannel::Size() const {
  if (mem_) return size_;
  if (fd_ < 0) return 0;
  struct stat st;
  return fstat(fd_, &st) == 0 ? st.st_size : 0;
}

bool FileChannel::ReadLine(RtString& out, int32_t capacity) {
  out = "";
  if (capacity <= 0) return false;
  if (mem_) return ReadLineMemory(out, capacity);
  if (fd_ < 0) return false;
  return ReadLineDisk(out, capacity);
}

// Chunks of at most 64 bytes; a short chunk gets a "\n" sentinel after its
// bytes, so the last line of a file without a final line end is a line too.
// After the "\n" the file pointer goes back to just behind it.
bool FileChannel::ReadLineDisk(RtString& out, int32_t capacity) {
  char* buf = out.WritableBuffer(static_cast<uint32_t>(capacity) + 1);
  int32_t used = 0;
  while (used < capacity) {
    int32_t ask = std::min<int32_t>(64, capacity - used);
    int64_t got = ReadFully(fd_, buf + used, ask);
    if (got <= 0 && used == 0) {
      out.SetLength(0);
      return false;
    }
    // A file whose last line fills whole chunks ends with an empty read:
    // that line still counts, like one cut short by the sentinel.
    if (got < 0) got = 0;
    bool sentinel = got < ask;
    char* chunk = buf + used;
    void* nl = std::memchr(chunk, '\n', static_cast<size_t>(got));
    if (nl || sentinel) {
      int32_t lineEnd = nl ? static_cast<int32_t>(static_cast<char*>(nl) - buf) : used + static_cast<int32_t>(got);
      int64_t consumed = nl ? lineEnd + 1 : lineEnd;
      int64_t back = (used + got) - consumed;
      if (back > 0) ::lseek(fd_, -back, SEEK_CUR);
      position_ += consumed - used;
      if (lineEnd > 0 && buf[lineEnd - 1] == '\r') --lineEnd;
      buf[lineEnd] = 0;
      out.SetLength(lineEnd);
      return true;
    }
    used += static_cast<int32_t>(got);
    position_ += got;
  }
  buf[used] = 0;
  out.SetLength(used);
  return true;
}

bool FileChannel::ReadLineMemory(RtString& out, int32_t capacity) {
  if (position_ >= size_) return false;
  const char* start = reinterpret_cast<const char*>(mem_->Data()) + position_;
  int64_t left = size_ - position_;
  int64_t span = std::min<int64_t>(left, capacity);
  const void* nl = std::memchr(start, '\n', static_cast<size_t>(span));
  int64_t length, consumed;
  bool lineEnd = true;
  if (nl) {
    length = static_cast<const char*>(nl) - start;
    consumed = length + 1;
  } else {
    length = consumed = span;
    lineEnd = left < capacity;  // else cut at the capacity: the line goes on
  }
  if (lineEnd && length > 0 && start[length - 1] == '\r') --length;
  out = RtString(start, static_cast<int32_t>(length));
  position_ += consumed;
  return true;
}

bool FileChannel::ReadWholeLine(RtString& out, int64_t keep) {
  out = "";
  if (keep < 0) keep = 0;
  if (keep > RtString::kMaxLength) keep = RtString::kMaxLength;
  // Up to one byte more than kept is held, so a "\r" just past the kept
  // part can still be recognised as the line end's.
  std::string held;
  int64_t total = 0;
  auto take = [&](const char* bytes, int64_t n) {
    int64_t room = keep + 1 - static_cast<int64_t>(held.size());
    if (room > 0) held.append(bytes, static_cast<size_t>(std::min(room, n)));
    total += n;
  };
  if (mem_) {
    if (position_ >= size_) return false;
    const char* start = reinterpret_cast<const char*>(mem_->Data()) + position_;
    int64_t left = size_ - position_;
    const void* nl = std::memchr(start, '\n', static_cast<size_t>(left));
    int64_t length = nl ? static_cast<const char*>(nl) - start : left;
    take(start, length);
    position_ += nl ? length + 1 : length;
  } else {
    if (fd_ < 0) return false;
    char chunk[512];
    bool any = false;
    while (true) {
      int64_t got = ReadFully(fd_, chunk, sizeof chunk);
      if (got <= 0) {
        if (!any) return false;
        break;
      }
      any = true;
      const void* nl = std::memchr(chunk, '\n', static_cast<size_t>(got));
      if (!nl) {
        take(chunk, got);
        position_ += got;
        continue;
      }
      int64_t length = static_cast<const char*>(nl) - chunk;
      take(chunk, length);
      // The bytes after the line end belong to the next read.
      int64_t back = got - (length + 1);
      if (back > 0) ::lseek(fd_, -back, SEEK_CUR);
      position_ += length + 1;
      break;
    }
  }
  if (total > 0 && total <= static_cast<int64_t>(held.size()) && held.back() == '\r') held.pop_back();
  if (static_cast<int64_t>(held.size()) > keep) held.resize(static_cast<size_t>(keep));
  out = RtString(held.data(), static_cast<int32_t>(held.size()));
  return true;
}

bool FileChannel::ReadRest(std::vector<uint8_t>& out) {
  out.clear();
  if (mem_) {
    if (position_ < size_) out.assign(mem_->Data() + position_, mem_->Data() + size_);
    position_ = std::max(position_, size_);
    return true;
  }
  if (fd_ < 0) return false;
  // Straight into the result up to the size the file has now; a file that
  // grows meanwhile goes on through the chunk, and one that shrinks is cut
  // to what came.
  const int64_t expect = Size() - position_;
  if (expect > 0) out.resize(static_cast<size_t>(expect));
  size_t have = 0;
  char chunk[65536];
  while (true) {
    const bool inPlace = have < out.size();
    const ssize_t r = inPlace ? ::read(fd_, out.data() + have, out.size() - have) : ::read(fd_, chunk, sizeof chunk);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      out.resize(have);
      return r == 0;
    }
    if (!inPlace) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(chunk);
      out.insert(out.end(), bytes, bytes + r);
    }
    have += static_cast<size_t>(r);
    position_ += r;
  }
}

}  // namespace orv
