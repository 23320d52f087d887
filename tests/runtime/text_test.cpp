#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "orvane/text.h"
#include "runtime/lib/number_convert.h"
#include "runtime/lib/text.h"

namespace {

std::string S(const RtString& s) { return std::string(s.CStr(), static_cast<size_t>(s.Length())); }
RtString R(const std::string& s) { return RtString(s.data(), static_cast<int32_t>(s.size())); }

TEST(TextSubstring, MidTextClipsToTheText) {
  EXPECT_EQ(S(MidText("hello", 1, 3)), "ell");
  EXPECT_EQ(S(MidText("hello", 1, -1)), "ello");
  EXPECT_EQ(S(MidText("hello", 1)), "ello");
  EXPECT_EQ(S(MidText("hello", 5, 1)), "");
  EXPECT_EQ(S(MidText("hello", -1, 2)), "");
  EXPECT_EQ(S(MidText("hello", 3, 100)), "lo");
  EXPECT_EQ(S(MidText("hello", 0, 0)), "");
  EXPECT_EQ(S(MidText("hello", 2, 2147483647.0)), "llo");  // start + count beyond 32 bits
  EXPECT_EQ(S(MidText(R(std::string("a\0b", 3)), 1, 2)), std::string("\0b", 2));
}

TEST(TextSearch, FindTextAndFindTextReverseBoundaries) {
  EXPECT_EQ(FindText("banana", "a", 2), 3);
  EXPECT_EQ(FindText("banana", "a", 6), -1);
  EXPECT_EQ(FindText("banana", "a", 5), 5);
  EXPECT_EQ(FindText("banana", "nan", 0), 2);
  EXPECT_EQ(FindText("banana", "banana", 0), 0);
  EXPECT_EQ(FindText("banana", "bananas", 0), -1);
  EXPECT_EQ(FindText("banana", "", 0), -1);
  EXPECT_EQ(FindText("", "a", 0), -1);
  EXPECT_EQ(FindText("", "a", -3), -1);  // an empty text holds nothing
  EXPECT_EQ(FindText("banana", "b", -3), 0);
  EXPECT_EQ(FindText(R(std::string("x\0yz", 4)), "yz", 0), 2);

  EXPECT_EQ(FindTextReverse("banana", "a", -1), 5);
  EXPECT_EQ(FindTextReverse("banana", "a", 4), 3);
  EXPECT_EQ(FindTextReverse("banana", "a", 0), -1);
  EXPECT_EQ(FindTextReverse("banana", "b", 0), 0);
  EXPECT_EQ(FindTextReverse("banana", "ana", 100), 3);
  EXPECT_EQ(FindTextReverse("banana", "ana", 2), 1);
  EXPECT_EQ(FindTextReverse("banana", "", -1), -1);
  EXPECT_EQ(FindTextReverse("ab", "abc", -1), -1);
}

// The skip tables decide where the search looks next: compare both searches
// with the standard library over many small texts from a tiny alphabet, where
// repeated bytes and near-matches are everywhere.
TEST(TextSearch, AgreesWithTheStandardLibraryOnRandomTexts) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4000; ++round) {
    std::string text(rng() % 40, ' '), pattern(1 + rng() % 6, ' ');
    for (char& c : text) c = static_cast<char>("ab\0c"[rng() % 4]);
    for (char& c : pattern) c = static_cast<char>("ab\0c"[rng() % 4]);
    int start = static_cast<int>(rng() % 45) - 2;
    size_t from = start < 0 ? 0 : static_cast<size_t>(start);
    size_t hit = from >= text.size() ? std::string::npos : text.find(pattern, from);
    ASSERT_EQ(FindText(R(text), R(pattern), start), hit == std::string::npos ? -1 : static_cast<double>(hit))
        << "text '" << text << "' pattern '" << pattern << "' start " << start;
    size_t back = text.rfind(pattern, start < 0 ? std::string::npos : static_cast<size_t>(start));
    ASSERT_EQ(FindTextReverse(R(text), R(pattern), start),
              back == std::string::npos ? -1 : static_cast<double>(back))
        << "text '" << text << "' pattern '" << pattern << "' start " << start;
  }
}

