// Scene files over arbitrary bytes: the INI text with its texture and object
// lists, counts and indices the file claims, and the loads they lead to.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "files/mem_name.h"
#include "gfx3d/model_loading.h"

namespace {

// Stands in for the drawing side: a texture for every name but "0".
uint32_t Texture(const RtString& path) { return path.CStr()[0] == '0' ? 0 : 7; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Only the scene form: model bytes have their own target.
  std::vector<uint8_t> bytes = {';', 'D', 'D', 'W', '\n'};
  bytes.insert(bytes.end(), data, data + size);
  auto block = std::make_shared<const orv::MemBlock>(std::move(bytes));
  orv::ModelSlot slot;
  orv::LoadModelFile(orv::MemName(block), slot, 2, Texture);
  return 0;
}
