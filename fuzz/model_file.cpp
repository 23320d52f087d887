// The model file readers (.ddd binary and DDDA text) over arbitrary bytes,
// then the processing a loaded model goes through and a save-and-reload.
#include <cstddef>
#include <cstdint>

#include "gfx3d/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::MeshObjectX mesh;
  // A small record budget keeps each run fast; larger models are refused
  // the same way as ones that do not fit in memory.
  if (!orv::ReadModel(std::span<const uint8_t>(data, size), "fuzz.ddd", mesh, 2, size_t{1} << 16)) return 0;
  mesh.Prepare();
  mesh.ComputeBounds();
  mesh.GenerateNormals(false, false, true);
  const std::vector<uint8_t> saved = orv::WriteDdd(mesh);
  orv::MeshObjectX again;
  if (!saved.empty()) orv::ReadModel(saved, "fuzz.ddd", again, 0, size_t{1} << 20);
  return 0;
}
