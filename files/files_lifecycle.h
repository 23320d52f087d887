// Start-up and shutdown steps of the files subsystem, called by the
// runtime's files stage.
#pragma once

#include "orvane/rt_string.h"

namespace orv {

// Creates `movieLocator`, then `fileLocator` (both empty), points both at
// the program file (its full path, forward slashes) and layers the patches
// found beside it and in ORVANE_PATCH_DIR over its archive (one log line
// per patch file).
void StartAssetLocators(const RtString& programPath);
// Closes the game's file channels 0-7.
void CloseAllFileChannels();
// Releases `movieLocator`, then `fileLocator` (deleting the last extracted
// temporary file), and clears both. A second call does nothing.
void ReleaseAssetLocators();
// Writes back what the game changed: the INI store and the line file cache.
// Safe to call more than once and from every exit path.
void FlushFileStores();
// The last resort for a game that calls exit() itself: closes the channels
// and saves the stores when the process ends. The stores register it when
// they are made; it registers once, however often called.
void FlushFileStoresAtExit();

}  // namespace orv
