// How many triangles a glTF 2.0 file describes, read from its JSON alone.
// The importer leaves out triangles whose vertex indices point past the
// vertices and says only that it did; comparing its triangles with this
// count tells the converter how many went missing.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

// The triangles of every triangle-list, strip and fan primitive of every
// mesh of a glTF 2.0 document (the text of a .gltf file or a whole .glb
// file). -1 when the bytes are no glTF 2.0 document or the count cannot be
// told (a primitive without a usable accessor count).
int64_t GltfTriangleCount(std::string_view file);

}  // namespace orv