// The fast searches against the Horspool searcher they replace, on texts long
// enough for their blocks of 16, with bytes from both halves of the byte
// range, runs of one byte, and patterns cut from the text itself.
TEST(TextSearch, FastSearchesFindWhatHorspoolFinds) {
  std::mt19937 rng(11);
  const std::string alphabets[] = {std::string("a\xe9"), std::string("ab\0\xff", 4), "abcdefghij \x80\x81\xfe"};
  for (int round = 0; round < 1500; ++round) {
    const std::string& abc = alphabets[round % 3];
    std::string text(rng() % 600, ' ');
    for (char& c : text) c = abc[rng() % abc.size()];
    if (round % 5 == 0 && !text.empty()) text.replace(rng() % text.size(), std::string::npos, text.size() / 3, abc[0]);
    std::string pattern;
    if (round % 2 == 0 && text.size() > 2) {
      size_t from = rng() % (text.size() - 1);
      pattern = text.substr(from, 1 + rng() % std::min<size_t>(40, text.size() - from));
    } else {
      pattern.assign(1 + rng() % 5, abc[0]);
      if (round % 4 == 1) pattern.back() = abc[rng() % abc.size()];
    }
    const int32_t n = static_cast<int32_t>(text.size()), m = static_cast<int32_t>(pattern.size());
    const orv::TextSearcher oracle(pattern.data(), m);
    for (int32_t start = 0; start <= n; start += 1 + static_cast<int32_t>(rng() % 7)) {
      int32_t expect = oracle.Find(text.data() + start, n - start);
      ASSERT_EQ(orv::FindBytes(text.data() + start, n - start, pattern.data(), m), expect)
          << "round " << round << " start " << start;
      ASSERT_EQ(orv::FindBytesReverse(text.data(), n, pattern.data(), m, start), oracle.FindLast(text.data(), n, start))
          << "round " << round << " last " << start;
    }
    ASSERT_EQ(orv::FindBytesReverse(text.data(), n, pattern.data(), m, n), oracle.FindLast(text.data(), n, n));
  }
}

TEST(TextTrim, SetsAndControlBytes) {
  EXPECT_EQ(S(TrimLeftSet("  x ", " ")), "x ");
  EXPECT_EQ(S(TrimLeftSet("  x ", "x ")), "");
  EXPECT_EQ(S(TrimRightSet("  x ", " ")), "  x");
  EXPECT_EQ(S(TrimRightSet(" x  ", "x ")), "");
  EXPECT_EQ(S(TrimRightSet("xyzzy", "zy")), "x");
  EXPECT_EQ(S(TrimLeftSet("abc", "")), "abc");
  EXPECT_EQ(S(TrimRightSet(R(std::string("ab\0\0", 4)), R(std::string("\0", 1)))), "ab");

  RtString line("value \t\r\n");
  TrimControlRight(line);
  EXPECT_EQ(S(line), "value ");
  RtString controls("\x01\x1f");
  TrimControlRight(controls);
  EXPECT_EQ(controls.Length(), 0);
  RtString high("x\x80");
  TrimControlRight(high);  // bytes of 128 and more are text, not control bytes
  EXPECT_EQ(high.Length(), 2);
}

