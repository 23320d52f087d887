#include "runtime/lib/line_file.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/asset_locator.h"
#include "files/atomic_write.h"
#include "files/file_channel.h"
#include "files/paths.h"
#include "files/save_backup.h"
#include "runtime/error_state.h"
#include "runtime/lib/text_trim.h"
#include "runtime/runtime_state.h"

namespace orv {

void LineFileCache::WriteBack() {
  if (fileName_.empty() || !dirty_) return;
  std::string text;
  for (int32_t i = 0; i <= lastLine_; ++i) text.append(lines_[static_cast<size_t>(i)]).append("\r\n");
  text.append(tail_);
  // Write-back failures are not reported to the game; the log says so.
  if (!ReplaceFileContents(fileName_.c_str(), text.data(), text.size(), KeepSaveBackups())) LogFormat("cannot save %s\n", fileName_.c_str());
}

bool LineFileCache::Select(const RtString& name) {
  const char* wanted = name.CStr();
  // A file that could not be read is tried again until the game writes to it.
  if (*wanted && fileName_ == wanted && (!missing_ || dirty_)) return true;
  WriteBack();
  for (std::string& line : lines_) line.clear();
  tail_.clear();
  dirty_ = missing_ = unreadable_ = false;
  lastLine_ = 0;
  fileName_.clear();
  if (!*wanted) return true;

  fileName_ = wanted;
  RtString path;
  FileChannel channel;
  // A save that is gone or damaged is read from its backup.
  if ((!ResolveAsset(Rt().fileLocator.get(), name, path, true) || !channel.OpenRead(path.CStr())) &&
      !OpenSaveBackup(channel, fileName_.c_str())) {
    missing_ = true;
    unreadable_ = PathExists(fileName_.c_str());
    SetErrorCode(kErrNoSuchFile);
    return false;
  }
  RtString text;
  int32_t count = 0;
  // A line longer than a slot comes back cut, as one line: the rest of it
  // never becomes a line of its own that would move every later line down.
  while (count < kLines && channel.ReadWholeLine(text, kLineBytes)) {
    lines_[static_cast<size_t>(count)].assign(text.CStr());  // a 0 byte ends the line
    ++count;
  }
  lastLine_ = count > 0 ? count - 1 : 0;
  if (count == kLines) {
    // The game cannot address more lines, but a write-back must not drop them.
    std::vector<uint8_t> rest;
    channel.ReadRest(rest);
    tail_.assign(rest.begin(), rest.end());
  }
  return true;
}

RtString LineFileCache::Read(const RtString& name, int32_t line) {
  ClearError();
  if (line < 0 || line >= kLines) return Fail(kErrOutOfMemory, RtString("NO_DATA"));
  if (!Select(name)) return RtString("NO_FILE");
  RtString text(lines_[static_cast<size_t>(line)].c_str());
  TrimControlRight(text);
  if (text.Empty()) return RtString("NO_DATA");
  return text;
}

void LineFileCache::Write(const RtString& name, int32_t line, const RtString& text) {
  ClearError();
  if (line < 0 || line >= kLines) {
    SetErrorCode(kErrOutOfMemory);
    return;
  }
  // A file that does not exist yet is created at write-back (the failed
  // load still shows as error 3); one that exists but cannot be read is
  // never written over.
  if (!Select(name) && unreadable_) return;
  size_t length = strnlen(text.CStr(), static_cast<size_t>(kLineBytes));
  lines_[static_cast<size_t>(line)].assign(text.CStr(), length);
  if (line > lastLine_) lastLine_ = line;
  dirty_ = true;
}

}  // namespace orv
