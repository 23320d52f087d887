// A test game for the system services. SYSTEM_MODE chooses what it does; it
// reports on standard output, one line per fact.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/orvane.h"
#include "gfx2d/opengl_vexel.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"
#include "system/imports.h"

namespace {

std::string Env(const char* name, const char* fallback = "") {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}
void Say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
std::string Num(double v) { return std::to_string(static_cast<long long>(v)); }

int (*g_add)(int, int);
int (*g_twice)(int);
int (*g_missingEntry)(int);
int (*g_missingModule)(int);
int (*g_missingModuleToo)(int);

// Declarations happen before start-up, as a game's static initialisers do.
struct Declarations {
  Declarations() {
    if (Env("SYSTEM_IMPORTS") != "1") return;
    RegisterImport("OrvTestImport.dll", "orv_test_add", reinterpret_cast<void**>(&g_add));
    RegisterImport("orvtestimport.DLL", "orv_test_twice", reinterpret_cast<void**>(&g_twice));
    RegisterImport("ORVTESTIMPORT.dll", "orv_test_Twice", reinterpret_cast<void**>(&g_missingEntry));
    RegisterImport("NoSuchLibrary.dll", "anything", reinterpret_cast<void**>(&g_missingModule));
    RegisterImport("NoSuchLibrary.dll", "other", reinterpret_cast<void**>(&g_missingModuleToo));
  }
} g_declarations;

}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = std::atoi(Env("SYSTEM_WIDTH", "160").c_str());
  s.height = std::atoi(Env("SYSTEM_HEIGHT", "120").c_str());
  s.fullScreen = Env("SYSTEM_FULLSCREEN") == "1" ? 1 : 0;
  s.frameRate = 60;
  RtString caption("system game");
  s.caption.Exchange(caption);
}

double GameMain() {
  const std::string mode = Env("SYSTEM_MODE");
  if (mode == "imports") {
    Say("add=" + (g_add ? std::to_string(g_add(2, 3)) : "null"));
    Say("twice=" + (g_twice ? std::to_string(g_twice(21)) : "null"));
    Say(std::string("missing entry=") + (g_missingEntry ? "set" : "null"));
    Say(std::string("missing module=") + (g_missingModule || g_missingModuleToo ? "set" : "null"));
    Say("libraries=" + std::to_string(orv::Imports().LoadedCount()));
  } else if (mode == "info") {
    Say(std::string("command line=") + CommandLine().CStr());
    for (const char* key : {"glext:glBindBufferARB", "GLEXT:glGenTextures", "GLEXT:glbindbufferarb",
                            "GLEXT:glMadeUpEntryARB", "GLEXT:glMadeUpEntry"})
      Say(std::string(key) + "=" + PlatformInfo(key).CStr());
  } else if (mode == "streams") {
    AttachConsole();
    WriteStdout("out ");
    WriteStdout("without line end|");
    WriteStderr("to standard error");
    Say("");
    for (int i = 0; i < 3; ++i) {
      RtString line = ReadStdin();
      // Appended: GCC 12 at -O3 warns falsely (-Wrestrict) about "[" + a temporary string.
      Say(std::string("[").append(line.CStr(), static_cast<size_t>(line.Length())).append("]"));
    }
  } else if (mode == "run") {
    ShowScreen();
    double code = -1;
    Say("started=" + Num(RunProgram(Env("SYSTEM_COMMAND").c_str(), std::atof(Env("SYSTEM_WAIT", "1").c_str()), 1,
                                    code)));
    Say("exit code=" + Num(code));
    if (Env("SYSTEM_FULLSCREEN") == "1") {
      const bool full = orv::Rt().device->isFullscreen && orv::Rt().mainWindow->Fullscreen();
      Say(std::string("full screen=") + (full ? "1" : "0"));
    }
    ShowScreen();
  } else if (mode == "shell") {
    SetEscapeQuits(Env("SYSTEM_ESCAPE_QUITS", "1") == "1" ? 1 : 0);
    ShowScreen();
    Say("opened=" + Num(ShellOpen(Env("SYSTEM_TARGET").c_str())));
    Say("still running");
  } else if (mode == "file") {
    ShowScreen();
    Say("asking");
    RtString chosen = FileRequest(Env("SYSTEM_SAVE") == "1" ? 1 : 0, Env("SYSTEM_FILTER").c_str());
    Say(std::string("chosen=") + chosen.CStr());
    char cwd[4096];
    Say(std::string("folder=") + (getcwd(cwd, sizeof cwd) ? cwd : "?"));
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {
    {nullptr, nullptr},
};
