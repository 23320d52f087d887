// The files subsystem: channels, paths, the asset archive, INI and listing.
// Depends on the runtime record and error state; POSIX for the disk, LZO
// for the archive.
//
// The game's stores (its eight file channels, the INI store and the line
// file cache) live in the runtime record. The files stage saves and closes
// them when the runtime shuts down; a game that leaves through exit()
// instead is caught by the one exit handler, registered when the first
// store is made.
#include "files/files_lifecycle.h"

#include <cstdlib>
#include <memory>

#include "files/asset_locator.h"
#include "files/patch_layers.h"
#include "files/game_channels.h"
#include "files/ini_file.h"
#include "runtime/lib/line_file.h"
#include "runtime/runtime_state.h"

namespace orv {

FileChannel* GameChannel(int32_t number) {
  if (number < 0 || number >= kGameChannels) return nullptr;
  RuntimeState& rt = Rt();
  if (!rt.fileChannels) {
    rt.fileChannels = std::make_unique<FileChannel[]>(kGameChannels);
    FlushFileStoresAtExit();
  }
  return &rt.fileChannels[number];
}

IniFile& GameIniStore() {
  RuntimeState& rt = Rt();
  if (!rt.iniStore) {
    rt.iniStore = std::make_unique<IniFile>();
    FlushFileStoresAtExit();
  }
  return *rt.iniStore;
}

void SaveGameIniStore() {
  if (Rt().iniStore) Rt().iniStore->Save();
}

LineFileCache& LineFiles() {
  RuntimeState& rt = Rt();
  if (!rt.lineFiles) {
    rt.lineFiles = std::make_unique<LineFileCache>();
    FlushFileStoresAtExit();
  }
  return *rt.lineFiles;
}

void FlushLineFile() {
  if (Rt().lineFiles) Rt().lineFiles->Select(RtString());
}

void StartAssetLocators(const RtString& programPath) {
  RuntimeState& rt = Rt();
  rt.movieLocator = std::make_unique<AssetLocator>();
  rt.fileLocator = std::make_unique<AssetLocator>();
  rt.movieLocator->Reset(programPath);
  rt.fileLocator->Reset(programPath);
  // Patches beside the program (and in the patch folder) are checked once,
  // here, and shared by both locators.
  const std::string program = rt.fileLocator->ArchivePath();
  const size_t slash = program.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : program.substr(0, slash);
  std::shared_ptr<const PatchLayers> patches = PatchLayers::Load(program, PatchFolders(folder.empty() ? "/" : folder));
  rt.movieLocator->UsePatches(patches);
  rt.fileLocator->UsePatches(std::move(patches));
}

void CloseAllFileChannels() {
  RuntimeState& rt = Rt();
  if (!rt.fileChannels) return;
  for (int32_t i = 0; i < kGameChannels; ++i) rt.fileChannels[i].Close();
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

void FlushFileStoresAtExit() {
  static const bool registered = std::atexit([] {
    CloseAllFileChannels();
    FlushFileStores();
  }) == 0;
  (void)registered;
}

}  // namespace orv
