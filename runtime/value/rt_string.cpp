// RtString storage and conversions. Blocks come from malloc/realloc so a text
// built one byte at a time grows in place instead of being copied per step.
#include "orvane/rt_string.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/error_state.h"

namespace {

// The one shared empty text. Never written: a stray write faults instead of
// silently changing every empty string in the program.
alignas(16) const char kSharedEmpty[4] = {0, 0, 0, 0};
char* SharedEmpty() { return const_cast<char*>(kSharedEmpty); }

constexpr uint32_t kMaxText = RtString::kMaxLength;

void* CheckedAlloc(void* block) {
  if (!block) orv::RuntimeError(orv::kErrOutOfMemory);
  return block;
}

}  // namespace

RtString::RtString() noexcept : buf_(SharedEmpty()), capacity_(0), length_(0) {}

RtString::RtString(const char* text) : RtString() {
  if (text) Append(text, static_cast<int32_t>(std::strlen(text)));
}

RtString::RtString(const char* bytes, int32_t count) : RtString() {
  if (bytes && count > 0) Append(bytes, count);
}

RtString::RtString(const RtString& other) : RtString() {
  if (other.length_ > 0) Append(other.buf_, other.length_);
}

RtString::RtString(RtString&& other) noexcept : RtString() { Exchange(other); }

RtString::RtString(int value) : RtString() {
  Reserve(15, false);
  std::snprintf(buf_, capacity_, "%d", value);
  Recount();
}

RtString::RtString(double value) : RtString() {
  // %.10g is the 10-significant-digit form; the fix-ups below make whole
  // numbers print without a point whatever the formatter does with them.
  Reserve(63, false);
  std::snprintf(buf_, capacity_, "%.10g", value);
  Recount();
  if (length_ == 2 && buf_[0] == '.' && buf_[1] == '0') {
    buf_[0] = '0';
    buf_[1] = 0;
    length_ = 1;
  } else if (length_ > 0 && buf_[length_ - 1] == '.') {
    buf_[--length_] = 0;
  }
}

RtString::RtString(float value) : RtString(static_cast<double>(value)) {}

RtString::~RtString() {
  if (capacity_ != 0) std::free(buf_);
  buf_ = SharedEmpty();
  capacity_ = 0;
  length_ = 0;
}

bool RtString::IsShared() const noexcept { return buf_ == kSharedEmpty; }

RtString& RtString::operator=(const RtString& other) {
  if (buf_ == other.buf_) return *this;
  if (other.length_ == 0) {
    if (capacity_ != 0) buf_[0] = 0;
    length_ = 0;
    return *this;
  }
  Reserve(static_cast<uint32_t>(other.length_), false);
  std::memcpy(buf_, other.buf_, static_cast<size_t>(other.length_) + 1);
  length_ = other.length_;
  return *this;
}

RtString& RtString::operator=(RtString&& other) noexcept {
  Exchange(other);
  return *this;
}

RtString& RtString::operator=(const char* text) {
  RtString temp(text);
  Exchange(temp);
  return *this;
}

RtString& RtString::operator=(double value) {
  RtString temp(value);
  Exchange(temp);
  return *this;
}

void RtString::Exchange(RtString& other) noexcept {
  char* b = buf_;
  buf_ = other.buf_;
  other.buf_ = b;
  uint32_t c = capacity_;
  capacity_ = other.capacity_;
  other.capacity_ = c;
  int32_t l = length_;
  length_ = other.length_;
  other.length_ = l;
}

void RtString::AssignInPlace(const char* text) {
  if (capacity_ != 0) std::free(buf_);
  buf_ = SharedEmpty();
  capacity_ = 0;
  length_ = 0;
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0) return;
  buf_ = static_cast<char*>(CheckedAlloc(std::malloc(n + 1)));
  std::memcpy(buf_, text, n + 1);
  capacity_ = static_cast<uint32_t>(n + 1);
  length_ = static_cast<int32_t>(n);
}

void RtString::Reserve(uint32_t n, bool keep) {
  if (n == 0) return;
  if (n > kMaxText) orv::RuntimeError(orv::kErrOutOfMemory);
  uint32_t need = n + 1;
  if (capacity_ >= need) return;
  uint32_t newCapacity = (need & ~15u) + 16;
  if (keep && capacity_ != 0) {
    // realloc keeps the bytes and, for a growing text, usually the address.
    buf_ = static_cast<char*>(CheckedAlloc(std::realloc(buf_, newCapacity)));
    buf_[length_] = 0;
  } else {
    char* block = static_cast<char*>(CheckedAlloc(std::malloc(newCapacity)));
    if (keep && length_ != 0) {
      std::memcpy(block, buf_, static_cast<size_t>(length_));
      block[length_] = 0;
    } else {
      std::memset(block, 0, 4);
    }
    if (capacity_ != 0) std::free(buf_);
    buf_ = block;
  }
  capacity_ = newCapacity;
}

char* RtString::WritableBuffer(uint32_t n) {
  Reserve(n, true);
  return buf_;
}

void RtString::Recount() {
  length_ = 0;
  while (static_cast<uint32_t>(length_) < capacity_ && buf_[length_] != 0) ++length_;
  if (capacity_ != 0 && static_cast<uint32_t>(length_) == capacity_) {
    length_ = static_cast<int32_t>(capacity_) - 1;
    buf_[length_] = 0;
  }
}

