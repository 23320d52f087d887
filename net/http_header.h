// The split of an HTTP response into header and body: the header ends at
// the first empty line, written "\r\n\r\n" or "\n\n", wherever the chunks
// the response arrives in happen to break.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Finds where the header ends across any number of chunks.
class HeaderSplitter {
 public:
  // Takes the next chunk; returns the offset in it where the body starts
  // (n when all of it is header, 0 once the header has ended before it).
  size_t Feed(const char* data, size_t n);
  bool InBody() const { return inBody_; }
  // The Content-Length the header announced, or -1.
  int64_t ContentLength() const;

 private:
  static constexpr size_t kKeptHeader = 16384;
  int cr_ = 0, lf_ = 0;
  bool inBody_ = false;
  std::string header_;  // the first kKeptHeader bytes
};

}  // namespace orv
