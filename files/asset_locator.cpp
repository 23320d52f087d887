// Asset lookup on disk and in the appended archive.
#include "files/asset_locator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/atomic_write.h"
#include "files/paths.h"
#include "runtime/runtime_state.h"
#include "runtime/temp_dir.h"

namespace orv {

namespace {

// The temporary folder is shared and the extracted name is predictable, so
// the bytes go to a new file of an unpredictable name first, which is then
// renamed to the final name: whatever stood there (a file, a link planted to
// redirect the write) is replaced, never written through.
bool WriteWholeFile(const std::string& folder, const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string temp = folder + "sbxXXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = WriteFully(fd, bytes.data(), bytes.size()) == bytes.size();
  bool ok = ::close(fd) == 0 && written && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// An entry name becomes part of a file name in the temporary folder: one
// that could reach another folder is refused (the packer never writes such
// names, but the archive is read as untrusted data).
bool SafeEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace

std::string TempEntryName(const std::string& entryName, int32_t offset, int32_t storedSize) {
  // Only the low byte of each number counts; negative offsets (from the end)
  // give letters too.
  char a = static_cast<char>('A' + (static_cast<uint32_t>(offset) & 0xFF) % 26);
  char b = static_cast<char>('A' + (static_cast<uint32_t>(storedSize) & 0xFF) % 26);
  return std::string("sbx") + a + b + entryName;
}

AssetLocator::~AssetLocator() { ReleaseHandedOut(); }

void AssetLocator::Reset(const RtString& archivePath) {
  ReleaseHandedOut();
  enabled_ = true;
  archivePath_ = ForwardSlashes(archivePath.CStr());
  patches_.reset();
  stamp_ = Stamp();
  directory_ = archive::Directory();
  byLowerName_.clear();
}

void AssetLocator::DeleteTempFile() {
  if (tempFile_.empty()) return;
  ::unlink(tempFile_.c_str());
  tempFile_.clear();
}

void AssetLocator::ReleaseHandedOut() {
  memFile_.reset();
  DeleteTempFile();
}

bool AssetLocator::LoadDirectory(int fd, const archive::ByteSource& source) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  Stamp now{st.st_dev, st.st_ino, static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  if (now == stamp_) return true;
  stamp_ = Stamp();
  byLowerName_.clear();
  if (archive::ReadDirectory(source, directory_) != archive::TrailerStatus::kOk) return false;
  for (size_t i = 0; i < directory_.entries.size(); ++i)
    byLowerName_.emplace(archive::LookupKey(directory_.entries[i].name), i);  // keeps the first of equal names
  stamp_ = now;
  return true;
}

bool AssetLocator::Resolve(const RtString& name, RtString& resultPath, bool inMemory) {
  // A "mem://" name this process handed out stays valid across the release below.
  std::shared_ptr<const MemBlock> named = FindMemBlock(name.CStr());
  ReleaseHandedOut();
  if (name.Empty()) {
    resultPath = "";
    return false;
  }
  if (named) {
    memFile_ = std::move(named);
    resultPath = name;
    return true;
  }

  std::string diskPath = SystemPath(name.CStr());
  struct stat st;
  if (::stat(diskPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    resultPath = RtString(diskPath.c_str());
    return true;
  }
  resultPath = RtString(ForwardSlashes(name.CStr()).c_str());
  if (!enabled_ || archivePath_.empty()) return false;

  if (patches_) {
    if (const PatchLayers::Override* o = patches_->Find(archive::LookupKey(name.CStr()))) {
      if (o->removed) {
        resultPath = "";
        return false;
      }
      const PatchLayers::Patch& patch = patches_->Patches()[o->patch];
      const archive::Entry& entry = patch.directory.entries[o->entry];
      std::vector<uint8_t> bytes;
      archive::ReadEntry(archive::FdSource(patch.fd), patch.directory, entry, bytes);  // damaged: 0 bytes
      return HandOut(entry, std::move(bytes), inMemory, resultPath);
    }
  }

  int fd = ::open(archivePath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    enabled_ = false;
    return false;
  }
  archive::FdSource source(fd);
  if (!LoadDirectory(fd, source)) {
    ::close(fd);
    enabled_ = false;
    return false;
  }
  auto found = byLowerName_.find(archive::LookupKey(name.CStr()));
  if (found == byLowerName_.end()) {
    ::close(fd);
    resultPath = "";
    return false;
  }
  const archive::Entry& entry = directory_.entries[found->second];
  std::vector<uint8_t> bytes;
  archive::ReadEntry(source, directory_, entry, bytes);  // damaged: 0 bytes
  ::close(fd);
  return HandOut(entry, std::move(bytes), inMemory, resultPath);
}

bool AssetLocator::HandOut(const archive::Entry& entry, std::vector<uint8_t>&& bytes, bool inMemory,
                           RtString& resultPath) {
  if (inMemory) {
    memFile_ = std::make_shared<const MemBlock>(std::move(bytes));
    resultPath = MemName(memFile_);
    return true;
  }
  const std::string folder = TempDirectory().CStr();
  const std::string path = folder + TempEntryName(entry.name, entry.offset, entry.storedSize);
  if (!SafeEntryName(entry.name) || !WriteWholeFile(folder, path, bytes)) {
    resultPath = "";
    return false;
  }
  tempFile_ = path;
  resultPath = RtString(path.c_str());
  return true;
}

bool ResolveAsset(AssetLocator* locator, const RtString& name, RtString& resultPath, bool inMemory) {
  if (locator) return locator->Resolve(name, resultPath, inMemory);
  resultPath = name;
  if (name.Empty()) return false;
  if (FindMemBlock(name.CStr())) return true;
  std::string diskPath = SystemPath(name.CStr());
  struct stat st;
  if (::stat(diskPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  resultPath = RtString(diskPath.c_str());
  return true;
}

bool OpenAsset(FileChannel& channel, const RtString& name) {
  RtString path;
  if (!ResolveAsset(Rt().fileLocator.get(), name, path, true)) {
    channel.Close();
    return false;
  }
  return channel.OpenRead(path.CStr(), true);
}

bool ReadAssetBytes(const RtString& name, std::vector<uint8_t>& out) {
  out.clear();
  FileChannel channel;
  if (!OpenAsset(channel, name)) return false;
  if (channel.ReadRest(out)) return true;
  out.clear();
  return false;
}

}  // namespace orv
