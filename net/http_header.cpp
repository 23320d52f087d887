#include "net/http_header.h"

#include <strings.h>

namespace orv {

size_t HeaderSplitter::Feed(const char* data, size_t n) {
  if (inBody_) return 0;
  for (size_t i = 0; i < n; ++i) {
    if (header_.size() < kKeptHeader) header_ += data[i];
    if (data[i] == '\r') {
      ++cr_;
    } else if (data[i] == '\n') {
      if (++lf_ == 2) {
        inBody_ = true;
        return i + 1;
      }
    } else {
      cr_ = lf_ = 0;
    }
  }
  return n;
}

int64_t HeaderSplitter::ContentLength() const {
  static const char kName[] = "content-length:";
  size_t line = 0;
  while (line < header_.size()) {
    size_t end = header_.find('\n', line);
    if (end == std::string::npos) end = header_.size();
    if (end - line > sizeof kName - 1 && strncasecmp(header_.c_str() + line, kName, sizeof kName - 1) == 0) {
      const char* p = header_.c_str() + line + sizeof kName - 1;
      while (*p == ' ' || *p == '\t') ++p;
      if (*p < '0' || *p > '9') return -1;
      int64_t value = 0;
      for (; *p >= '0' && *p <= '9'; ++p) {
        if (value > (INT64_MAX - 9) / 10) return -1;
        value = value * 10 + (*p - '0');
      }
      return value;
    }
    line = end + 1;
  }
  return -1;
}

}  // namespace orv
