// The runtime's switches: the ORVANE_* environment variables that change how
// the runtime works (for testing, or for a driver that needs it), read once,
// when the runtime record is made at the start of the process, into one
// record. Nothing else in the runtime reads the environment for them, so
// every switch is listed here (and in the README) and cannot change under a
// running subsystem.
//
// A switch is on when its variable is exactly "1" (or, for one that is on
// by default, off when it is exactly "0"); any other value leaves the
// default. Tests change a switch by writing the record (Rt().switches), not
// the environment, before they start what reads it; child processes get
// theirs through the environment as a game would.
#pragma once

#include <string>

namespace orv {

struct RuntimeSwitches {
  // ORVANE_HIDDEN=1: the window stays hidden while the game runs (the show
  // state a program is started with elsewhere). Read by the first frame.
  bool hidden = false;
  // ORVANE_NO_BATCH=1: every 2D drawing command draws on its own instead of
  // joining a batch. Read when the 2D device starts.
  bool noBatch = false;
  // ORVANE_NO_FRAMEBUFFER=1: off-screen surfaces use the copying fallback
  // of drivers without framebuffer objects. Read when the 2D device starts.
  bool noFramebuffer = false;
  // ORVANE_WINDOW_DEPTH=1: the window gets depth and stencil of its own and
  // 3D passes draw straight into it. Read when the window is made.
  bool windowDepth = false;
  // ORVANE_KEEP_WINDOW=1: a window without depth is never replaced by one
  // with depth when the game starts drawing 3D; every 3D frame is drawn in
  // a target of its own and copied to the window at the flip. Read at every
  // flip after a 3D frame.
  bool keepWindow = false;
  // ORVANE_NO_VERTEX_BUFFER=1: models draw from client memory as on drivers
  // without vertex buffers. Read at every model draw.
  bool noVertexBuffer = false;
  // ORVANE_NO_LARGE_PAGES=1: model records are kept in ordinary pages,
  // without asking the kernel for large ones (where making them could stall
  // a load). Read whenever a model's record lists are made.
  bool noLargePages = false;
  // ORVANE_NO_SHADERS=1: shader loading behaves as on a driver without
  // shader support. Read at every shader load.
  bool noShaders = false;
  // ORVANE_SAVE_BACKUP=0: saves keep no NAME.bak of the version they
  // replace, and a missing save is not read from one. Read at every save
  // and every open of a missing save.
  bool saveBackup = true;
  // ORVANE_PATCH_DIR=FOLDER: a folder searched for patch archives besides
  // the program's own. Read when the asset locators start.
  std::string patchDir;
  // ORVANE_RECORD=FILE: this run is recorded into FILE; with
  // ORVANE_RECORD_HASH=1 a hash of every presented frame goes with it.
  std::string record;
  bool recordHash = false;
  // ORVANE_REPLAY=FILE: this run follows FILE's recorded input instead of
  // the system's; ORVANE_REPLAY_SPEED=1 keeps the recorded speed instead of
  // running as fast as it can. Read when the tape stage starts.
  std::string replay;
  bool replaySpeed = false;
};

// The switches as the environment sets them now.
RuntimeSwitches ReadSwitches();

// The switches of this run (Rt().switches).
const RuntimeSwitches& Switches();

}  // namespace orv
