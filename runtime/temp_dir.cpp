#include "runtime/temp_dir.h"

#include <cstdlib>

namespace orv {

RtString TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  RtString path(dir && *dir ? dir : "/tmp");
  if (path[path.Length() - 1] != '/') path += '/';
  return path;
}

}  // namespace orv
