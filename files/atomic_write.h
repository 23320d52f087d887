// Whole-file replacement that cannot lose the old file: the new content is
// written to a file beside it that has no name yet, flushed to the disk,
// given a name and renamed over the old one, and the folder is flushed
// after the rename. A kill, a crash or a full disk at any moment leaves
// either the old or the new content, never a mixture or nothing; a power
// loss after the replacement returned keeps the new content. Only where no
// file can be made beside it (a folder that is not writable) is a writable
// file rewritten in place instead, which is better than not saving at all.
//
// File channels opened for writing, INI saves and line-file write-backs all
// replace their files through here.
#pragma once

#include <cstddef>
#include <string>

namespace orv {

// One new version of a file, from the start of writing until it replaces
// the old version (Commit) or is dropped (Abandon, or destruction).
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement() { Abandon(); }
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new version of the file at a game path (backslashes, case as
  // for every other file operation). Through a symbolic link the file it
  // points at is replaced and the link stays. Fails for "mem://" names, for
  // anything but a regular file at the path (a folder, a pipe, a device
  // stays as it is) and when nothing can be written there. Until Commit,
  // the old file is untouched and readers see it as it was.
  bool Begin(const char* gamePath);
  // The descriptor the new version is written through (read and write).
  int Fd() const { return fd_; }
  // The old file is rewritten where it is (no new file could be made in
  // its folder): its content is already gone, Commit only flushes.
  bool InPlace() const { return inPlace_; }
  // The system path of the file being replaced (links followed).
  const std::string& Target() const { return target_; }
  // The file existed when Begin ran.
  bool Existed() const { return existed_; }

  // Flushes the new version, puts it in the old one's place and flushes the
  // folder. With `keepBackup` the version it replaces stays beside it as
  // NAME.bak (one generation; only a version that can be read). False when
  // a step failed: the old file is then still there, unchanged.
  bool Commit(bool keepBackup);
  // Drops the new version; the old file stays as it was.
  void Abandon();

 private:
  std::string target_;
  std::string tempName_;  // the new version's name beside the target; "" while it has none
  int fd_ = -1;
  unsigned mode_ = 0;  // the old file's permissions, kept by the new one
  bool inPlace_ = false;
  bool existed_ = false;
};

// Writes the bytes as the file at a game path through a FileReplacement.
// "mem://" names and failures give false; the old file is then untouched.
bool ReplaceFileContents(const char* gamePath, const void* data, size_t size, bool keepBackup = false);

// Writes the bytes to a descriptor, going on after short writes and
// interruptions; the count written, which is `size` unless writing failed.
size_t WriteFully(int fd, const void* data, size_t size);

}  // namespace orv
