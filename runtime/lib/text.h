// Text functions on RtString values. Positions are 0-based byte positions;
// every function treats text as bytes (a 0 byte inside a text is a byte like
// any other unless stated).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

namespace orv {

// Substring search. Games rely on the positions (the first occurrence at or
// after a start, the last at or before one), not on how they are found: the
// fast searches below return exactly what the Boyer-Moore-Horspool searcher
// returns, which stays as their reference.

// Offset of the first occurrence of the pattern within text[0, n), or -1;
// an empty pattern never matches. The C library's memmem does the work.
int32_t FindBytes(const char* text, int32_t n, const char* pattern, int32_t m);
// Offset of the last occurrence beginning at or before `last` (clipped to
// n - m), or -1; an empty pattern never matches. Scans backwards 16
// positions at a time, testing the pattern's first and last byte together.
int32_t FindBytesReverse(const char* text, int32_t n, const char* pattern, int32_t m, int32_t last);

// Boyer-Moore-Horspool search for one pattern, built once and reusable over
// many texts. An empty pattern never matches. The pattern's bytes are not
// copied: they must outlive the searcher.
class TextSearcher {
 public:
  TextSearcher(const char* pattern, int32_t length);
  // Offset of the first occurrence within text[0, n), or -1.
  int32_t Find(const char* text, int32_t n) const;
  // Offset of the last occurrence beginning at or before `last` (clipped to
  // n - m), or -1: a mirrored Horspool.
  int32_t FindLast(const char* text, int32_t n, int32_t last) const;
  int32_t PatternLength() const { return length_; }

 private:
  const unsigned char* pattern_;
  int32_t length_;
  int32_t shift_[256];
};

// Bytes start .. start + count - 1, clipped to the text; count < 0 means the rest.
RtString MidText(const RtString& text, int32_t start, int32_t count);
// First occurrence at or after start (a negative start searches from 0), or -1.
int32_t FindText(const RtString& text, const RtString& pattern, int32_t start);
// Last occurrence that begins at or before start; a negative start means
// Length(text) - Length(pattern). -1 when there is none.
int32_t FindTextReverse(const RtString& text, const RtString& pattern, int32_t start);
// The text without the leading / trailing bytes that occur in set.
RtString TrimLeftSet(const RtString& text, const RtString& set);
RtString TrimRightSet(const RtString& text, const RtString& set);
// Every occurrence of search replaced, scanning left to right; the scan
// resumes directly after each inserted replacement, so inserted text is
// never searched again.
RtString ReplaceText(const RtString& text, const RtString& search, const RtString& replacement);
// Fills pieces with the parts of text between delimiter bytes; returns their number.
int32_t SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters, bool skipEmpty);
// The byte at position as 0..255; 0 outside the text.
int32_t CodeOf(const RtString& text, int32_t position);
// A one-byte text holding the low byte of code (also for 0).
RtString CharOf(int32_t code);
// Value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
// Two hexadecimal digits per byte, high nibble first.
RtString HexOfBytes(const unsigned char* bytes, int32_t count, bool upperCase);

// ASCII letters folded to lower case; every other byte as it is. File names
// and INI keys compare this way whatever the locale.
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
std::string AsciiLower(std::string_view text);
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace orv
