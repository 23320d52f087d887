#include "files/patch_layers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <set>
#include <utility>

#include "files/file_channel.h"
#include "files/paths.h"
#include "runtime/error_state.h"
#include "runtime/lib/text.h"
#include "runtime/switches.h"

namespace orv {

namespace {

bool IsPatchName(const std::string& name) {
  constexpr std::string_view kExtension = ".patch";
  return name.size() > kExtension.size() && AsciiLower(name.substr(name.size() - kExtension.size())) == kExtension;
}

// The "*.patch" files of a folder in name order (the same order on every machine).
std::vector<std::string> PatchFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (IsPatchName(name)) found.push_back(folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

std::string FileName(const std::string& path) { return archive::BareName(path); }

}  // namespace

PatchLayers::~PatchLayers() {
  for (Patch& p : patches_)
    if (p.fd >= 0) ::close(p.fd);
}

std::vector<std::string> PatchFolders(const std::string& programDirectory) {
  std::vector<std::string> folders{programDirectory};
  if (const std::string& extra = Switches().patchDir; !extra.empty()) folders.push_back(ForwardSlashes(extra.c_str()));
  return folders;
}

std::shared_ptr<const PatchLayers> PatchLayers::Load(const std::string& basePath, const std::vector<std::string>& folders) {
  std::vector<std::string> files;
  for (const std::string& folder : folders) {
    std::vector<std::string> more = PatchFilesIn(folder);
    files.insert(files.end(), more.begin(), more.end());
  }
  if (files.empty()) return nullptr;

  // The identity of the program's own archive; 0 when it carries none.
  uint64_t baseId = 0;
  if (const int fd = OpenRegularFile(basePath); fd >= 0) {
    archive::FdSource source(fd);
    archive::Directory directory;
    if (archive::ReadDirectory(source, directory) == archive::TrailerStatus::kOk)
      baseId = archive::DirectoryId(source, directory);
    ::close(fd);
  }

  auto layers = std::make_shared<PatchLayers>();
  std::set<std::pair<dev_t, ino_t>> seen;
  for (const std::string& path : files) {
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
      LogFormat("Patch %s refused: cannot be read\n", path.c_str());
      continue;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !seen.emplace(st.st_dev, st.st_ino).second) {
      ::close(fd);  // the same file through a second folder
      continue;
    }
    if (layers->patches_.size() == kMaxPatches) {
      LogFormat("Patch %s ignored: more than %zu patches\n", path.c_str(), kMaxPatches);
      ::close(fd);
      continue;
    }
    Patch patch;
    patch.path = path;
    archive::FdSource source(fd);
    const char* refused = nullptr;
    try {
      if (archive::ReadDirectory(source, patch.directory) != archive::TrailerStatus::kOk) {
        refused = archive::PatchStatusText(archive::PatchStatus::kNotAPatch);
      } else if (const archive::PatchStatus status = archive::ReadPatch(source, patch.directory, patch.record);
                 status != archive::PatchStatus::kOk) {
        refused = archive::PatchStatusText(status);
      } else if (baseId == 0) {
        refused = "the program carries no archive";
      } else if (patch.record.base != baseId) {
        refused = "made for another archive";
      }
    } catch (const std::bad_alloc&) {
      refused = "out of memory";
    }
    if (refused) {
      LogFormat("Patch %s refused: %s\n", path.c_str(), refused);
      ::close(fd);
      continue;
    }
    LogFormat("Patch %s taken: version %lld, %zu entries, %zu removed\n", path.c_str(),
              static_cast<long long>(patch.record.version), patch.directory.entries.size(),
              patch.record.removed.size());
    patch.fd = fd;
    layers->patches_.push_back(std::move(patch));
  }
  if (layers->patches_.empty()) return nullptr;

  std::stable_sort(layers->patches_.begin(), layers->patches_.end(), [](const Patch& a, const Patch& b) {
    if (a.record.version != b.record.version) return a.record.version < b.record.version;
    return FileName(a.path) < FileName(b.path);
  });
  for (size_t p = 0; p < layers->patches_.size(); ++p) {
    const Patch& patch = layers->patches_[p];
    for (const std::string& name : patch.record.removed) layers->overrides_[archive::LookupKey(name)] = Override{true, p, 0};
    // Within one patch the first entry of a name is the one found, as in any archive.
    std::set<std::string> own;
    for (size_t e = 0; e < patch.directory.entries.size(); ++e) {
      std::string key = archive::LookupKey(patch.directory.entries[e].name);
      if (own.insert(key).second) layers->overrides_[std::move(key)] = Override{false, p, e};
    }
  }
  return layers;
}

const PatchLayers::Override* PatchLayers::Find(const std::string& key) const {
  auto found = overrides_.find(key);
  return found == overrides_.end() ? nullptr : &found->second;
}

}  // namespace orv
