// Substring search: the fast forward and backward searches behind FindText,
// FindTextReverse and ReplaceText, and the Boyer-Moore-Horspool searcher
// they must agree with position for position.
#include <emmintrin.h>
#include <string.h>

#include <cstring>

#include "runtime/lib/text.h"

namespace orv {

int32_t FindBytes(const char* text, int32_t n, const char* pattern, int32_t m) {
  if (m <= 0 || !text || !pattern || n < m) return -1;
  const void* hit = m == 1 ? std::memchr(text, pattern[0], static_cast<size_t>(n))
                           : memmem(text, static_cast<size_t>(n), pattern, static_cast<size_t>(m));
  return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : -1;
}

int32_t FindBytesReverse(const char* text, int32_t n, const char* pattern, int32_t m, int32_t last) {
  if (m <= 0 || !text || !pattern || n < m || last < 0) return -1;
  if (last > n - m) last = n - m;
  if (m == 1) {
    const void* hit = memrchr(text, pattern[0], static_cast<size_t>(last) + 1);
    return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : -1;
  }
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
  const size_t middle = static_cast<size_t>(m) - 2;  // bytes between the first and the last
  // Windows starting at b .. b + 15 at once: a candidate needs both its first
  // and its last byte to match, which on ordinary text leaves few to check.
  // The highest load ends at last + m - 1, inside the text; the block loop
  // leaves b so that windows 0 .. b + 15 remain.
  const __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
  const __m128i lastByte = _mm_set1_epi8(static_cast<char>(p[m - 1]));
  auto candidates = [&](int32_t b) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + b));
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + b + m - 1));
    return _mm_and_si128(_mm_cmpeq_epi8(f, first), _mm_cmpeq_epi8(l, lastByte));
  };
  // Highest window of a block first; -1 when none of its candidates matches.
  auto check = [&](int32_t b, unsigned mask) {
    while (mask) {
      const int bit = 31 - __builtin_clz(mask);
      if (std::memcmp(t + b + bit + 1, p + 1, middle) == 0) return b + bit;
      mask &= ~(1u << bit);
    }
    return -1;
  };
  int32_t b = last - 31;
  for (; b >= 0; b -= 32) {  // two blocks per step, tested together
    const __m128i high = candidates(b + 16), low = candidates(b);
    if (_mm_movemask_epi8(_mm_or_si128(high, low)) == 0) continue;
    int32_t at = check(b + 16, static_cast<unsigned>(_mm_movemask_epi8(high)));
    if (at < 0) at = check(b, static_cast<unsigned>(_mm_movemask_epi8(low)));
    if (at >= 0) return at;
  }
  b += 16;
  if (b >= 0) {
    int32_t at = check(b, static_cast<unsigned>(_mm_movemask_epi8(candidates(b))));
    if (at >= 0) return at;
    b -= 16;
  }
  // The first few windows that do not fill a block of 16.
  for (int32_t q = b + 15; q >= 0; --q)
    if (t[q] == p[0] && t[q + m - 1] == p[m - 1] && std::memcmp(t + q + 1, p + 1, middle) == 0) return q;
  return -1;
}

TextSearcher::TextSearcher(const char* pattern, int32_t length)
    : pattern_(reinterpret_cast<const unsigned char*>(pattern)), length_(pattern ? length : 0) {
  if (length_ < 0) length_ = 0;
  for (int32_t& s : shift_) s = length_;
  for (int32_t j = 0; j + 1 < length_; ++j) shift_[pattern_[j]] = length_ - 1 - j;
}

int32_t TextSearcher::Find(const char* text, int32_t n) const {
  const int32_t m = length_;
  // An empty text holds no occurrence of a non-empty pattern.
  if (m == 0 || text == nullptr || n < m) return -1;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  // The window's last byte is tested first; the table gives the skip from
  // the text byte under it, whether or not the rest of the window matched.
  const unsigned char lastByte = pattern_[m - 1];
  const unsigned char* end = t + n;
  for (const unsigned char* p = t + m - 1; p < end; p += shift_[*p]) {
    if (*p == lastByte && std::memcmp(p - (m - 1), pattern_, static_cast<size_t>(m - 1)) == 0)
      return static_cast<int32_t>(p - (m - 1) - t);
  }
  return -1;
}

int32_t TextSearcher::FindLast(const char* text, int32_t n, int32_t last) const {
  const int32_t m = length_;
  if (m == 0 || text == nullptr || n < m || last < 0) return -1;
  // The mirror image: the skip comes from the byte under the window's first
  // position, with a table built from the pattern's end.
  int32_t shift[256];
  const unsigned char* pat = pattern_;
  for (int32_t& s : shift) s = m;
  for (int32_t j = m - 1; j > 0; --j) shift[pat[j]] = j;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  for (int32_t q = last > n - m ? n - m : last; q >= 0; q -= shift[t[q]])
    if (t[q] == pat[0] && std::memcmp(t + q + 1, pat + 1, static_cast<size_t>(m - 1)) == 0) return q;
  return -1;
}

}  // namespace orv
