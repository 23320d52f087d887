// Little-endian bytes from outside (files, archive entries, network
// messages): one bounds-checked reader for every parser, and the matching
// loads and stores for bytes already known to be there.
//
// A ByteReader is a cursor over a span it does not own. Every read checks
// what is left first; a read that does not fit returns 0 (or false), moves
// nothing and marks the reader failed. The mark stays, so a parser can read
// a whole record and test Ok() once. Nothing ever reads outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace orv {

// Loads and stores at a pointer the caller has checked.
inline uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t LoadLeI32(const uint8_t* p) { return static_cast<int32_t>(LoadLe32(p)); }
inline void StoreLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void AppendLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class ByteReader {
 public:
  ByteReader() = default;
  // Starts at `position`; a start past the end fails at once.
  explicit ByteReader(std::span<const uint8_t> bytes, size_t position = 0) : bytes_(bytes) { Seek(position); }

  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return pos_; }
  size_t Left() const { return bytes_.size() - pos_; }
  bool Has(size_t n) const { return n <= Left(); }
  // No read so far went past the end.
  bool Ok() const { return ok_; }
  // The bytes at the position (Left() of them).
  const uint8_t* Here() const { return bytes_.data() + pos_; }

  // To an absolute position, at most the end.
  bool Seek(size_t position) {
    if (position > bytes_.size()) return Fail();
    pos_ = position;
    return true;
  }
  bool Skip(size_t n) {
    if (!Has(n)) return Fail();
    pos_ += n;
    return true;
  }

  uint8_t U8() {
    if (!Has(1)) return static_cast<uint8_t>(Fail());
    return bytes_[pos_++];
  }
  uint16_t U16() {
    if (!Has(2)) return static_cast<uint16_t>(Fail());
    pos_ += 2;
    return LoadLe16(Here() - 2);
  }
  uint32_t U32() {
    if (!Has(4)) return static_cast<uint32_t>(Fail());
    pos_ += 4;
    return LoadLe32(Here() - 4);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  // n bytes copied out; false (dst untouched) when they are not all there.
  bool Bytes(void* dst, size_t n) {
    if (!Has(n)) return Fail();
    if (n) std::memcpy(dst, Here(), n);
    pos_ += n;
    return true;
  }
  // The next n bytes as a span; empty (and failed) when they are not all there.
  std::span<const uint8_t> Take(size_t n) {
    if (!Has(n)) {
      Fail();
      return {};
    }
    pos_ += n;
    return bytes_.subspan(pos_ - n, n);
  }

  // Reads at an absolute position without moving; 0 when not all there.
  uint16_t U16At(size_t at) const { return at <= Size() && Size() - at >= 2 ? LoadLe16(&bytes_[at]) : 0; }
  uint32_t U32At(size_t at) const { return at <= Size() && Size() - at >= 4 ? LoadLe32(&bytes_[at]) : 0; }

 private:
  bool Fail() {
    ok_ = false;
    return false;
  }

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace orv
