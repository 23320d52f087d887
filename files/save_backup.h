// The previous version of every save: a file channel written from the
// start, an INI save or a line-file write-back keeps the version it
// replaces as NAME.bak beside it (one generation). When a save that a game
// opens for reading is missing or cannot be read, its backup is read
// instead, with one line in the error log. ORVANE_SAVE_BACKUP=0 turns both
// off.
#pragma once

#include <string>

#include "files/file_channel.h"

namespace orv {

// Backups are kept and read (the environment switch, read here only).
bool KeepSaveBackups();

// Opens the backup of the save at a game path for reading, when backups
// are on and it is there; logs that it does. Called once the save itself
// could not be opened.
bool OpenSaveBackup(FileChannel& channel, const char* gamePath);

// Removes the backup beside a save the game deleted (its system path), so
// the save does not come back from it.
void RemoveSaveBackup(const std::string& deletedPath);

}  // namespace orv
