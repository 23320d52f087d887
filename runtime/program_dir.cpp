#include "runtime/program_dir.h"

#include <unistd.h>

#include <climits>

namespace orv {

RtString ProgramPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return RtString();
  return RtString(path, static_cast<int32_t>(n));
}

RtString ProgramDirectory() {
  RtString path = ProgramPath();
  int32_t cut = path.Length() - 1;
  while (cut >= 0 && path[cut] != '/') --cut;
  if (cut <= 0) return cut == 0 ? RtString("/") : RtString(".");
  path.Truncate(cut);
  return path;
}

}  // namespace orv
