#include "files/save_backup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "files/paths.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

// Where the replacement keeps the backup: beside the file a link leads to.
bool BackupPath(const char* gamePath, std::string& backup) {
  if (!gamePath || !*gamePath || IsMemName(gamePath)) return false;
  WriteTarget target;
  if (!FindWriteTarget(SystemPath(gamePath), target)) return false;
  backup = target.path + ".bak";
  return true;
}

}  // namespace

bool KeepSaveBackups() {
  const char* value = std::getenv("ORVANE_SAVE_BACKUP");
  return !(value && std::strcmp(value, "0") == 0);
}

bool OpenSaveBackup(FileChannel& channel, const char* gamePath) {
  std::string backup;
  if (!KeepSaveBackups() || !BackupPath(gamePath, backup)) return false;
  struct stat st;
  if (::stat(backup.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !channel.OpenRead(backup.c_str())) return false;
  LogFormat("%s is missing or unreadable: reading %s\n", gamePath, backup.c_str());
  return true;
}

void RemoveSaveBackup(const std::string& deletedPath) {
  if (!KeepSaveBackups()) return;
  const std::string backup = deletedPath + ".bak";
  struct stat st;
  if (lstat(backup.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(backup.c_str());
}

}  // namespace orv
