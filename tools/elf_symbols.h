// Whether a program file still carries a symbol table or debug sections.
// `strip` removes those, and with them everything after the last section,
// which is where an appended archive lives: a game is stripped before its
// assets are appended, never after. orvane-pack reads this to warn.
//
// Only the ELF header and the section headers are read, each checked
// against the file's size first; anything that is not a little-endian
// 32- or 64-bit ELF file is "not a program" and gets no warning.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "runtime/byte_reader.h"

namespace orv::tools {

enum class ElfSymbols { kNotElf, kStripped, kUnstripped };

inline ElfSymbols ReadElfSymbols(std::span<const uint8_t> file) {
  constexpr uint32_t kSymbolTable = 2;  // SHT_SYMTAB
  if (file.size() < 0x34 || std::memcmp(file.data(), "\x7f" "ELF", 4) != 0) return ElfSymbols::kNotElf;
  const bool is64 = file[4] == 2;
  if ((file[4] != 1 && !is64) || file[5] != 1 || file.size() < (is64 ? 0x40u : 0x34u)) return ElfSymbols::kNotElf;

  auto load64 = [](const uint8_t* p) { return uint64_t{LoadLe32(p)} | uint64_t{LoadLe32(p + 4)} << 32; };
  const uint64_t tableStart = is64 ? load64(&file[0x28]) : LoadLe32(&file[0x20]);
  const size_t entrySize = LoadLe16(&file[is64 ? 0x3A : 0x2E]);
  const size_t count = LoadLe16(&file[is64 ? 0x3C : 0x30]);
  const size_t namesIndex = LoadLe16(&file[is64 ? 0x3E : 0x32]);
  const size_t minEntry = is64 ? 64 : 40;
  // No section table (or one that does not fit the file): nothing strip would take.
  if (count == 0 || entrySize < minEntry || tableStart > file.size() ||
      (file.size() - tableStart) / entrySize < count)
    return ElfSymbols::kStripped;

  struct Section {
    uint32_t name, type;
    uint64_t offset, size;
  };
  auto section = [&](size_t i) {
    const uint8_t* p = &file[tableStart + i * entrySize];
    if (is64) return Section{LoadLe32(p), LoadLe32(p + 4), load64(p + 24), load64(p + 32)};
    return Section{LoadLe32(p), LoadLe32(p + 4), LoadLe32(p + 16), LoadLe32(p + 20)};
  };
  // The section names, when their table lies inside the file.
  std::span<const uint8_t> names;
  if (namesIndex < count) {
    const Section s = section(namesIndex);
    if (s.offset <= file.size() && s.size <= file.size() - s.offset) names = file.subspan(s.offset, s.size);
  }
  auto named = [&](uint32_t at, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return at < names.size() && names.size() - at >= n && std::memcmp(names.data() + at, prefix, n) == 0;
  };
  for (size_t i = 0; i < count; ++i) {
    const Section s = section(i);
    if (s.type == kSymbolTable || named(s.name, ".debug") || named(s.name, ".zdebug")) return ElfSymbols::kUnstripped;
  }
  return ElfSymbols::kStripped;
}

}  // namespace orv::tools
