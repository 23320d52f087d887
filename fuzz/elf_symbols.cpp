// Fuzz target: a program file orvane-pack is asked to pack, read for its
// symbol table and debug sections. Header fields, the section table and the
// section names all come from the file; nothing may be read outside it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/elf_symbols.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orv::tools::ElfSymbols kind = orv::tools::ReadElfSymbols(std::span<const uint8_t>(data, size));
  if (size < 4 && kind != orv::tools::ElfSymbols::kNotElf) __builtin_trap();
  return 0;
}
