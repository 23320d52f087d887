// Blowfish. The initial P-array and S-boxes are the hexadecimal digits of
// pi, computed at build time (pi_words.h) rather than typed in.
#include "runtime/lib/blowfish.h"

#include <cstring>

#include "pi_words.h"

namespace orv {

static_assert(kPiWordCount >= 18 + 4 * 256, "the cipher needs 1042 words of pi");

Blowfish::Blowfish(const unsigned char* key, size_t length) {
  std::memcpy(p_, kPiWords, sizeof p_);
  std::memcpy(s_, kPiWords + 18, sizeof s_);
  size_t j = 0;
  for (uint32_t& p : p_) {
    uint32_t word = 0;
    for (int k = 0; k < 4; ++k) {
      word = (word << 8) | key[j];
      j = j + 1 == length ? 0 : j + 1;
    }
    p ^= word;
  }
  uint32_t left = 0, right = 0;
  for (int i = 0; i < 18; i += 2) {
    Encrypt(left, right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (int i = 0; i < 256; i += 2) {
      Encrypt(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

void Blowfish::Encrypt(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i + 1];
    l ^= F(r);
  }
  left = r ^ p_[17];
  right = l ^ p_[16];
}

void Blowfish::Decrypt(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i - 1];
    l ^= F(r);
  }
  left = r ^ p_[0];
  right = l ^ p_[1];
}

}  // namespace orv
