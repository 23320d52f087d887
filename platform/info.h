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

#include <vector>

namespace orv::platform {

// The machine's identifier text (/etc/machine-id, else the D-Bus copy),
// without its line end; "" when neither exists.
std::string MachineIdText();
// The charge of the first battery in percent; -1 when there is none.
int BatteryPercent();
// The user's documents folder (xdg-user-dir DOCUMENTS, else $HOME/Documents);
// "" when there is no home folder.
std::string DocumentsFolder();
// Where programs keep the user's data ($XDG_DATA_HOME, else
// $HOME/.local/share); "" when neither is known.
std::string UserDataFolder();
// Creates a folder and its parents; existing ones are fine.
void MakeFolders(const std::string& path);
// The process environment as "name=value" entries, in its order.
std::vector<std::string> EnvironmentEntries();
// The current folder; "" when it cannot be read.
std::string CurrentFolder();
bool ChangeFolder(const std::string& path);
// True when the system's GL library itself names the entry point. Drivers
// hand out generated stubs for any name they are asked about, so a name only
// the stub generator knows is no real entry point.
bool GlLibraryNames(const char* entry);

}  // namespace orv::platform
