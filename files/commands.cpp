// Game-facing commands of the files subsystem: convert and forward.
#include "orvane/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/asset_locator.h"
#include "files/directory_list.h"
#include "files/game_channels.h"
#include "files/ini_file.h"
#include "files/paths.h"
#include "files/save_backup.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"
#include "runtime/program_dir.h"
#include "runtime/runtime_state.h"
#include "runtime/temp_dir.h"

namespace {

using orv::FileChannel;

// 64-bit truncation toward zero for offsets and values written to files
// (an unsigned 32-bit value does not fit 32 signed bits); NaN gives 0.
int64_t Trunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(v);
}

// The channel for a read, write, seek or position; a bad number ends the program.
FileChannel& Channel(double number) {
  FileChannel* c = orv::GameChannel(orv::ToInt32(number));
  if (!c) orv::RuntimeError(orv::kErrOutOfMemory);
  return *c;
}

// Reads exactly the value's width (a memory file may give fewer bytes; the
// rest stays 0); any failure ends the program.
template <class T>
T ReadValue(double channel) {
  FileChannel& c = Channel(channel);
  unsigned char bytes[sizeof(T)] = {};
  if (!c.Read(bytes, sizeof(T))) orv::RuntimeError(orv::kErrNoSuchFile);
  T value;
  std::memcpy(&value, bytes, sizeof(T));  // the file is little-endian, as is the host
  return value;
}

template <class T>
void WriteValue(double channel, T value) {
  FileChannel& c = Channel(channel);
  if (!c.Write(&value, sizeof(T))) orv::RuntimeError(orv::kErrNoSuchFile);
}

RtString ReadLineOrEnd(double channel) {
  FileChannel& c = Channel(channel);
  RtString line;
  if (!c.ReadLine(line, 1024)) orv::RuntimeError(orv::kErrNoSuchFile);
  return line;
}

// Another game channel is writing the new version of the file a write to
// `name` would replace. The lock covers a file that exists; a new one has
// nothing to lock until its channel closes.
bool BeingReplaced(const RtString& name) {
  orv::WriteTarget target;
  if (!orv::FindWriteTarget(orv::SystemPath(name.CStr()), target)) return false;
  for (int32_t i = 0; i < orv::kGameChannels; ++i)
    if (orv::GameChannel(i)->ReplacementTarget() == target.path) return true;
  return false;
}

