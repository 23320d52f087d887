// The patches a game runs with: every "*.patch" file beside the program and
// in the patch folder, checked once at start-up and layered over the
// program's own archive in ascending version (equal versions by file name).
// A later patch's entry replaces an entry of the same name (ignoring ASCII
// case, as lookups do) in the archive and in earlier patches; a removal
// hides the name from everything below it, and a later patch may bring it
// back. A patch made for another archive, damaged, or of a newer format is
// refused with one log line, and the game runs on what it has.
//
// The patch files stay open for the run, so what was checked is what is
// read: a file replaced on disk meanwhile does not change the game under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/archive_format.h"
#include "files/archive_patch.h"

namespace orv {

// More patch files than this are not opened (the rest are logged as ignored).
constexpr size_t kMaxPatches = 256;

class PatchLayers {
 public:
  struct Patch {
    std::string path;
    int fd = -1;
    archive::Directory directory;
    archive::PatchRecord record;
  };
  // What the patches say about a name: an entry of patch `patch`, or removed.
  struct Override {
    bool removed = false;
    size_t patch = 0;
    size_t entry = 0;
  };

  PatchLayers() = default;
  ~PatchLayers();
  PatchLayers(const PatchLayers&) = delete;
  PatchLayers& operator=(const PatchLayers&) = delete;

  // Checks every "*.patch" file in `folders` (a file reached twice counts
  // once) against the archive carried by `basePath` and layers those that
  // fit. Logs one line per patch file: taken, or refused and why. Null when
  // no patch was taken.
  static std::shared_ptr<const PatchLayers> Load(const std::string& basePath, const std::vector<std::string>& folders);

  // The answer of the topmost patch that names `key` (a lookup key), or null.
  const Override* Find(const std::string& key) const;
  const std::vector<Patch>& Patches() const { return patches_; }

 private:
  std::vector<Patch> patches_;  // in layering order
  std::unordered_map<std::string, Override> overrides_;
};

// The folders patches are looked for in: the program's folder, then the
// folder named by ORVANE_PATCH_DIR when it is set.
std::vector<std::string> PatchFolders(const std::string& programDirectory);

}  // namespace orv
