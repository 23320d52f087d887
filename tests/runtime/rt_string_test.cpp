#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "orvane/rt_string.h"

namespace {

std::string Str(const RtString& s) { return std::string(s.CStr(), static_cast<size_t>(s.Length())); }

TEST(RtString, EmptyTextsShareOneBufferAndAllocateNothing) {
  RtString a, b;
  RtString fromEmpty("");
  RtString copy(a);
  EXPECT_TRUE(a.IsShared());
  EXPECT_EQ(a.CStr(), b.CStr());
  EXPECT_TRUE(fromEmpty.IsShared());
  EXPECT_TRUE(copy.IsShared());
  EXPECT_EQ(a.Capacity(), 0u);
  EXPECT_EQ(a.Length(), 0);
  EXPECT_EQ(a[0], 0);
}

TEST(RtString, CapacityGrowsInSixteenByteStepsAndNeverShrinks) {
  RtString s;
  s.Append("abcdefghijklmn", 14);
  EXPECT_EQ(s.Capacity(), 16u);
  RtString t;
  t.Append("abcdefghijklmno", 15);
  EXPECT_EQ(t.Capacity(), 32u);
  RtString u;
  u.Reserve(31, false);
  EXPECT_EQ(u.Capacity(), 48u);
  t = "x";  // assignment of a literal exchanges with a temporary: exact block
  EXPECT_EQ(t.Capacity(), 16u);
  RtString big("0123456789012345678901234567890123456789");
  RtString small("ab");
  big = small;  // RtString assignment keeps the larger block
  EXPECT_EQ(big.Capacity(), 48u);
  EXPECT_EQ(Str(big), "ab");
  RtString none;
  big = none;
  EXPECT_EQ(big.Capacity(), 48u);
  EXPECT_EQ(big.Length(), 0);
}

TEST(RtString, AssignInPlaceSizesExactlyAndFreesForEmpty) {
  RtString s("something long enough to allocate");
  s.AssignInPlace("abc");
  EXPECT_EQ(s.Capacity(), 4u);
  EXPECT_EQ(Str(s), "abc");
  s.AssignInPlace("");
  EXPECT_TRUE(s.IsShared());
  s.AssignInPlace(nullptr);
  EXPECT_TRUE(s.IsShared());
}

TEST(RtString, NumbersPrintWithTenSignificantDigits) {
  EXPECT_EQ(Str(RtString(1.0)), "1");
  EXPECT_EQ(Str(RtString(0.0)), "0");
  EXPECT_EQ(Str(RtString(0.1)), "0.1");
  EXPECT_EQ(Str(RtString(-3.0)), "-3");
  EXPECT_EQ(Str(RtString(100.0)), "100");
  EXPECT_EQ(Str(RtString(2.25)), "2.25");
  EXPECT_EQ(Str(RtString(1.0 / 3.0)), "0.3333333333");
  EXPECT_EQ(Str(RtString(1234567890.0)), "1234567890");
  EXPECT_EQ(Str(RtString(1.5f)), "1.5");
  EXPECT_EQ(Str(RtString(-42)), "-42");
  EXPECT_EQ(Str(RtString(0)), "0");
  // Exponent form keeps at least ten significant digits.
  RtString huge(1.2345678912e20);
  EXPECT_NE(std::string(huge.CStr()).find("1.234567891"), std::string::npos);
}

TEST(RtString, ConcatenationOfMixedOperands) {
  RtString a("A");
  EXPECT_EQ(Str(a + 1.5), "A1.5");
  EXPECT_EQ(Str(3 + RtString("x")), "3x");
  EXPECT_EQ(Str(3.0 + RtString("x")), "3x");
  EXPECT_EQ(Str("pre" + a), "preA");
  EXPECT_EQ(Str(a + "post"), "Apost");
  EXPECT_EQ(Str(a + a), "AA");
  EXPECT_EQ(Str(a + 2.5f), "A2.5");
  RtString s("n=");
  s += 7;
  s += 0.5;
  s += RtString("!");
  EXPECT_EQ(Str(s), "n=70.5!");
}

TEST(RtString, EmbeddedZeroBytesKeptByLengthBasedOperations) {
  RtString s("ab\0cd", 5);
  EXPECT_EQ(s.Length(), 5);
  RtString copy(s);
  EXPECT_EQ(copy.Length(), 5);
  EXPECT_TRUE(copy == s);
  RtString other("ab\0xx", 5);
  EXPECT_FALSE(other == s);   // length-based equality sees the bytes after 0
  EXPECT_TRUE(s == "ab");     // literal comparison stops at the 0
  s += s;                     // appending a text to itself
  EXPECT_EQ(s.Length(), 10);
  EXPECT_EQ(std::memcmp(s.CStr(), "ab\0cdab\0cd", 10), 0);
  // The same when the block must move: 32 bytes do not fit the block of a
  // 16-byte text, and the text right behind it keeps it from growing there.
  RtString grown("0123456789abcdef");
  const RtString behind("x");
  grown += grown;
  EXPECT_EQ(std::string(grown.CStr(), static_cast<size_t>(grown.Length())), "0123456789abcdef0123456789abcdef");
  EXPECT_EQ(behind.Length(), 1);
}

TEST(RtString, ComparisonsUseByteOrderAndNumberConversion) {
  EXPECT_TRUE(RtString("abc") < RtString("abd"));
  EXPECT_TRUE(RtString("B") < RtString("a"));
  EXPECT_TRUE(RtString("\xe9") > RtString("z"));  // unsigned bytes
  EXPECT_TRUE(RtString("10") == 10);
  EXPECT_TRUE(RtString("1e1") == 10.0);
  EXPECT_FALSE(RtString("1e1") == 10);  // integer conversion stops at 'e'
  EXPECT_TRUE(RtString("  42xyz") == 42);
  EXPECT_TRUE(RtString("abc") == 0);
  EXPECT_TRUE(RtString("abc") != "abd");
  EXPECT_TRUE(RtString("5") < 6.0);
  // Every ordering against a number, with the number on either side.
  const RtString five("5.5");
  EXPECT_TRUE(five <= 5.5 && five >= 5.5 && 5.5 <= five && 5.5 >= five);
  EXPECT_TRUE(five <= 6.0 && !(five >= 6.0) && 6.0 > five && 6.0 >= five && !(6.0 < five));
  EXPECT_TRUE(5.0 < five && 5.0 <= five && !(5.0 > five) && !(5.0 >= five));
  EXPECT_TRUE(five <= 5 && five >= 5 && 5 <= five && 5 >= five && !(5 < five) && !(4 > five));  // atoi: 5
  EXPECT_TRUE(4 < five && 6 > five && 6 >= five);
  EXPECT_TRUE(RtString("abc") <= "abc" && RtString("abc") >= "abb" && "abb" <= RtString("abc"));
  EXPECT_EQ(RtString("-2.5").ToDouble(), -2.5);
  // Decimal text only: hexadecimal, "inf" and "nan" read as 0 (or as the
  // decimal digits before them).
  struct {
    const char* text;
    double value;
  } reads[] = {{"0x1A", 0},   {"0X10", 0},   {"inf", 0},     {"-infinity", 0}, {"nan", 0},  {"NAN(1)", 0},
               {" \t1e3x", 1000}, {"1e", 1}, {"1e+", 1},     {".5", 0.5},      {"-.e1", 0}, {"5.", 5},
               {"12abc", 12}, {"+7.25e-2", 0.0725},          {"", 0},          {".", 0},    {"1x1p3", 1}};
  for (const auto& r : reads) EXPECT_EQ(RtString(r.text).ToDouble(), r.value) << r.text;
  EXPECT_TRUE(RtString("0x10") == 0.0);
  EXPECT_EQ(RtString(("1" + std::string(300, '0')).c_str()).ToDouble(), 1e300);
}

TEST(RtString, RecountTruncateAndWritableBuffer) {
  RtString s;
  char* buf = s.WritableBuffer(10);
  std::strcpy(buf, "hello");
  s.Recount();
  EXPECT_EQ(Str(s), "hello");
  s.Truncate(2);
  EXPECT_EQ(Str(s), "he");
  s.Truncate(5);  // beyond the length: nothing
  s.Truncate(-1);
  EXPECT_EQ(Str(s), "he");
  // No terminator inside the block: the last byte becomes one.
  char* full = s.WritableBuffer(15);
  std::memset(full, 'x', s.Capacity());
  s.Recount();
  EXPECT_EQ(s.Length(), static_cast<int32_t>(s.Capacity()) - 1);
  EXPECT_EQ(s[s.Length()], 0);
  RtString empty;
  empty.Recount();
  EXPECT_EQ(empty.Length(), 0);
}

TEST(RtString, CaseConversionAndExchange) {
  RtString s("MiXed 1");
  EXPECT_EQ(Str(s.Upper()), "MIXED 1");
  EXPECT_EQ(Str(s.Lower()), "mixed 1");
  RtString t("other");
  const char* sb = s.CStr();
  s.Exchange(t);
  EXPECT_EQ(Str(s), "other");
  EXPECT_EQ(t.CStr(), sb);
  RtString moved(std::move(t));
  EXPECT_EQ(Str(moved), "MiXed 1");
  EXPECT_TRUE(t.IsShared());
}

TEST(RtString, SingleByteAppendsGrowInPlaceWithSameCapacities) {
  // Capacity at a length: always room for the terminator, in 16-byte blocks.
  const std::map<uint32_t, uint32_t> capacityAt = {{1, 16},    {15, 16},    {16, 32},     {17, 32},
                                                   {31, 32},   {32, 48},    {1000, 1008}, {1007, 1008},
                                                   {1008, 1024}, {99999, 100000}, {100000, 100016}};
  RtString s;
  std::string ref;
  for (uint32_t length = 1; length <= 100000; ++length) {
    char c = static_cast<char>('a' + length % 26);
    s += c;
    ref += c;
    auto expected = capacityAt.find(length);
    if (expected != capacityAt.end()) {
      ASSERT_EQ(s.Capacity(), expected->second) << "at length " << length;
    }
  }
  EXPECT_EQ(Str(s), ref);
}

}  // namespace
