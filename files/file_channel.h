// FileChannel: one small file abstraction over a disk file or a block of
// memory. Every loader of the runtime reads through it, so images, sounds,
// meshes and settings work the same from disk, from the appended archive
// and from "mem://" names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/mem_name.h"
#include "orvane/rt_string.h"

namespace orv {

class FileReplacement;

// True while a channel holds the lock of LockExclusive on the file at a
// game path (checked before a write replaces the file under its holder).
bool FileLockedByChannel(const char* name);

// Opens a regular file (a system path) for reading: its descriptor, or -1.
// A named pipe or a device is refused at once, never waited on: opening a
// pipe blocks until a writer comes. For loaders and players, which only
// ever read files.
int OpenRegularFile(const std::string& systemPath);

class FileChannel {
 public:
  FileChannel();
  ~FileChannel();
  FileChannel(const FileChannel&) = delete;
  FileChannel& operator=(const FileChannel&) = delete;

  // Each open closes the channel first. Reading: "" fails; a live "mem://"
  // name gives a memory channel; anything else opens the disk file (a
  // directory fails); size = the file size at open time. With
  // `regularOnly` only a regular file opens (see OpenRegularFile).
  bool OpenRead(const char* name, bool regularOnly = false);
  // Reads a block the caller holds; the channel shares its ownership.
  bool OpenMemory(std::shared_ptr<const MemBlock> block);
  // Writing: a new version of the file (through a link, the file it points
  // at) with the old one's permissions, written beside it and put in its
  // place by Close, flushed to the disk (files/atomic_write.h). Until then
  // the file keeps its old content for every reader, and a kill or crash
  // keeps it for good. Only regular files are written: a folder, a pipe or
  // a device fails and stays. "mem://" names fail.
  bool OpenWrite(const char* name);
  // Appending: opens or creates the file (the same files as for writing)
  // and moves to its end; size and position start at 0. "mem://" names fail.
  bool OpenAppend(const char* name);
  // Takes an advisory lock on the open disk file so no other channel (of
  // this process or another) that asks for one can open it meanwhile; the
  // lock goes with Close. False when another holder has it. A memory
  // channel needs none.
  bool LockExclusive();
  // Closes the file or forgets the block; all fields back to zero. A channel
  // opened for writing replaces its file now, keeping the old version as
  // NAME.bak when save backups are on (files/save_backup.h); when a write
  // failed or the replacement cannot be made, the old file stays, the error
  // log says "cannot save NAME" and the result is false.
  bool Close();
  // Closes a channel opened for writing without replacing its file.
  void Discard();
  // The file a channel opened for writing will replace (links followed);
  // "" for any other channel.
  std::string ReplacementTarget() const;

  bool IsOpen() const { return fd_ >= 0 || mem_ != nullptr; }
  bool IsMemory() const { return mem_ != nullptr; }

  // Disk: succeeds only when exactly n bytes arrive. Memory: n is cut to
  // what is left and the read fails only when the position is past the end.
  // `got` receives the bytes copied.
  bool Read(void* dst, int64_t n, int64_t* got = nullptr);
  // 0 bytes always succeed; otherwise needs a disk file and all n written.
  bool Write(const void* src, int64_t n);
  // origin 0 = start, 1 = current position, 2 = end. A failed seek leaves
  // the position where it was.
  bool Seek(int64_t distance, int origin);
  // position >= size (a channel opened for writing is always at its end).
  bool EndOfData() const { return position_ >= size_; }
  // Disk: the file's current size; memory: the block's size.
  int64_t Size() const;
  int64_t Position() const { return position_; }

  // One line of at most `capacity` bytes without its "\n" and one "\r"
  // before it (also before the end of the data). A longer line comes back
  // cut at the capacity; its rest is the next line. Fails at the end of the
  // data. Disk and memory channels give the same lines for the same bytes.
  bool ReadLine(RtString& out, int32_t capacity);
  // One whole line however long, for stores that must never split a line in
  // two: its first `keep` bytes (after removing the "\n" and one "\r" before
  // it) come back, the rest of the line is skipped. Fails at the end of the data.
  bool ReadWholeLine(RtString& out, int64_t keep);
  // Everything from the position to the end of the data.
  bool ReadRest(std::vector<uint8_t>& out);

 private:
  bool ReadLineDisk(RtString& out, int32_t capacity);
  bool ReadLineMemory(RtString& out, int32_t capacity);

  int fd_ = -1;
  std::unique_ptr<FileReplacement> replacement_;  // writing: the new version until Close
  int lockFd_ = -1;          // writing: the old file, held for LockExclusive
  bool writeFailed_ = false;  // writing: a write fell short, so Close keeps the old file
  std::string name_;         // writing: the name the game gave, for the log
  std::shared_ptr<const MemBlock> mem_;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

}  // namespace orv
