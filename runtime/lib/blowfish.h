// The Blowfish block cipher (64-bit blocks, keys of 1 to 72 bytes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

class Blowfish {
 public:
  // The standard key schedule over the key's bytes, taken cyclically; a key
  // longer than 72 bytes only uses its first 72. length must be at least 1.
  Blowfish(const unsigned char* key, size_t length);

  // One block as two 32-bit halves, left first.
  void Encrypt(uint32_t& left, uint32_t& right) const;
  void Decrypt(uint32_t& left, uint32_t& right) const;

 private:
  uint32_t F(uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
  }

  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace orv
