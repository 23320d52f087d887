// The files subsystem: channels, paths, the asset archive, INI and listing.
// Depends on the runtime record and error state; POSIX for the disk, LZO
// for the archive.
#include "files/files_lifecycle.h"

#include <memory>

#include "files/asset_locator.h"
#include "files/game_channels.h"
#include "files/ini_file.h"
#include "runtime/lib/line_file.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {
FileChannel g_channels[kGameChannels];
}

FileChannel* GameChannel(int32_t number) {
  return number >= 0 && number < kGameChannels ? &g_channels[number] : nullptr;
}

void StartAssetLocators(const RtString& programPath) {
  RuntimeState& rt = Rt();
  rt.movieLocator = std::make_unique<AssetLocator>();
  rt.fileLocator = std::make_unique<AssetLocator>();
  rt.movieLocator->Reset(programPath);
  rt.fileLocator->Reset(programPath);
}

void CloseAllFileChannels() {
  for (FileChannel& c : g_channels) c.Close();
}

void ReleaseAssetLocators() {
  RuntimeState& rt = Rt();
  rt.movieLocator.reset();
  rt.fileLocator.reset();
}

void FlushFileStores() {
  SaveGameIniStore();
  FlushLineFile();
}

}  // namespace orv
