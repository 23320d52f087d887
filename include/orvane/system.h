// Game-facing commands of the system services: facts about the machine and
// the process, the environment and the command line, functions declared from
// external libraries, other programs, the desktop's opener, the standard
// streams and the file dialogs.
#pragma once

#include "orvane/rt_string.h"

// ---- Machine and process ----------------------------------------------------
RtString PlatformInfo(const RtString& key);  // "", "DEVICE", "GLEXT:name", "ID", "TIME", "UTCTIME", "BATTERY", "COMPILED", "HOSTID", "VERSION", "LOCALE", "DOCUMENTS", "APPDATA", "TEMP"; else "NO_DATA"
RtString GetEnv(const RtString& name);       // the variable's value ("" when unset); "" name: every "name=value\n"
void PutEnv(const RtString& name, const RtString& value);  // set the variable; an empty value removes it
RtString CommandLine();                      // the program's arguments as started, quoted where they hold blanks

// ---- Library functions (declared before start-up, filled during it) ---------
void RegisterImport(const RtString& module, const RtString& entry, void** slot);  // slot null until resolved; "foo.dll" also finds libfoo.so / foo.so

// ---- Standard streams -------------------------------------------------------
void WriteStdout(const RtString& text);      // the text as it is, no line end added
void WriteStderr(const RtString& text);      // the same on standard error
RtString ReadStdin();                        // one line (at most 4095 bytes, NULs kept) without its "\n"; "" at the end of input
void AttachConsole();                        // nothing to attach here: the streams stay where they are

// ---- Programs, the desktop, file dialogs ------------------------------------
double RunProgram(const RtString& command, double wait, double show, double& exitCode);  // 1 started, 0 not (error 3: longer than the system passes on, or a NUL); never through a shell
double ShellOpen(const RtString& target);    // xdg-open; while Escape ends the program, the program ends first
RtString FileRequest(double save, const RtString& filter);  // "Text|*.txt|All|*.*"; the chosen path or "NO_FILE"
