// Game-facing commands of the system services: convert and forward.
#include "orvane/system.h"

#include <cstdlib>
#include <string>

#include "platform/info.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"
#include "system/imports.h"
#include "system/processes.h"
#include "system/system_info.h"

RtString PlatformInfo(const RtString& key) { return orv::PlatformInfoText(key); }

RtString GetEnv(const RtString& name) {
  if (name.Length() > 0) {
    const char* value = std::getenv(name.CStr());
    return RtString(value ? value : "");
  }
  RtString all;
  for (const std::string& entry : orv::platform::EnvironmentEntries()) {
    all += entry.c_str();
    all += '\n';
  }
  return all;
}

void PutEnv(const RtString& name, const RtString& value) {
  // A name the environment cannot hold (empty, or with "=") changes nothing.
  if (value.Length() == 0) {
    unsetenv(name.CStr());
  } else {
    setenv(name.CStr(), value.CStr(), 1);
  }
}

RtString CommandLine() { return orv::Rt().commandLine; }

void RegisterImport(const RtString& module, const RtString& entry, void** slot) {
  orv::Imports().Register(module, entry, slot);
}

void WriteStdout(const RtString& text) { orv::WriteStream(1, text); }
void WriteStderr(const RtString& text) { orv::WriteStream(2, text); }
RtString ReadStdin() { return orv::ReadStandardInput(); }

// A program started from a terminal already writes to and reads from it, and
// one started without a terminal has no console window it could open: either
// way the standard streams stay as they are and keep working.
void AttachConsole() {
  std::fflush(stdout);
  std::fflush(stderr);
}

double RunProgram(const RtString& command, double wait, double /*show: windows show themselves here*/,
                  double& exitCode) {
  int32_t code = 0;
  int32_t started = orv::RunProgramLine(command, orv::ToInt32(wait) != 0, code);
  exitCode = code;
  return started;
}

double ShellOpen(const RtString& target) { return orv::ShellOpenTarget(target); }

RtString FileRequest(double save, const RtString& filter) {
  return orv::FileRequestDialog(orv::ToInt32(save) != 0, filter);
}
