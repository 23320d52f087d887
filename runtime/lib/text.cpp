// Text library: substrings, searching, trimming by a set, replacing,
// splitting, single bytes and hexadecimal. Depends only on the value types.
#include "runtime/lib/text.h"

#include <algorithm>
#include <cstring>

namespace orv {

namespace {

// The largest room worth asking for: beyond it a text cannot grow anyway.
constexpr uint64_t kMaxTextRoom = 0x7FFFFFF0u;

const unsigned char* Bytes(const RtString& s) { return reinterpret_cast<const unsigned char*>(s.CStr()); }

// Membership table of a set of bytes.
struct ByteSet {
  explicit ByteSet(const RtString& set) {
    const unsigned char* b = Bytes(set);
    for (int32_t i = 0; i < set.Length(); ++i) has[b[i]] = true;
  }
  bool has[256] = {};
};

}  // namespace

RtString MidText(const RtString& text, int32_t start, int32_t count) {
  int32_t n = text.Length();
  if (start < 0 || start >= n) return RtString();
  int64_t end = count < 0 ? n : int64_t{start} + count;
  if (end > n) end = n;
  if (end - start < 1) return RtString();
  return RtString(text.CStr() + start, static_cast<int32_t>(end - start));
}

int32_t FindText(const RtString& text, const RtString& pattern, int32_t start) {
  if (start < 0) start = 0;
  if (start >= text.Length()) return -1;
  int32_t at = FindBytes(text.CStr() + start, text.Length() - start, pattern.CStr(), pattern.Length());
  return at < 0 ? -1 : start + at;
}

int32_t FindTextReverse(const RtString& text, const RtString& pattern, int32_t start) {
  const int32_t n = text.Length(), m = pattern.Length();
  if (m == 0 || n < m) return -1;
  return FindBytesReverse(text.CStr(), n, pattern.CStr(), m, start < 0 || start > n - m ? n - m : start);
}

RtString TrimLeftSet(const RtString& text, const RtString& set) {
  ByteSet in(set);
  const unsigned char* b = Bytes(text);
  int32_t i = 0;
  while (i < text.Length() && in.has[b[i]]) ++i;
  return RtString(text.CStr() + i, text.Length() - i);
}

RtString TrimRightSet(const RtString& text, const RtString& set) {
  ByteSet in(set);
  const unsigned char* b = Bytes(text);
  int32_t n = text.Length();
  while (n > 0 && in.has[b[n - 1]]) --n;
  return RtString(text.CStr(), n);
}

RtString ReplaceText(const RtString& text, const RtString& search, const RtString& replacement) {
  const int32_t m = search.Length(), r = replacement.Length(), n = text.Length();
  if (m == 0 || n < m) return text;
  if (m == 1 && r == 1) {
    // A byte for a byte: overwrite in a copy.
    RtString result(text);
    char* out = result.WritableBuffer(static_cast<uint32_t>(n));
    const char from = search[0], to = replacement[0];
    for (int32_t i = 0; i < n; ++i)
      if (out[i] == from) out[i] = to;
    return result;
  }
  // Since the scan resumes after each replacement, the matches are exactly
  // the non-overlapping occurrences in the original text, left to right, so
  // the result is built in one pass instead of rebuilding per match.
  const char* src = text.CStr();
  int32_t at = FindBytes(src, n, search.CStr(), m);
  if (at < 0) return text;
  RtString result;
  // Texts grow in small steps; a result that outgrows the text is doubled
  // instead, so many replacements cost linear time.
  auto append = [&result](const char* bytes, int32_t count) {
    uint64_t need = static_cast<uint64_t>(result.Length()) + static_cast<uint64_t>(count);
    if (need >= result.Capacity()) {
      uint64_t room = std::max<uint64_t>(need, 2 * uint64_t{result.Capacity()});
      result.Reserve(static_cast<uint32_t>(std::min<uint64_t>(room, std::max<uint64_t>(need, kMaxTextRoom))), true);
    }
    result.Append(bytes, count);
  };
  result.Reserve(static_cast<uint32_t>(n), false);
  int32_t pos = 0;
  while (at >= 0) {
    append(src + pos, at);
    append(replacement.CStr(), r);
    pos += at + m;
    at = FindBytes(src + pos, n - pos, search.CStr(), m);
  }
  append(src + pos, n - pos);
  return result;
}

int32_t SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters, bool skipEmpty) {
  // A working copy: the text may be an element of the array being filled.
  const RtString work(text);
  const ByteSet delim(delimiters);
  const unsigned char* s = Bytes(work);
  const int32_t n = work.Length();

  // Walks the text and hands each piece (offset, length) to emit. A piece
  // that would start at a 0 byte is not a piece: the 0 ends a text for the
  // zero-terminated readers this mirrors.
  auto walk = [&](auto&& emit) {
    int32_t cursor = 0;
    while (cursor < n) {
      if (skipEmpty) {
        int32_t c = cursor;
        while (c < n && delim.has[s[c]]) ++c;
        if (c < n) cursor = c;
      }
      int32_t d = cursor;
      while (d < n && !delim.has[s[d]]) ++d;
      if (d == n) {
        if (s[cursor] != 0) emit(cursor, n - cursor);
        return;
      }
      if (s[cursor] != 0 && (d > cursor || !skipEmpty)) emit(cursor, d - cursor);
      cursor = d + 1;
    }
  };

  int64_t count = 0;
  walk([&](int32_t, int32_t) { ++count; });
  // Room for every piece up front, so filling never regrows the array.
  if (count >= pieces.Capacity()) pieces.Dim(static_cast<int32_t>(count + 1));
  pieces.Redim(0);
  walk([&](int32_t offset, int32_t length) {
    pieces.Push(RtString());  // cheap: the text is then built in its slot
    pieces.At(pieces.Size(0) - 1).Append(work.CStr() + offset, length);
  });
  return pieces.Size(0);
}

int32_t CodeOf(const RtString& text, int32_t position) {
  if (position < 0 || position >= text.Length()) return 0;
  return Bytes(text)[position];
}

RtString CharOf(int32_t code) {
  const char byte = static_cast<char>(static_cast<unsigned char>(code & 0xFF));
  return RtString(&byte, 1);
}

RtString HexOfBytes(const unsigned char* bytes, int32_t count, bool upperCase) {
  RtString result;
  if (bytes == nullptr || count <= 0) return result;
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  const uint32_t size = 2 * static_cast<uint32_t>(count);
  char* out = result.WritableBuffer(size);
  for (int32_t i = 0; i < count; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 15];
  }
  result.SetLength(static_cast<int32_t>(size));
  return result;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace orv
