// Asset lookup: a game's files are found on disk first, then in the archive
// appended to the program file. Every loader goes through here before it
// opens a file, so assets can live beside the program or inside it.
//
// Two locators exist for a run (in the runtime record): `fileLocator`
// extracts archive entries into memory and hands out "mem://" names;
// `movieLocator` extracts into a temporary file, for players that need a
// real file. Each locator keeps only the asset it handed out last: the next
// lookup releases it (a memory block lives on while a channel still reads
// it; a temporary file is deleted). Patches found at start-up
// (patch_layers.h) are layered over the archive: disk first, then the
// topmost patch that names the file, then the archive.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/archive_format.h"
#include "files/file_channel.h"
#include "files/mem_name.h"
#include "files/patch_layers.h"
#include "orvane/rt_string.h"

namespace orv {

class AssetLocator {
 public:
  AssetLocator() = default;
  ~AssetLocator();  // releases what it handed out (deletes its temporary file)
  AssetLocator(const AssetLocator&) = delete;
  AssetLocator& operator=(const AssetLocator&) = delete;

  // Points the locator at a carrier file (backslashes become "/"): enabled
  // again, the last asset released, no patches.
  void Reset(const RtString& archivePath);
  // Layers patches (checked against this locator's carrier) over the archive.
  void UsePatches(std::shared_ptr<const PatchLayers> patches) { patches_ = std::move(patches); }

  // Finds `name`: a live "mem://" name stands for itself; a file on disk
  // (not a directory) wins over the archive and gives its system path; else
  // the entry whose name equals the name's last component ignoring ASCII
  // case is unpacked (damaged data gives 0 bytes) into memory (`inMemory`,
  // result a "mem://" name) or into a temporary file (result its path).
  // Returns false with `resultPath` = the name when there is no usable
  // archive, and with "" when the archive lacks the entry. A carrier
  // without a valid trailer disables the locator until the next Reset.
  bool Resolve(const RtString& name, RtString& resultPath, bool inMemory);

  // Deletes the temporary file handed out last, at once: a player that has
  // it open keeps reading it, and a game killed meanwhile leaves nothing
  // behind in the shared temporary folder.
  void DeleteTempFile();

  bool Enabled() const { return enabled_; }
  const PatchLayers* Patches() const { return patches_.get(); }
  const std::string& ArchivePath() const { return archivePath_; }
  const std::string& TempFile() const { return tempFile_; }
  const std::shared_ptr<const MemBlock>& MemFile() const { return memFile_; }

 private:
  void ReleaseHandedOut();
  // The carrier's directory, parsed once per version of the carrier file.
  bool LoadDirectory(int fd, const archive::ByteSource& source);
  // Hands out an unpacked entry: in memory, or as a temporary file.
  bool HandOut(const archive::Entry& entry, std::vector<uint8_t>&& bytes, bool inMemory, RtString& resultPath);

  bool enabled_ = true;
  std::string archivePath_;
  std::string tempFile_;
  std::shared_ptr<const MemBlock> memFile_;
  std::shared_ptr<const PatchLayers> patches_;

  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp stamp_;
  archive::Directory directory_;
  std::unordered_map<std::string, size_t> byLowerName_;  // first entry of each name
};

// Temporary file name of an extracted entry: "sbx" + two letters from the
// entry's offset and stored size + the entry name ("intro.avi" at offset
// 300 with 1000 stored bytes: "sbxSYintro.avi").
std::string TempEntryName(const std::string& entryName, int32_t offset, int32_t storedSize);

// Resolve through a locator; a missing locator sees only the disk.
bool ResolveAsset(AssetLocator* locator, const RtString& name, RtString& resultPath, bool inMemory);

// ---- For loaders (images, sounds, fonts, meshes, shaders) ------------------
// Through the runtime's file locator: disk first, then the archive; "mem://"
// names work. Each call releases the locator's previous in-memory asset.

// Opens the asset for reading; false when it cannot be found or opened.
bool OpenAsset(FileChannel& channel, const RtString& name);
// The whole asset; false (and `out` empty) when it cannot be found or read.
bool ReadAssetBytes(const RtString& name, std::vector<uint8_t>& out);

}  // namespace orv
