// UrlDecode and Utf8ToLatin on arbitrary bytes, and the encode/decode round
// trip, which must give back every byte string unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "orvane/text.h"

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "url_decode: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const RtString input(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));

  RtString decoded = UrlDecode(input);
  Check(decoded.Length() <= input.Length(), "decoding made the text longer");
  Check(decoded.CStr()[decoded.Length()] == 0, "decoded text not terminated");

  RtString latin(input);
  Utf8ToLatin(latin);
  Check(latin.Length() <= input.Length(), "UTF-8 conversion made the text longer");
  Check(latin.CStr()[latin.Length()] == 0, "converted text not terminated");
  // Text without bytes of 128 and more is left as it is.
  bool ascii = true;
  for (size_t i = 0; i < size; ++i) ascii = ascii && data[i] < 128;
  if (ascii) Check(latin == input, "ASCII text changed");

  Check(UrlDecode(UrlEncode(input)) == input, "round trip lost bytes");
  return 0;
}
