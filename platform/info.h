// The platform seam for facts about the machine and the process: where the
// program file is, the temporary folder, whether a debugger watches. The
// runtime asks here instead of reading system files itself.
#pragma once

#include <string>

namespace orv::platform {

// Full path of the running program file; "" when the system does not say.
std::string ExecutablePath();
// The user's temporary folder ($TMPDIR, else /tmp), always ending in "/".
std::string TempFolder();
// True while a debugger (a tracer process) is attached to this process.
bool DebuggerAttached();

}  // namespace orv::platform
