// The contract between a game and the runtime: what the game provides, what
// the runtime calls, and the settings record the game fills before start-up.
#pragma once

#include <cstdint>

#include "orvane/rt_string.h"

// Filled by the game's GameSettings before any runtime object exists.
struct ProjectSettings {
  int32_t width = 0;           // client width in pixels; 0 = the created window's width
  int32_t height = 0;          // client height in pixels; 0 = the created window's height
  int32_t multisample = 0;     // 0 = no multisample pixel format
  int32_t debugMode = 0;       // end-of-program line report, no pause on focus loss
  int32_t frameRate = 60;      // frames per second the flip paces to
  int32_t exclusiveMouse = 0;  // hidden pointer with relative movement
  int32_t fullScreen = 0;      // start in full-screen mode
  RtString caption;            // window title
};

// A game function callable by name; the table ends with a null function.
struct FunctionNameEntry {
  double (*function)();
  const char* name;
};

// Provided by the game:
void GameSettings(ProjectSettings& settings);  // fill the settings record
double GameMain();                             // run the game; returning ends it
void GameExitHook();                           // called once during shutdown
extern const FunctionNameEntry FunctionNameTable[];  // functions callable by name
