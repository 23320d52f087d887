// Paths between the game and the system. Games see forward slashes; a
// backslash from game code becomes "/" before the system sees it. Games
// written on case-insensitive file systems name their files in any case, so
// when an exact path does not exist each component is looked up ignoring
// ASCII case; an exact name always wins.
#pragma once

#include <string>

#include "orvane/rt_string.h"

namespace orv {

// Every "\" turned into "/".
std::string ForwardSlashes(const char* path);
void ForwardSlashes(RtString& path);

// The path to hand to the system for a game path: the exact path when it
// exists; otherwise each component that does not exist as given is replaced
// by a case-insensitive match in its folder (the lowest in byte order when
// several match). Components without a match are kept as given, so a new
// file keeps its name inside a folder found by case.
std::string SystemPath(const char* gamePath);

// Where a write to a system path lands. Symbolic links are followed, link
// by link, to the path they name, which may not exist yet: a save through a
// link changes the file it points at and the link stays a link. `exists` and
// `mode` (st_mode) describe what is at `path`. False when the links loop or
// cannot be read.
struct WriteTarget {
  std::string path;
  bool exists = false;
  unsigned mode = 0;
};
bool FindWriteTarget(const std::string& systemPath, WriteTarget& target);

// Something (a file, a folder, ...) exists at the game path, whether or not
// it can be read. Tells "cannot be read" apart from "missing".
bool PathExists(const char* gamePath);
// Creates every missing folder above the file at a game path; false when
// one cannot be made.
bool MakeParentFolders(const char* gamePath);

// The current directory as the game sees it: forward slashes and a final "/";
// "" when it has no name (deleted while current).
RtString CurrentDirectoryForGame();
// Changes the current directory; false on failure.
bool ChangeCurrentDirectory(const char* gamePath);

}  // namespace orv
