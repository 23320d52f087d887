// DecryptText on arbitrary keys and cipher texts, and the encryption round
// trip. Input: one byte key length (0..63), the key, the rest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "orvane/text.h"

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "decrypt_text: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 14) return 0;
  size_t nk = data[0] & 63;
  if (nk > size - 1) nk = size - 1;
  const char* bytes = reinterpret_cast<const char*>(data);
  const RtString key(bytes + 1, static_cast<int32_t>(nk));
  const RtString rest(bytes + 1 + nk, static_cast<int32_t>(size - 1 - nk));

  RtString plain = DecryptText(key, rest);
  Check(plain.Length() <= rest.Length() / 2, "plain text longer than its cipher text");
  Check(std::memchr(plain.CStr(), 0, static_cast<size_t>(plain.Length())) == nullptr, "0 byte inside plain text");

  RtString hex = EncryptText(key, rest);
  if (key.Length() == 0 || rest.Length() == 0) {
    Check(hex.Length() == 0, "encrypted without a key or text");
    return 0;
  }
  Check(hex.Length() == (rest.Length() + 7) / 8 * 16, "cipher text of the wrong length");
  // The plain text comes back up to its first 0 byte.
  const void* zero = std::memchr(rest.CStr(), 0, static_cast<size_t>(rest.Length()));
  int32_t keep = zero ? static_cast<int32_t>(static_cast<const char*>(zero) - rest.CStr()) : rest.Length();
  Check(DecryptText(key, hex) == RtString(rest.CStr(), keep), "round trip changed the text");
  return 0;
}
