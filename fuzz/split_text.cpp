// SplitText on arbitrary text and delimiter sets. Input: one flag byte, one
// byte giving the number of delimiter bytes (0..7), the delimiters, the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "orvane/text.h"

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "split_text: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 1 << 16) return 0;
  const bool skipEmpty = data[0] & 1;
  size_t nd = data[1] & 7;
  if (nd > size - 2) nd = size - 2;
  const char* bytes = reinterpret_cast<const char*>(data);
  const RtString delimiters(bytes + 2, static_cast<int32_t>(nd));
  const RtString text(bytes + 2 + nd, static_cast<int32_t>(size - 2 - nd));
  bool isDelim[256] = {};
  for (size_t i = 0; i < nd; ++i) isDelim[data[2 + i]] = true;

  static RtArray<RtString> pieces;  // kept between runs: reuse of old storage is part of the test
  const double count = SplitText(text, pieces, delimiters, skipEmpty ? 1 : 0);
  Check(count == pieces.Size(0) && pieces.Dims() <= 1, "count and array disagree");
  int64_t total = 0;
  for (int32_t i = 0; i < pieces.Size(0); ++i) {
    const RtString& piece = pieces.At(i);
    Check(!skipEmpty || piece.Length() > 0, "empty piece with skip-empty");
    for (int32_t j = 0; j < piece.Length(); ++j)
      Check(!isDelim[static_cast<unsigned char>(piece[j])], "delimiter inside a piece");
    total += piece.Length();
  }
  Check(total + (count > 0 ? count - 1 : 0) <= text.Length(), "pieces longer than the text");
  if (pieces.Size(0) > 64) pieces.Dim(0);
  return 0;
}
