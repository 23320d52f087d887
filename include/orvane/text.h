// Game-facing text commands: substrings, search, trimming, replacing,
// splitting, characters, number formatting, hexadecimal, URL and UTF-8
// conversions, text encryption, and data statements. Positions are 0-based
// byte positions; all commands treat text as bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

// ---- Substrings and search ------------------------------------------------
RtString MidText(const RtString& text, double start, double count = -1);  // bytes from start, clipped; count < 0: the rest
double FindText(const RtString& text, const RtString& pattern, double start = 0);  // first position at or after start, or -1
double FindTextReverse(const RtString& text, const RtString& pattern, double start = -1);  // last at or before start (< 0: end) or -1

// ---- Trimming, replacing, splitting ----------------------------------------
RtString TrimLeftSet(const RtString& text, const RtString& set);   // without the leading bytes found in set
RtString TrimRightSet(const RtString& text, const RtString& set);  // without the trailing bytes found in set
void TrimControlRight(RtString& text);                             // in place: drop trailing bytes below 32
RtString ReplaceText(const RtString& text, const RtString& search, const RtString& replacement);  // all, left to right
double SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters,
                 double skipEmpty = 0);                            // pieces between delimiter bytes; their number

// ---- Case, characters, numbers ---------------------------------------------
RtString UpperText(const RtString& text);                          // byte-wise toupper copy
RtString LowerText(const RtString& text);                          // byte-wise tolower copy
double CodeOf(const RtString& text, double position = 0);          // byte at position, 0..255; 0 outside
RtString CharOf(double code);                                      // one-byte text (also for 0)
RtString FormatNumber(double width, double decimals, double value);  // "%<width>.<decimals>f", at most 127 bytes
RtString HexOfBytes(const RtString& bytes, double count = -1, double upperCase = 0);  // 2 digits per byte (count < 0: all)

// ---- Encodings and encryption ----------------------------------------------
RtString UrlEncode(const RtString& text);                          // letters, digits stay; others "%xx" (>= 128 as UTF-8)
RtString UrlDecode(const RtString& text);                          // "+", "%xx" decoded, then UTF-8 to Latin-1
void Utf8ToLatin(RtString& text);                                  // in place: UTF-8 to single bytes (> 255: space)
RtString EncryptText(const RtString& key, const RtString& text);   // Blowfish ECB as lower-case hex; empty key: empty
RtString DecryptText(const RtString& key, const RtString& hex);    // the reverse; empty for a bad key or input

// ---- Data statements ---------------------------------------------------------
// Reads take the items of the block last given to RestoreData in order;
// reading past its last item, or before any RestoreData, ends the program
// with error 20 ("out of data").

// One item of a game's data statements: a number, or a text when text is set.
struct DataItem {
  // Implicit, so that items are written as plain literals.
  constexpr DataItem(double value) : number(value), text(nullptr) {}
  constexpr DataItem(int value) : number(value), text(nullptr) {}
  constexpr DataItem(const char* value) : number(0), text(value) {}
  double number;
  const char* text;  // zero-terminated; null for a number item
};

// A set of data statements and its read position. Declared by the game, e.g.
//   const DataItem kScores[] = {"Ann", 120, "Bob", 95.5};
//   DataBlock scores(kScores);
struct DataBlock {
  template <size_t N>
  constexpr DataBlock(const DataItem (&list)[N]) : items(list), count(static_cast<int32_t>(N)) {}
  constexpr DataBlock(const DataItem* list, int32_t n) : items(list), count(n) {}
  const DataItem* items;
  int32_t count;
  int32_t position = 0;  // index of the next item to read
};

void RestoreData(DataBlock& block);  // read from block, starting at its first item
void ReadNumber(double& value);      // next item as a number (a text through atof)
void ReadInteger(double& value);     // next item as an integer (atoi; numbers truncated)
void ReadInteger(int32_t& value);    // the same into a 32-bit integer
void ReadText(RtString& value);      // next item as text (numbers as their text)