TEST(TextReplace, TheThreeCasesAndNoRescan) {
  // One byte for one byte, equal lengths, and different lengths.
  EXPECT_EQ(S(ReplaceText("a.b.c", ".", "/")), "a/b/c");
  EXPECT_EQ(S(ReplaceText("one two one", "one", "111")), "111 two 111");
  EXPECT_EQ(S(ReplaceText("aaa", "a", "bb")), "bbbbbb");
  EXPECT_EQ(S(ReplaceText("abc", "b", "")), "ac");
  EXPECT_EQ(S(ReplaceText("abab", "ab", "b")), "bb");
  // Inserted text is never searched again, and a longer search text resumes
  // directly after its replacement: "aa" -> "a" in "aaaa" gives "aa".
  EXPECT_EQ(S(ReplaceText("aaaa", "aa", "a")), "aa");
  EXPECT_EQ(S(ReplaceText("aaaa", "aa", "aaa")), "aaaaaa");
  EXPECT_EQ(S(ReplaceText("xax", "a", "aa")), "xaax");
  EXPECT_EQ(S(ReplaceText("abc", "", "x")), "abc");
  EXPECT_EQ(S(ReplaceText("", "a", "b")), "");
  EXPECT_EQ(S(ReplaceText("ab", "abc", "x")), "ab");
  EXPECT_EQ(S(ReplaceText(R(std::string("a\0b\0", 4)), R(std::string("\0", 1)), "--")), "a--b--");
}

TEST(TextSplit, WithAndWithoutSkippingEmptyPieces) {
  RtArray<RtString> pieces;
  EXPECT_EQ(SplitText(",a,,b,", pieces, ","), 4);
  ASSERT_EQ(pieces.Size(0), 4);
  EXPECT_EQ(S(pieces.At(0)), "");
  EXPECT_EQ(S(pieces.At(1)), "a");
  EXPECT_EQ(S(pieces.At(2)), "");
  EXPECT_EQ(S(pieces.At(3)), "b");

  EXPECT_EQ(SplitText(",a,,b,", pieces, ",", 1), 2);
  ASSERT_EQ(pieces.Size(0), 2);
  EXPECT_EQ(S(pieces.At(0)), "a");
  EXPECT_EQ(S(pieces.At(1)), "b");

  EXPECT_EQ(SplitText("k=v; x", pieces, "=; ", 1), 3);
  EXPECT_EQ(S(pieces.At(2)), "x");
  EXPECT_EQ(SplitText("", pieces, ","), 0);
  EXPECT_EQ(SplitText(",,,", pieces, ",", 1), 0);
  EXPECT_EQ(SplitText(",,,", pieces, ","), 3);
  EXPECT_EQ(SplitText("whole", pieces, ""), 1);
  EXPECT_EQ(S(pieces.At(0)), "whole");
  EXPECT_EQ(SplitText("x", pieces, ",", orv::kOmittedArgument), 1);  // an omitted flag is off
  EXPECT_EQ(SplitText(",x", pieces, ",", orv::kOmittedArgument), 2);
}

TEST(TextSplit, ReusesTheArrayAndCopesWithItsOwnElements) {
  RtArray<RtString> pieces;
  pieces.Dim(3, 2);  // any shape: the array is emptied first
  EXPECT_EQ(SplitText("a b", pieces, " "), 2);
  EXPECT_EQ(pieces.Dims(), 1);
  const RtString* storage = pieces.Data();
  EXPECT_EQ(SplitText("c d e", pieces, " "), 3);
  EXPECT_EQ(pieces.Data(), storage);  // enough room: the storage is kept

  // The text being split may be an element of the array being filled.
  pieces.At(0) = "p,q,r,s";
  EXPECT_EQ(SplitText(pieces.At(0), pieces, ","), 4);
  EXPECT_EQ(S(pieces.At(3)), "s");

  std::string many;
  for (int i = 0; i < 5000; ++i) many += std::to_string(i) + "\n";
  EXPECT_EQ(SplitText(R(many), pieces, "\n"), 5000);
  EXPECT_EQ(S(pieces.At(4999)), "4999");
  EXPECT_EQ(pieces.Size(0), 5000);
}

TEST(TextSplit, APieceStartingAtAZeroByteIsNotAPiece) {
  RtArray<RtString> pieces;
  EXPECT_EQ(SplitText(R(std::string("a,\0,b", 5)), pieces, ","), 2);
  EXPECT_EQ(S(pieces.At(1)), "b");
  EXPECT_EQ(SplitText(R(std::string("a,b\0c", 5)), pieces, ","), 2);
  EXPECT_EQ(S(pieces.At(1)), std::string("b\0c", 3));
}

