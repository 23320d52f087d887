// Filling a model slot from a named file: the name goes through the file
// layer (disk, archive, "mem://"), and the bytes decide between a scene file
// (several meshes, each with two texture indices, read as INI text) and a
// single .ddd or DDDA model.
// Depends on: files/ (ReadAssetBytes, IniFile), gfx3d/model_file.h.
#pragma once

#include <cstdint>
#include <functional>

#include "gfx3d/model_slot.h"
#include "orvane/rt_string.h"

namespace orv {

// Makes a GL texture from the image file at path; 0 when it cannot. Supplied
// by the drawing side, so mesh loading itself stays free of GL; empty: no
// textures.
using SceneTextureLoader = std::function<uint32_t(const RtString& path)>;

// Frees the slot, then loads the file into it. A scene always succeeds (its
// parts may fail one by one); a model succeeds when it reads and frame 0
// has records. The slot's in-use flag tells the result afterwards too.
bool LoadModelFile(const RtString& name, ModelSlot& slot, int normalMode, const SceneTextureLoader& loadTexture);

// Writes mesh 0 of the slot as a version 2.0 .ddd file under the name as
// given; true when it was written. A slot without frames, or a file that
// cannot be written, writes nothing (an existing file is then left whole).
bool SaveModelFile(const RtString& name, const ModelSlot& slot);

// The folder part of a path, up to and including the last "/" or "\".
RtString FolderOf(const RtString& path);

}  // namespace orv
