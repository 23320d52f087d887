// Line-addressed text files: a game reads and writes single lines of a small
// text file by number (0-255, at most 1023 bytes each). One file at a time
// is held in memory; it is written back when the game moves on to another
// file and when the process ends, atomically, so a kill at any moment
// leaves either the old or the new file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "orvane/rt_string.h"

namespace orv {

class LineFileCache {
 public:
  static constexpr int32_t kLines = 256;
  static constexpr int32_t kLineBytes = 1023;

  // Makes `name` the cached file: nothing when it already is; otherwise the
  // old file is written back if changed, and `name` is read through the file
  // locator (lines past 255 are kept aside and written back unchanged). False (error 3) when it cannot be read; the cache then belongs
  // to `name` and is empty. An empty name only writes back and empties.
  bool Select(const RtString& name);
  // The line without trailing control bytes; "NO_DATA" for a bad number
  // (error 7) or an empty line, "NO_FILE" when the file cannot be read (error 3).
  RtString Read(const RtString& name, int32_t line);
  // Stores the text (cut at 1023 bytes and at a 0 byte); a bad number sets
  // error 7 and writes nothing. A missing file is created at write-back
  // (error 3 shows it was missing); a file that exists but cannot be read
  // sets error 3 and is never written over.
  void Write(const RtString& name, int32_t line, const RtString& text);

  const std::string& FileName() const { return fileName_; }
  bool Dirty() const { return dirty_; }
  int32_t LastLine() const { return lastLine_; }

 private:
  void WriteBack();

  std::string fileName_;
  std::array<std::string, kLines> lines_;
  std::string tail_;  // bytes after line 255, kept as they were and written back unchanged
  bool dirty_ = false;
  bool missing_ = false;  // the selected file could not be read
  bool unreadable_ = false;  // ... because it exists but cannot be read: never written back
  int32_t lastLine_ = 0;
};

// The cache in the runtime record, created on first use; written back at shutdown.
LineFileCache& LineFiles();
// Writes the cached file back if it changed (selects no file).
void FlushLineFile();

}  // namespace orv