TEST(TextCharacters, CodesCharsCaseAndHex) {
  EXPECT_EQ(S(CharOf(65)), "A");
  RtString zero = CharOf(0);
  EXPECT_EQ(zero.Length(), 1);
  EXPECT_EQ(zero[0], 0);
  EXPECT_EQ(S(CharOf(256 + 66)), "B");
  EXPECT_EQ(CodeOf(""), 0);
  EXPECT_EQ(CodeOf("A"), 65);
  EXPECT_EQ(CodeOf("AB", 1), 66);
  EXPECT_EQ(CodeOf("AB", 2), 0);
  EXPECT_EQ(CodeOf("AB", -1), 0);
  EXPECT_EQ(CodeOf("AB", orv::kOmittedArgument), 65);
  EXPECT_EQ(CodeOf("\xe9"), 233);

  EXPECT_EQ(S(UpperText("abc-xyz\xe9")), "ABC-XYZ\xe9");
  EXPECT_EQ(S(LowerText("ABC-XYZ")), "abc-xyz");

  EXPECT_EQ(S(HexOfBytes(R(std::string("\x00\x7f\xab", 3)))), "007fab");
  EXPECT_EQ(S(HexOfBytes(R(std::string("\x00\x7f\xab", 3)), 2, 1)), "007F");
  EXPECT_EQ(S(HexOfBytes("ab", 10)), "6162");
  EXPECT_EQ(S(HexOfBytes("ab", 0)), "");
  EXPECT_EQ(S(HexOfBytes("ab", -1, orv::kOmittedArgument)), "6162");
}

TEST(TextNumbers, FormatNumberIsPrintfFixed) {
  EXPECT_EQ(S(FormatNumber(4, 0, 5)), "   5");
  EXPECT_EQ(S(FormatNumber(6, 2, 3.14159)), "  3.14");
  EXPECT_EQ(S(FormatNumber(-6, 1, 2.25)), "2.3   ");
  EXPECT_EQ(S(FormatNumber(0, 3, -0.5)), "-0.500");
  EXPECT_EQ(S(FormatNumber(1, -2, 7.6)), "8");  // no negative precision: 0 decimals
  EXPECT_EQ(S(FormatNumber(std::nan(""), 1, 2)), "2.0");
  // Exact ties round away from zero; everything else to the nearest, on the
  // exact value of the double (2.675 is stored a little below the tie).
  struct {
    int width, decimals;
    double value;
    const char* text;
  } rounding[] = {
      {0, 0, 2.5, "3"},          {6, 1, 2.25, "   2.3"},    {0, 0, -2.5, "-3"},
      {0, 0, 0.5, "1"},          {0, 0, -0.5, "-1"},        {0, 0, 1.5, "2"},
      {0, 2, -0.125, "-0.13"},   {0, 2, 2.675, "2.67"},     {0, 1, 9.95, "9.9"},
      {0, 0, 99.5, "100"},       {0, 1, -99.75, "-99.8"},   {5, 0, 9.5, "   10"},
      {0, 0, 4503599627370495.5, "4503599627370496"},       {0, 1, 1e-320, "0.0"},
      {0, 0, -0.0, "-0"},        {0, 3, 0.1, "0.100"},      {0, 0, 0.49999999999999994, "0"},
      {0, 20, 0.1, "0.10000000000000000555"},               {0, 0, 1e20, "100000000000000000000"},
  };
  for (const auto& r : rounding)
    EXPECT_EQ(S(FormatNumber(r.width, r.decimals, r.value)), r.text) << r.value << " at " << r.decimals;
  // Everything beyond 127 bytes is cut off, however wide the field.
  EXPECT_EQ(S(FormatNumber(1e12, 0, 1)), std::string(127, ' '));
  RtString many = FormatNumber(0, 1e9, 1);
  EXPECT_EQ(many.Length(), 127);
  EXPECT_EQ(S(MidText(many, 0, 4)), "1.00");
}

}  // namespace