bool StatPath(const RtString& name, struct stat& st) {
  std::string path = orv::SystemPath(name.CStr());
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

double OpenFileChannel(double channel, const RtString& name, double mode) {
  orv::ClearError();
  FileChannel* c = orv::GameChannel(orv::ToInt32(channel));
  if (!c) return orv::Fail(orv::kErrOutOfMemory, 0.0);
  c->Close();
  bool ok;
  if (mode > 0) {
    RtString path;
    if (!orv::ResolveAsset(orv::Rt().fileLocator.get(), name, path, true)) orv::SetErrorCode(orv::kErrNoSuchFile);
    // A save that is gone or damaged is read from its backup.
    ok = c->OpenRead(path.CStr()) || (!orv::IsMemName(name.CStr()) && orv::OpenSaveBackup(*c, name.CStr()));
  } else {
    // A write replaces the file, so a file another channel holds must be
    // refused before it is removed.
    ok = !orv::FileLockedByChannel(name.CStr()) && !BeingReplaced(name) &&
         (mode < 0 ? c->OpenAppend(name.CStr()) : c->OpenWrite(name.CStr()));
  }
  // Game channels do not share their files, whatever the mode.
  if (ok && !c->LockExclusive()) {
    c->Close();
    ok = false;
  }
  if (!ok) orv::SetErrorCode(orv::kErrNoSuchFile);
  return ok ? 1 : 0;
}

// A write channel's file is replaced here; when that fails the old file
// stays and the error says so.
void CloseFileChannel(double channel) {
  if (!Channel(channel).Close()) orv::SetErrorCode(orv::kErrNoSuchFile);
}

double FreeFileChannel() {
  for (int32_t i = 0; i < orv::kGameChannels; ++i)
    if (!orv::GameChannel(i)->IsOpen()) return i;
  return -1;
}

double EndOfFile(double channel) {
  FileChannel* c = orv::GameChannel(orv::ToInt32(channel));
  return !c || c->EndOfData() ? 1 : 0;
}

double FilePosition(double channel) { return static_cast<double>(Channel(channel).Position()); }

double FileSeek(double channel, double distance, double mode) {
  FileChannel& c = Channel(channel);
  int origin = mode < 0 ? 2 : mode > 0 ? 1 : 0;
  return c.Seek(Trunc(distance), origin) ? 1 : 0;
}

double FileReadByte(double channel) { return ReadValue<int8_t>(channel); }
double FileReadUByte(double channel) { return ReadValue<uint8_t>(channel); }
double FileReadShort(double channel) { return ReadValue<int16_t>(channel); }
double FileReadUShort(double channel) { return ReadValue<uint16_t>(channel); }
double FileReadInt(double channel) { return ReadValue<int32_t>(channel); }
double FileReadUInt(double channel) { return static_cast<int32_t>(ReadValue<uint32_t>(channel)); }
double FileReadDouble(double channel) { return ReadValue<double>(channel); }
double FileReadFloat(double channel) { return ReadValue<float>(channel); }

RtString FileReadText(double channel, double count) {
  FileChannel& c = Channel(channel);
  int64_t n = Trunc(count);
  if (n <= 0) return RtString();
  // No text can hold more, whatever the file holds: refused before the
  // count is narrowed to a text's size.
  if (n > static_cast<int64_t>(RtString::kMaxLength)) orv::RuntimeError(orv::kErrNoSuchFile);
  // Never allocate more than the file holds: a disk read that long fails
  // anyway, and a memory read is cut to what is left.
  int64_t left = c.Size() - c.Position();
  if (n > left) {
    if (!c.IsMemory()) orv::RuntimeError(orv::kErrNoSuchFile);
    n = left > 0 ? left : 0;
  }
  RtString text;
  char* buf = text.WritableBuffer(static_cast<uint32_t>(n) + 1);
  int64_t got = 0;
  if (!c.Read(buf, n, &got)) orv::RuntimeError(orv::kErrNoSuchFile);
  buf[got] = 0;
  text.SetLength(static_cast<int32_t>(got));
  return text;
}

RtString FileReadLine(double channel) { return ReadLineOrEnd(channel); }
double FileReadLineNumber(double channel) { return ReadLineOrEnd(channel).ToDouble(); }
double FileReadLineInteger(double channel) { return ReadLineOrEnd(channel).ToInt(); }

void FileWriteByte(double channel, double value) { WriteValue(channel, static_cast<int8_t>(Trunc(value))); }
void FileWriteUByte(double channel, double value) { WriteValue(channel, static_cast<uint8_t>(Trunc(value))); }
void FileWriteShort(double channel, double value) { WriteValue(channel, static_cast<int16_t>(Trunc(value))); }
void FileWriteUShort(double channel, double value) { WriteValue(channel, static_cast<uint16_t>(Trunc(value))); }
void FileWriteInt(double channel, double value) { WriteValue(channel, static_cast<int32_t>(Trunc(value))); }
void FileWriteUInt(double channel, double value) { WriteValue(channel, static_cast<uint32_t>(Trunc(value))); }
void FileWriteDouble(double channel, double value) { WriteValue(channel, value); }
void FileWriteFloat(double channel, double value) { WriteValue(channel, static_cast<float>(value)); }

void FileWriteText(double channel, const RtString& text) {
  FileChannel& c = Channel(channel);
  if (!c.Write(text.CStr(), text.Length())) orv::RuntimeError(orv::kErrNoSuchFile);
}

void FileWriteLine(double channel, const RtString& text) {
  FileChannel& c = Channel(channel);
  if (!c.Write(text.CStr(), text.Length()) || !c.Write("\r\n", 2)) orv::RuntimeError(orv::kErrNoSuchFile);
}

double FileExists(const RtString& name) {
  struct stat st;
  return StatPath(name, st) && !S_ISDIR(st.st_mode) ? 1 : 0;
}

double IsDirectory(const RtString& name) {
  struct stat st;
  return StatPath(name, st) && S_ISDIR(st.st_mode) ? 1 : 0;
}

double FileSize(const RtString& name) {
  orv::ClearError();
  FileChannel c;
  if (!c.OpenRead(name.CStr())) return orv::Fail(orv::kErrNoSuchFile, 0.0);
  return static_cast<double>(c.Size());
}

double FileDelete(const RtString& name) {
  std::string path = orv::SystemPath(name.CStr());
  struct stat st;
  const bool file = !path.empty() && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (path.empty() || ::unlink(path.c_str()) != 0) return 0;
  // A deleted save must not come back from its backup. (Deleting a link
  // leaves the file it led to, and that file's backup.)
  if (file) orv::RemoveSaveBackup(path);
  return 1;
}

double MakeDirectory(const RtString& name) {
  std::string path = orv::SystemPath(name.CStr());
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0 ? 1 : 0;
}

double FileCopy(const RtString& source, const RtString& target) {
  orv::ClearError();
  FileChannel in, out;
  if (!in.OpenRead(source.CStr())) return orv::Fail(orv::kErrNoSuchFile, 0.0);
  if (!out.OpenWrite(target.CStr())) return orv::Fail(orv::kErrNoSuchFile, 0.0);
  char block[4096];
  int64_t left = in.Size();
  while (left > 0) {
    int64_t n = left < static_cast<int64_t>(sizeof block) ? left : static_cast<int64_t>(sizeof block);
    if (!in.Read(block, n) || !out.Write(block, n)) {
      // The half-made copy is dropped: the target stays as it was.
      out.Discard();
      return orv::Fail(orv::kErrNoSuchFile, 0.0);
    }
    left -= n;
  }
  return out.Close() ? 1 : orv::Fail(orv::kErrNoSuchFile, 0.0);
}

RtString GetCurrentDir() { return orv::CurrentDirectoryForGame(); }

double SetCurrentDir(const RtString& path) {
  if (orv::ChangeCurrentDirectory(path.CStr())) return 1;
  return orv::Fail(orv::kErrNoSuchFile, 0);
}

RtString GetTempDir() { return orv::TempDirectory(); }
RtString GetProgramPath() { return orv::ProgramPath(); }
RtString GetProgramDir() { return orv::ProgramDirectory(); }

RtString SlashPath(const RtString& path) {
  RtString copy(path);
  orv::ForwardSlashes(copy);
  return copy;
}

double ListDirectory(const RtString& pattern, RtArray<RtString>& names) {
  return static_cast<double>(orv::ListDirectory(pattern.CStr(), names));
}

double WildcardMatch(const RtString& pattern, const RtString& name) {
  return orv::WildcardMatch(pattern.CStr(), name.CStr()) ? 1 : 0;
}

void IniOpen(const RtString& name) { orv::GameIniStore().Open(name); }
RtString IniGet(const RtString& section, const RtString& key, const RtString& fallback) {
  return orv::GameIniStore().Get(section, key, fallback);
}
void IniPut(const RtString& section, const RtString& key, const RtString& value) {
  orv::GameIniStore().Put(section, key, value);
}
