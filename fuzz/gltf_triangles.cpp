// Fuzz target: the triangle count of a glTF document, read by the model
// tool from files it is given. Reading stays in bounds and its nesting
// bounded, and the same JSON counts the same inside a .glb.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/model_import/gltf_triangles.h"

namespace {

void Le32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string json(reinterpret_cast<const char*>(data), size);
  const int64_t count = orv::GltfTriangleCount(json);
  if (count < -1) __builtin_trap();
  if (json.compare(0, 4, "glTF") != 0) {
    std::string glb = "glTF";
    Le32(glb, 2);
    Le32(glb, static_cast<uint32_t>(20 + size));
    Le32(glb, static_cast<uint32_t>(size));
    Le32(glb, 0x4E4F534Au);
    glb += json;
    if (orv::GltfTriangleCount(glb) != count) __builtin_trap();
  }
  return 0;
}
