#include "runtime/temp_dir.h"

#include "platform/info.h"

namespace orv {

RtString TempDirectory() { return RtString(platform::TempFolder().c_str()); }

}  // namespace orv
