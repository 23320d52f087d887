// RtString: the counted byte string behind every text value of a game.
//
// A text is a run of bytes with a length; it may hold 0 bytes, which the
// length-based operations (copy, append, equality of two RtStrings) keep and
// the zero-terminated ones (ordering, number conversion, comparison with a
// literal) stop at. Empty texts share one read-only buffer and cost no
// allocation. Capacity grows in 16-byte steps and never shrinks, except
// through AssignInPlace, which sizes the block exactly.
#pragma once

#include <cstdint>

class RtString {
 public:
  // The longest text a signed 32-bit length can count (with room to round
  // the capacity up); asking for more ends the program with error 7.
  static constexpr uint32_t kMaxLength = 0x7FFFFFF0u;

  RtString() noexcept;
  RtString(const char* text);  // NOLINT: texts convert implicitly, as literals do in game code
  RtString(const char* bytes, int32_t count);
  RtString(const RtString& other);
  RtString(RtString&& other) noexcept;
  explicit RtString(int value);
  explicit RtString(double value);
  explicit RtString(float value);
  ~RtString();

  RtString& operator=(const RtString& other);
  RtString& operator=(RtString&& other) noexcept;
  RtString& operator=(const char* text);
  RtString& operator=(double value);

  // Swaps the three fields; every "move" of a text goes through it.
  void Exchange(RtString& other) noexcept;

  // Replaces the text with an exactly sized copy of a zero-terminated text
  // (the form the runtime's own setters use); an empty text frees the block.
  void AssignInPlace(const char* text);

  RtString& operator+=(const RtString& other);
  RtString& operator+=(const char* text);
  RtString& operator+=(char byte);
  RtString& operator+=(int value);
  RtString& operator+=(double value);
  RtString& operator+=(float value);
  void Append(const char* bytes, int32_t count);

  // Makes room for n bytes of text. With keep the text stays; without it the
  // text becomes empty in the new block and the caller sets the length.
  void Reserve(uint32_t n, bool keep);
  // Writable buffer of at least n bytes, text kept; call Recount or SetLength after writing.
  char* WritableBuffer(uint32_t n);
  // Length = position of the first 0 byte, searched no further than the capacity.
  void Recount();
  // When 0 <= n < Length(), cuts the text at n; otherwise nothing.
  void Truncate(int32_t n);
  // Sets the length after a caller wrote n bytes into the buffer (n < capacity).
  void SetLength(int32_t n);

  const char* CStr() const noexcept { return buf_; }
  int32_t Length() const noexcept { return length_; }
  uint32_t Capacity() const noexcept { return capacity_; }
  bool Empty() const noexcept { return length_ == 0; }
  // Byte at position n, unchecked; position Length() is the terminator.
  char operator[](int32_t n) const noexcept { return buf_[n]; }
  // True while the text uses the shared empty buffer (no allocation).
  bool IsShared() const noexcept;

  void MakeUpper();
  void MakeLower();
  RtString Upper() const;
  RtString Lower() const;

  // atof (TextToNumber) / atoi of the zero-terminated text: leading blanks
  // skipped, 0 when nothing converts.
  double ToDouble() const;
  int ToInt() const;
  // -1, 0 or 1 after converting the text like ToInt / ToDouble.
  int CompareNumber(int value) const;
  int CompareNumber(double value) const;

 private:
  char* buf_;
  uint32_t capacity_;
  int32_t length_;
};

// Text-to-number as atof does it for decimal text: leading white space
// skipped, conversion up to the first byte that does not fit, 0 when nothing
// converts. Hexadecimal, "inf" and "nan" do not convert (0, or the decimal
// digits before them).
double TextToNumber(const char* text);

// Number-to-text with 10 significant digits: 1 -> "1", 0 -> "0", 0.1 -> "0.1".
RtString NumberText(double value);

// Concatenation: the left operand as text with the right one appended.
RtString operator+(const RtString& a, const RtString& b);
RtString operator+(const RtString& a, const char* b);
RtString operator+(const char* a, const RtString& b);
RtString operator+(const RtString& a, int b);
RtString operator+(int a, const RtString& b);
RtString operator+(const RtString& a, double b);
RtString operator+(double a, const RtString& b);
RtString operator+(const RtString& a, float b);
RtString operator+(float a, const RtString& b);

// Equality of two RtStrings compares length and bytes; with a literal it is strcmp.
bool operator==(const RtString& a, const RtString& b);
bool operator==(const RtString& a, const char* b);
bool operator==(const RtString& a, int b);
bool operator==(const RtString& a, double b);
// Ordering is strcmp on the zero-terminated texts (unsigned bytes, no locale).
int Compare(const char* a, const char* b);
inline bool operator<(const RtString& a, const RtString& b) { return Compare(a.CStr(), b.CStr()) < 0; }
inline bool operator<=(const RtString& a, const RtString& b) { return Compare(a.CStr(), b.CStr()) <= 0; }
inline bool operator>(const RtString& a, const RtString& b) { return Compare(a.CStr(), b.CStr()) > 0; }
inline bool operator>=(const RtString& a, const RtString& b) { return Compare(a.CStr(), b.CStr()) >= 0; }
inline bool operator<(const RtString& a, const char* b) { return Compare(a.CStr(), b) < 0; }
inline bool operator>(const RtString& a, const char* b) { return Compare(a.CStr(), b) > 0; }
inline bool operator<(const char* a, const RtString& b) { return Compare(a, b.CStr()) < 0; }
inline bool operator>(const char* a, const RtString& b) { return Compare(a, b.CStr()) > 0; }
inline bool operator<=(const RtString& a, const char* b) { return Compare(a.CStr(), b) <= 0; }
inline bool operator>=(const RtString& a, const char* b) { return Compare(a.CStr(), b) >= 0; }
inline bool operator<=(const char* a, const RtString& b) { return Compare(a, b.CStr()) <= 0; }
inline bool operator>=(const char* a, const RtString& b) { return Compare(a, b.CStr()) >= 0; }
// A text against a number compares numbers (atoi for an int, atof for a
// double), whichever side the number is on.
inline bool operator<(const RtString& a, double b) { return a.CompareNumber(b) < 0; }
inline bool operator>(const RtString& a, double b) { return a.CompareNumber(b) > 0; }
inline bool operator<=(const RtString& a, double b) { return a.CompareNumber(b) <= 0; }
inline bool operator>=(const RtString& a, double b) { return a.CompareNumber(b) >= 0; }
inline bool operator<(const RtString& a, int b) { return a.CompareNumber(b) < 0; }
inline bool operator>(const RtString& a, int b) { return a.CompareNumber(b) > 0; }
inline bool operator<=(const RtString& a, int b) { return a.CompareNumber(b) <= 0; }
inline bool operator>=(const RtString& a, int b) { return a.CompareNumber(b) >= 0; }
inline bool operator<(double a, const RtString& b) { return b.CompareNumber(a) > 0; }
inline bool operator>(double a, const RtString& b) { return b.CompareNumber(a) < 0; }
inline bool operator<=(double a, const RtString& b) { return b.CompareNumber(a) >= 0; }
inline bool operator>=(double a, const RtString& b) { return b.CompareNumber(a) <= 0; }
inline bool operator<(int a, const RtString& b) { return b.CompareNumber(a) > 0; }
inline bool operator>(int a, const RtString& b) { return b.CompareNumber(a) < 0; }
inline bool operator<=(int a, const RtString& b) { return b.CompareNumber(a) >= 0; }
inline bool operator>=(int a, const RtString& b) { return b.CompareNumber(a) <= 0; }
