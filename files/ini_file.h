// IniFile: settings in the INI text format, kept in memory by section and
// key. The game has one process-wide store (IniOpen / IniGet / IniPut) that
// writes itself back when another file is opened and when the program ends;
// loaders may use a local IniFile as a plain reader (unchanged, it never
// writes anything).
//
// Section names and keys compare ignoring ASCII case and keep the case they
// were first stored with; a repeated section or key keeps every copy but
// only the first is ever found.
#pragma once

#include <string>
#include <vector>

#include "files/file_channel.h"
#include "orvane/rt_string.h"

namespace orv {

class IniFile {
 public:
  struct Entry {
    RtString key, value;
  };
  struct Section {
    RtString name;
    std::vector<Entry> keys;
  };

  IniFile() = default;
  ~IniFile();  // saves first (see Save)
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // Saves a changed store, then loads `name`; an empty name only clears.
  void Open(const RtString& name);
  // The value of the first matching key of the first matching section, or `fallback`.
  RtString Get(const RtString& section, const RtString& key, const RtString& fallback) const;
  // An empty key deletes the section; an empty value deletes the key; a
  // missing section is created even when nothing else changes.
  void Put(const RtString& section, const RtString& key, const RtString& value);
  // Empty, unchanged, no file.
  void Clear();
  // Clears, then reads the file found through the file locator (disk,
  // archive or "mem://"). The store remembers where to save even when the
  // file does not exist yet; a file found only in the archive is saved
  // under its own name on disk, creating the folders of that name. A file
  // that exists but cannot be read sets error 3 and is never saved over.
  void Load(const RtString& name);
  // Parses INI text from an open channel into the store (sections appended).
  void Parse(FileChannel& channel);
  // Writes the store when it was changed and has a file: every section as
  // "[name]" then "key=value" lines, each ended by "\r\n". The old file is
  // replaced atomically, never lost (rewritten in place when its folder
  // takes no new files). False when nothing could be written, which logs
  // one line.
  bool Save();
  // The text Save writes.
  std::string Text() const;

  bool Dirty() const { return dirty_; }
  const RtString& Path() const { return path_; }
  const std::vector<Section>& Sections() const { return sections_; }

 private:
  Section* FindSection(const RtString& name);
  const Section* FindSection(const RtString& name) const;
  void Changed() { dirty_ = unsaved_ = true; }

  std::vector<Section> sections_;
  bool dirty_ = false;
  bool unsaved_ = false;  // changed since the last successful save
  bool fromArchive_ = false;  // the file was read from the archive: its folders may not exist
  bool unreadable_ = false;   // the file exists but could not be read: never saved over
  RtString path_;
};

// The game's store in the runtime record, created on first use; the files
// stage saves it at shutdown.
IniFile& GameIniStore();
// Saves the game's store if it exists and has unsaved changes.
void SaveGameIniStore();

}  // namespace orv
