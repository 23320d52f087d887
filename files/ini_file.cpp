// INI parsing, lookup and saving.
#include "files/ini_file.h"

#include <cstdlib>

#include "files/asset_locator.h"
#include "files/atomic_write.h"
#include "files/paths.h"
#include "files/save_backup.h"
#include "runtime/error_state.h"
#include "runtime/lib/text.h"
#include "runtime/lib/text_trim.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameIgnoringCase(const RtString& a, const RtString& b) {
  return EqualIgnoringAsciiCase({a.CStr(), static_cast<size_t>(a.Length())}, {b.CStr(), static_cast<size_t>(b.Length())});
}

}  // namespace

IniFile::~IniFile() { Save(); }

void IniFile::Clear() {
  sections_.clear();
  dirty_ = unsaved_ = fromArchive_ = unreadable_ = false;
  path_ = "";
}

void IniFile::Open(const RtString& name) {
  Save();
  if (name.Empty()) {
    Clear();
  } else {
    Load(name);
  }
}

IniFile::Section* IniFile::FindSection(const RtString& name) {
  for (Section& s : sections_)
    if (SameIgnoringCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(const RtString& name) const {
  return const_cast<IniFile*>(this)->FindSection(name);
}

RtString IniFile::Get(const RtString& section, const RtString& key, const RtString& fallback) const {
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->keys)
      if (SameIgnoringCase(e.key, key)) return e.value;
  return fallback;
}

void IniFile::Put(const RtString& section, const RtString& key, const RtString& value) {
  if (key.Empty()) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
      if (SameIgnoringCase(it->name, section)) {
        sections_.erase(it);
        Changed();
        return;
      }
    return;
  }
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(Section{section, {}});
    s = &sections_.back();
  }
  for (auto it = s->keys.begin(); it != s->keys.end(); ++it)
    if (SameIgnoringCase(it->key, key)) {
      if (value.Empty()) {
        s->keys.erase(it);
      } else {
        it->value = value;
      }
      Changed();
      return;
    }
  if (value.Empty()) return;
  s->keys.push_back(Entry{key, value});
  Changed();
}

void IniFile::Load(const RtString& name) {
  Clear();
  RtString resolved;
  if (!ResolveAsset(Rt().fileLocator.get(), name, resolved, true)) resolved = name;
  // A default file from the archive is read from memory, but changes go to
  // a real file of that name, which then takes precedence. Its folders may
  // exist only inside the archive (a packed game has no "Media/" beside
  // it), so saving creates them.
  fromArchive_ = IsMemName(resolved.CStr()) && !IsMemName(name.CStr());
  path_ = fromArchive_ ? name : resolved;
  FileChannel channel;
  // A save that is gone or damaged is read from its backup; the next save
  // replaces it.
  if (!channel.OpenRead(resolved.CStr()) && (fromArchive_ || !OpenSaveBackup(channel, name.CStr()))) {
    // A file that is there but cannot be read is never saved over: the
    // store would replace it with only the game's new entries.
    if (!fromArchive_ && PathExists(resolved.CStr())) {
      unreadable_ = true;
      SetErrorCode(kErrNoSuchFile);
    }
    return;
  }
  Parse(channel);
}

void IniFile::Parse(FileChannel& channel) {
  Section current;
  RtString line;
  // Whole lines, however long: a long value the game stored comes back as
  // it was saved instead of being cut, with its rest turned into a key.
  while (channel.ReadWholeLine(line, RtString::kMaxLength)) {
    const char* s = line.CStr();  // a 0 byte ends the line, as for any text line
    while (Blank(*s)) ++s;
    if (*s == ';') continue;
    if (*s == '[') {
      // A section without entries is never stored; the next header renames it.
      if (!current.keys.empty()) {
        sections_.push_back(current);
        current.keys.clear();
      }
      ++s;
      while (Blank(*s)) ++s;
      const char* stop = s;
      while (*stop && !Blank(*stop) && *stop != '=') ++stop;
      const char* end = stop;
      if (end > s && end[-1] == ']') --end;
      if (end > s) current.name = RtString(s, static_cast<int32_t>(end - s));
      continue;
    }
    const char* stop = s;
    while (*stop && !Blank(*stop) && *stop != '=') ++stop;
    if (!*stop) continue;
    RtString key(s, static_cast<int32_t>(stop - s));
    const char* p = stop;
    while (Blank(*p)) ++p;
    if (*p != '=') continue;
    ++p;
    while (Blank(*p)) ++p;
    if (!*p) continue;
    RtString value(p);
    TrimControlRight(value);
    if (value.Empty()) continue;
    current.keys.push_back(Entry{std::move(key), std::move(value)});
  }
  if (!current.keys.empty()) sections_.push_back(std::move(current));
}

std::string IniFile::Text() const {
  std::string text;
  for (const Section& s : sections_) {
    text.append("[").append(s.name.CStr(), static_cast<size_t>(s.name.Length())).append("]\r\n");
    for (const Entry& e : s.keys) {
      text.append(e.key.CStr(), static_cast<size_t>(e.key.Length())).append("=");
      text.append(e.value.CStr(), static_cast<size_t>(e.value.Length())).append("\r\n");
    }
  }
  return text;
}

bool IniFile::Save() {
  if (!dirty_ || !unsaved_ || path_.Empty() || unreadable_) return false;
  std::string text = Text();
  if (fromArchive_) MakeParentFolders(path_.CStr());
  if (!ReplaceFileContents(path_.CStr(), text.data(), text.size(), KeepSaveBackups())) {
    LogFormat("cannot save %s\n", path_.CStr());
    return false;
  }
  unsaved_ = false;
  return true;
}

}  // namespace orv
