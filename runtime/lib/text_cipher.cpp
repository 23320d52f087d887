#include "runtime/lib/text_cipher.h"

#include <cstring>
#include <vector>

#include "runtime/lib/blowfish.h"
#include "runtime/lib/text.h"

namespace orv {

namespace {

const unsigned char* Bytes(const RtString& s) { return reinterpret_cast<const unsigned char*>(s.CStr()); }

uint32_t LoadLittle(const unsigned char* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

void StoreLittle(uint32_t v, unsigned char* b) {
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
  b[2] = static_cast<unsigned char>(v >> 16);
  b[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

RtString EncryptText(const RtString& key, const RtString& text) {
  if (key.Length() == 0 || text.Length() == 0) return RtString();
  const size_t n = static_cast<size_t>(text.Length());
  std::vector<unsigned char> block((n + 7) / 8 * 8, 0);
  std::memcpy(block.data(), text.CStr(), n);
  const Blowfish cipher(Bytes(key), static_cast<size_t>(key.Length()));
  for (size_t i = 0; i < block.size(); i += 8) {
    uint32_t left = LoadLittle(&block[i]), right = LoadLittle(&block[i + 4]);
    cipher.Encrypt(left, right);
    StoreLittle(left, &block[i]);
    StoreLittle(right, &block[i + 4]);
  }
  return HexOfBytes(block.data(), static_cast<int32_t>(block.size()), false);
}

RtString DecryptText(const RtString& key, const RtString& hex) {
  const size_t digits = static_cast<size_t>(hex.Length());
  if (key.Length() == 0 || digits == 0 || digits % 16 != 0) return RtString();
  const unsigned char* h = Bytes(hex);
  std::vector<unsigned char> block(digits / 2);
  for (size_t i = 0; i < block.size(); ++i) {
    // Either case: the text is read as if lower-cased.
    int hi = HexDigitValue(h[2 * i]), lo = HexDigitValue(h[2 * i + 1]);
    if (hi < 0 || lo < 0) return RtString();
    block[i] = static_cast<unsigned char>(hi << 4 | lo);
  }
  const Blowfish cipher(Bytes(key), static_cast<size_t>(key.Length()));
  for (size_t i = 0; i < block.size(); i += 8) {
    uint32_t left = LoadLittle(&block[i]), right = LoadLittle(&block[i + 4]);
    cipher.Decrypt(left, right);
    StoreLittle(left, &block[i]);
    StoreLittle(right, &block[i + 4]);
  }
  const void* zero = std::memchr(block.data(), 0, block.size());
  size_t length = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - block.data()) : block.size();
  return RtString(reinterpret_cast<const char*>(block.data()), static_cast<int32_t>(length));
}

}  // namespace orv
