#include "gfx3d/model_loading.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "files/asset_locator.h"
#include "files/atomic_write.h"
#include "files/ini_file.h"
#include "gfx3d/model_file.h"
#include "runtime/error_state.h"

namespace orv {
namespace {

int IniInt(const IniFile& ini, const char* section, const std::string& key) {
  return static_cast<int>(std::strtol(ini.Get(section, key.c_str(), "0").CStr(), nullptr, 10));
}

// Entries a count may create: no more than the section has keys, so a
// damaged count cannot make the slot reserve what no key could fill.
size_t CountInSection(const IniFile& ini, const char* section, int count) {
  if (count <= 0) return 0;
  size_t keys = 0;
  for (const IniFile::Section& s : ini.Sections())
    if (strcasecmp(s.name.CStr(), section) == 0) {
      keys = s.keys.size();
      break;
    }
  return std::min(static_cast<size_t>(count), keys);
}

void LoadScene(const RtString& name, ModelSlot& slot, int normalMode, const SceneTextureLoader& loadTexture) {
  slot.inUse = 1;
  slot.scene = 1;
  IniFile ini;
  ini.Load(name);
  const RtString folder = FolderOf(name);

  const size_t textures = CountInSection(ini, "textures", IniInt(ini, "textures", "count"));
  slot.textures.assign(textures, 0);
  for (size_t i = 0; i < textures; ++i) {
    const RtString file = ini.Get("textures", std::to_string(i + 1).c_str(), "");
    if (file.Length() == 0 || !loadTexture) continue;
    RtString path = folder;
    path += file;
    slot.textures[i] = loadTexture(path);
  }

  const size_t meshes = CountInSection(ini, "objects", IniInt(ini, "objects", "count"));
  for (size_t j = 0; j < meshes; ++j) {
    slot.meshes.push_back(std::make_unique<MeshObjectX>());
    MeshObjectX& mesh = *slot.meshes.back();
    const std::string key = std::to_string(j + 1);
    RtString path = folder;
    path += ini.Get("objects", key.c_str(), "");
    std::vector<uint8_t> bytes;
    // A mesh that fails stays empty; the rest of the scene still loads. A
    // mesh that reads comes prepared and bounded.
    if (ReadAssetBytes(path, bytes)) ReadModel(bytes, path.CStr(), mesh, normalMode);
    // Indices count from 1 in the file; 0 and a missing key both mean the first texture.
    const int a = IniInt(ini, "objects", key + "ta"), b = IniInt(ini, "objects", key + "tb");
    mesh.textureA = a >= 1 ? a - 1 : a;
    mesh.textureB = b >= 1 ? b - 1 : b;
  }
}

}  // namespace

bool SaveModelFile(const RtString& name, const ModelSlot& slot) {
  if (slot.meshes.empty() || !slot.meshes[0]) return false;
  try {
    const std::vector<uint8_t> bytes = WriteDdd(*slot.meshes[0]);
    return !bytes.empty() && ReplaceFileContents(name.CStr(), bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
}

RtString FolderOf(const RtString& path) {
  const std::string text = path.CStr();
  const size_t slash = text.find_last_of("/\\");
  return slash == std::string::npos ? RtString("") : RtString(text.substr(0, slash + 1).c_str());
}

bool LoadModelFile(const RtString& name, ModelSlot& slot, int normalMode, const SceneTextureLoader& loadTexture) {
  slot.Free();
  try {
    std::vector<uint8_t> bytes;
    if (!ReadAssetBytes(name, bytes)) return false;
    if (IsSceneFile(bytes)) {
      LoadScene(name, slot, normalMode, loadTexture);
      return true;
    }
    return LoadMeshSlot(bytes, name.CStr(), slot, normalMode);
  } catch (const std::bad_alloc&) {
    // The file itself, or a scene's lists, did not fit in memory: as a
    // model that does not fit, the slot stays empty.
    slot.Free();
    LogAllocationFailure(name.CStr());
    return false;
  }
}

}  // namespace orv
