// Fuzz target: an HTTP response split into the header and the body. The
// first byte picks the size of the pieces the rest arrives in; whatever the
// split, the body must start at the same byte, right after the first empty
// line, and the announced length must be read without overflow.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "net/http_header.h"

namespace {

// Offset of the body in the whole response, or size when there is none.
size_t BodyStart(const char* data, size_t size, size_t piece) {
  orv::HeaderSplitter split;
  for (size_t at = 0; at < size; at += piece) {
    const size_t n = size - at < piece ? size - at : piece;
    const size_t start = split.Feed(data + at, n);
    if (split.InBody()) return at + start;
  }
  return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const char* text = reinterpret_cast<const char*>(data + 1);
  const size_t n = size - 1;
  const size_t whole = BodyStart(text, n, n ? n : 1);
  if (BodyStart(text, n, static_cast<size_t>(data[0] % 32) + 1) != whole) __builtin_trap();
  if (whole < n) {
    // The byte before the body is the second line feed of an empty line.
    if (whole < 2 || text[whole - 1] != '\n') __builtin_trap();
  }
  orv::HeaderSplitter split;
  split.Feed(text, n);
  if (split.ContentLength() < -1) __builtin_trap();
  return 0;
}