void RtString::Truncate(int32_t n) {
  if (n >= 0 && n < length_) {
    buf_[n] = 0;
    length_ = n;
  }
}

void RtString::SetLength(int32_t n) {
  if (capacity_ == 0) return;  // nothing was written into the shared empty text
  if (n < 0) n = 0;
  if (static_cast<uint32_t>(n) >= capacity_) n = static_cast<int32_t>(capacity_) - 1;
  length_ = n;
  buf_[n] = 0;
}

void RtString::Append(const char* bytes, int32_t count) {
  if (count <= 0) return;
  // The source may live inside this text's own block, which Reserve can move.
  if (capacity_ != 0 && bytes >= buf_ && bytes < buf_ + capacity_) {
    RtString copy(bytes, count);
    Append(copy.buf_, count);
    return;
  }
  uint64_t total = static_cast<uint64_t>(length_) + static_cast<uint64_t>(count);
  if (total > kMaxText) orv::RuntimeError(orv::kErrOutOfMemory);
  Reserve(static_cast<uint32_t>(total), true);
  std::memcpy(buf_ + length_, bytes, static_cast<size_t>(count));
  length_ += count;
  buf_[length_] = 0;
}

RtString& RtString::operator+=(const RtString& other) {
  Append(other.buf_, other.length_);
  return *this;
}

RtString& RtString::operator+=(const char* text) {
  if (text) Append(text, static_cast<int32_t>(std::strlen(text)));
  return *this;
}

RtString& RtString::operator+=(char byte) {
  if (static_cast<uint32_t>(length_) + 1 < capacity_) {
    buf_[length_++] = byte;
    buf_[length_] = 0;
  } else {
    Append(&byte, 1);
  }
  return *this;
}

RtString& RtString::operator+=(int value) { return *this += RtString(value); }
RtString& RtString::operator+=(double value) { return *this += RtString(value); }
RtString& RtString::operator+=(float value) { return *this += RtString(value); }

void RtString::MakeUpper() {
  for (int32_t i = 0; i < length_; ++i) buf_[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(buf_[i])));
}

void RtString::MakeLower() {
  for (int32_t i = 0; i < length_; ++i) buf_[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(buf_[i])));
}

RtString RtString::Upper() const {
  RtString r(*this);
  r.MakeUpper();
  return r;
}

RtString RtString::Lower() const {
  RtString r(*this);
  r.MakeLower();
  return r;
}

double TextToNumber(const char* text) {
  if (!text) return 0;
  // Decimal numbers only: the hexadecimal, "inf" and "nan" forms a C
  // library may accept are not numbers to a game and read as 0. The part
  // that fits the decimal form is copied and converted alone, so the
  // library never sees what comes after it.
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  bool any = p > digits;
  if (*p == '.') {
    const char* fraction = ++p;
    while (*p >= '0' && *p <= '9') ++p;
    any = any || p > fraction;
  }
  if (!any) return 0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (*q >= '0' && *q <= '9') {
      while (*q >= '0' && *q <= '9') ++q;
      p = q;
    }
  }
  char local[128];
  const size_t n = static_cast<size_t>(p - start);
  if (n < sizeof local) {
    std::memcpy(local, start, n);
    local[n] = 0;
    return std::strtod(local, nullptr);
  }
  std::string copy(start, n);
  return std::strtod(copy.c_str(), nullptr);
}

double RtString::ToDouble() const { return TextToNumber(buf_); }
int RtString::ToInt() const { return std::atoi(buf_); }

int RtString::CompareNumber(int value) const {
  int v = ToInt();
  return v < value ? -1 : (v > value ? 1 : 0);
}

int RtString::CompareNumber(double value) const {
  double v = ToDouble();
  return v < value ? -1 : (v > value ? 1 : 0);
}

RtString NumberText(double value) { return RtString(value); }

namespace {
RtString Concat(const char* a, int32_t na, const char* b, int32_t nb) {
  RtString r(a, na);
  r.Append(b, nb);
  return r;
}
}  // namespace

RtString operator+(const RtString& a, const RtString& b) { return Concat(a.CStr(), a.Length(), b.CStr(), b.Length()); }
RtString operator+(const RtString& a, const char* b) {
  return Concat(a.CStr(), a.Length(), b ? b : "", b ? static_cast<int32_t>(std::strlen(b)) : 0);
}
RtString operator+(const char* a, const RtString& b) {
  return Concat(a ? a : "", a ? static_cast<int32_t>(std::strlen(a)) : 0, b.CStr(), b.Length());
}
RtString operator+(const RtString& a, int b) { return a + RtString(b); }
RtString operator+(int a, const RtString& b) { return RtString(a) + b; }
RtString operator+(const RtString& a, double b) { return a + RtString(b); }
RtString operator+(double a, const RtString& b) { return RtString(a) + b; }
RtString operator+(const RtString& a, float b) { return a + RtString(b); }
RtString operator+(float a, const RtString& b) { return RtString(a) + b; }

int Compare(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : ""); }

bool operator==(const RtString& a, const RtString& b) {
  return a.Length() == b.Length() && std::memcmp(a.CStr(), b.CStr(), static_cast<size_t>(a.Length())) == 0;
}
bool operator==(const RtString& a, const char* b) { return Compare(a.CStr(), b) == 0; }
bool operator==(const RtString& a, int b) { return a.CompareNumber(b) == 0; }
bool operator==(const RtString& a, double b) { return a.CompareNumber(b) == 0; }
