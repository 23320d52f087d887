#include "runtime/program_dir.h"

#include <string>

#include "platform/info.h"

namespace orv {

RtString ProgramPath() {
  std::string path = platform::ExecutablePath();
  return RtString(path.data(), static_cast<int32_t>(path.size()));
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
