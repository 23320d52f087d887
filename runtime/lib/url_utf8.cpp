// URL encoding and UTF-8 decoding of game texts, byte by byte.
#include "runtime/lib/url_utf8.h"

#include <cstdint>

#include "runtime/lib/text.h"

namespace orv {

namespace {

bool IsAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

RtString UrlEncode(const RtString& text) {
  static const char kHex[] = "0123456789abcdef";
  const unsigned char* in = reinterpret_cast<const unsigned char*>(text.CStr());
  const int32_t n = text.Length();
  // Worst case six bytes out per byte in; a size beyond what a text can hold
  // fails in the reservation (out of memory) before anything is written.
  const uint64_t worst = uint64_t{6} * static_cast<uint64_t>(n);
  RtString result;
  char* out = result.WritableBuffer(worst > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(worst));
  int32_t o = 0;
  auto escape = [&](unsigned char b) {
    out[o++] = '%';
    out[o++] = kHex[b >> 4];
    out[o++] = kHex[b & 15];
  };
  for (int32_t i = 0; i < n; ++i) {
    unsigned char b = in[i];
    if (IsAsciiAlnum(b)) {
      out[o++] = static_cast<char>(b);
    } else if (b < 128) {
      escape(b);
    } else {
      escape(b < 0xC0 ? 0xC2 : 0xC3);
      escape(static_cast<unsigned char>((b & 0x3F) | 0x80));
    }
  }
  result.SetLength(o);
  return result;
}

RtString UrlDecode(const RtString& text) {
  const unsigned char* in = reinterpret_cast<const unsigned char*>(text.CStr());
  const int32_t n = text.Length();
  RtString result;
  char* out = result.WritableBuffer(static_cast<uint32_t>(n));
  int32_t o = 0;
  for (int32_t i = 0; i < n; ++i) {
    unsigned char b = in[i];
    if (b == '+') {
      out[o++] = ' ';
    } else if (b != '%') {
      out[o++] = static_cast<char>(b);
    } else {
      int hi = i + 1 < n ? HexDigitValue(in[i + 1]) : -1;
      int lo = i + 2 < n ? HexDigitValue(in[i + 2]) : -1;
      if (hi >= 0 && lo >= 0) {
        out[o++] = static_cast<char>(hi * 16 + lo);
        i += 2;
      } else {
        ++i;  // a broken escape: the "%" and the byte after it go
      }
    }
  }
  result.SetLength(o);
  Utf8ToLatin(result);
  return result;
}

void Utf8ToLatin(RtString& text) {
  const int32_t n = text.Length();
  if (n == 0) return;
  // The output never grows, so it is written over the input.
  unsigned char* s = reinterpret_cast<unsigned char*>(text.WritableBuffer(static_cast<uint32_t>(n)));
  int32_t o = 0;
  for (int32_t i = 0; i < n;) {
    unsigned char b = s[i];
    uint32_t code;
    int32_t size;
    if (b < 0x80) {
      code = b;
      size = 1;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < n && IsContinuation(s[i + 1])) {
      code = (uint32_t{b & 0x1Fu} << 6) | (s[i + 1] & 0x3Fu);
      size = 2;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < n && IsContinuation(s[i + 1]) && IsContinuation(s[i + 2])) {
      code = (uint32_t{b & 0x0Fu} << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
      size = 3;
    } else {
      // Not a lead byte we decode, or a sequence that is cut off or broken:
      // only this byte goes, so the bytes after it are still read as text.
      ++i;
      continue;
    }
    s[o++] = static_cast<unsigned char>(code > 255 ? ' ' : code);
    i += size;
  }
  text.SetLength(o);
}

}  // namespace orv
