// The model file readers (.ddd binary and DDDA text) over arbitrary bytes,
// then the processing a loaded model goes through and a save-and-reload.
#include <cstddef>
#include <cstdint>

#include "gfx3d/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A small memory limit keeps each run fast; larger models are refused the
  // same way as ones beyond the real limit (the seeds hold such shapes).
  constexpr size_t kLimit = size_t{256} << 10;
  orv::MeshObjectX mesh;
  if (!orv::ReadModel(std::span<const uint8_t>(data, size), "fuzz.ddd", mesh, 2, kLimit)) return 0;
  mesh.GenerateNormals(false, false, true);
  const std::vector<uint8_t> saved = orv::WriteDdd(mesh);
  orv::MeshObjectX again;
  // The saved form of a mesh that fitted needs no more than twice as much.
  if (!saved.empty()) orv::ReadModel(saved, "fuzz.ddd", again, 0, 2 * kLimit);
  return 0;
}
