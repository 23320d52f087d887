// RuntimeState: the one process-wide record of the runtime. It owns every
// subsystem object for the whole run; subsystems reach each other through it.
// Nothing else in the runtime is global except caches that belong to a
// subsystem's own file.
#pragma once

#include <cstdint>
#include <memory>

#include "orvane/program.h"
#include "orvane/rt_string.h"
#include "runtime/program_entry.h"
#include "runtime/switches.h"

namespace orv {

class AssetLocator;
class FileChannel;
class GlStateCache;
class IniFile;
class LineFileCache;
class OpenGLVexel;
class Vexel3D;
class NetSession;
class DXInput;
class DeclaredImports;
class SoundDevice;
class MusicPlayer;
class SessionTape;
struct SoundSlot;

namespace platform {
class Window;
}

struct RuntimeState {
  RuntimeState();
  ~RuntimeState();

  ProjectSettings settings;  // filled by the game's GameSettings before start-up
  // The ORVANE_* switches, read from the environment when this record is
  // made (runtime/switches.h).
  RuntimeSwitches switches = ReadSwitches();
  GameProgram game;          // the game's own functions
  RtString commandLine;      // the whole command line, program name included

  // Subsystems, released in the shutdown order.
  std::unique_ptr<OpenGLVexel> device;
  std::unique_ptr<Vexel3D> scene;
  std::unique_ptr<NetSession> net;
  std::unique_ptr<DXInput> input;
  std::unique_ptr<SoundDevice> audio;
  std::unique_ptr<SoundSlot[]> soundSlots;  // kSoundSlots
  std::unique_ptr<MusicPlayer> music;      // on the audio device
  platform::Window* mainWindow = nullptr;   // owned by the device
  // Library functions the game declared; made by the first declaration,
  // which comes before start-up.
  std::unique_ptr<DeclaredImports> imports;

  int32_t desktopWidth = 0;
  int32_t desktopHeight = 0;

  // Time in milliseconds of the clock.
  double startTime = 0;
  double prevFrameTime = 0;
  double frameTime = 0;

  // Error state.
  int32_t lastError = 0;
  int32_t errorLine = 0;
  int32_t currentLine = 0;
  int32_t currentModule = 0;

  // Life cycle and the frame.
  bool runtimeActive = false;
  bool endInProgress = false;
  int32_t quitRaised = 0;
  bool paused = false;
  int32_t activateRequest = 0;
  bool escapeQuits = true;
  int32_t keyReads = 0;
  int32_t currentFont = 0;
  RtString windowCaption;  // the window title without the pause suffix

  // The game's message hook ("ORV_WIN32_MSG"): looked up once at the first pump.
  double (*messageHook)() = nullptr;
  int32_t messageHookState = -1;  // -1 not looked up, 1 found, 0 missing

  // Asset lookup: in memory for every file the game opens, temporary files for movies.
  std::unique_ptr<AssetLocator> fileLocator;
  std::unique_ptr<AssetLocator> movieLocator;

  // What the game writes through its files, created on first use (the game
  // may use them before start-up) and saved by the files stage's stop.
  std::unique_ptr<FileChannel[]> fileChannels;  // kGameChannels
  std::unique_ptr<IniFile> iniStore;
  std::unique_ptr<LineFileCache> lineFiles;

  // What the current GL context has enabled, as far as the renderers know;
  // it dies with the device's context.
  std::unique_ptr<GlStateCache> glState;

  // How many entries of the stage table have started (runtime/stages.h).
  int32_t stagesStarted = 0;

  // A recording or replay of this run (runtime/replay/session_tape.h), when one was asked for.
  std::unique_ptr<SessionTape> tape;
  // The process's exit code: 0, except for a replay that did not follow its recording.
  int32_t exitCode = 0;
};

RuntimeState& Rt();

}  // namespace orv
