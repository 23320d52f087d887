// FindText, FindTextReverse and ReplaceText against plain reference code,
// and the fast searches against the Horspool searcher, on arbitrary texts. Input: two length bytes (pattern, replacement), a start
// byte, the pattern, the replacement, the text.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/text.h"
#include "runtime/lib/text.h"

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "text_search: %s\n", what);
    std::abort();
  }
}

RtString R(const std::string& s) { return RtString(s.data(), static_cast<int32_t>(s.size())); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 1 << 16) return 0;
  std::string in(reinterpret_cast<const char*>(data) + 3, size - 3);
  size_t np = std::min<size_t>(data[0] & 31, in.size());
  size_t nr = std::min<size_t>(data[1] & 31, in.size() - np);
  const std::string pattern = in.substr(0, np), replacement = in.substr(np, nr), text = in.substr(np + nr);
  const int start = static_cast<int8_t>(data[2]) * 4;

  size_t from = start < 0 ? 0 : static_cast<size_t>(start);
  size_t hit = pattern.empty() || from >= text.size() ? std::string::npos : text.find(pattern, from);
  Check(FindText(R(text), R(pattern), start) == (hit == std::string::npos ? -1.0 : static_cast<double>(hit)),
        "FindText disagrees");
  size_t back = pattern.empty() ? std::string::npos
                                : text.rfind(pattern, start < 0 ? std::string::npos : static_cast<size_t>(start));
  Check(FindTextReverse(R(text), R(pattern), start) == (back == std::string::npos ? -1.0 : static_cast<double>(back)),
        "FindTextReverse disagrees");

  // The fast searches against the Horspool searcher, at every start.
  const orv::TextSearcher oracle(pattern.data(), static_cast<int32_t>(np));
  const int32_t n = static_cast<int32_t>(text.size()), m = static_cast<int32_t>(np);
  for (int32_t at = 0; at <= n && n <= 4096; ++at) {
    Check(orv::FindBytes(text.data() + at, n - at, pattern.data(), m) == oracle.Find(text.data() + at, n - at),
          "FindBytes disagrees with Horspool");
    Check(orv::FindBytesReverse(text.data(), n, pattern.data(), m, at) == oracle.FindLast(text.data(), n, at),
          "FindBytesReverse disagrees with Horspool");
  }

  std::string expect;
  if (pattern.empty()) {
    expect = text;
  } else {
    size_t pos = 0;
    for (size_t at; (at = text.find(pattern, pos)) != std::string::npos; pos = at + pattern.size())
      expect += text.substr(pos, at - pos) + replacement;
    expect += text.substr(pos);
  }
  Check(ReplaceText(R(text), R(pattern), R(replacement)) == R(expect), "ReplaceText disagrees");
  return 0;
}
