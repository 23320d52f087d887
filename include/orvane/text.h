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
RtString MidText(const RtString& text, double start, double count = -1);              // bytes start..start+count-1, clipped; count < 0: the rest
double FindText(const RtString& text, const RtString& pattern, double start = 0);     // first position at or after start, or -1
double FindTextReverse(const RtString& text, const RtString& pattern, double start = -1);  // last position at or before start (< 0: from the end), or -1

// ---- Trimming, replacing, splitting ----------------------------------------
RtString TrimLeftSet(const RtString& text, const RtString& set);                      // without the leading bytes that occur in set
RtString TrimRightSet(const RtString& text, const RtString& set);                     // without the trailing bytes that occur in set
void TrimControlRight(RtString& text);                                                // in place: drop trailing bytes below 32 (a space stays)
RtString ReplaceText(const RtString& text, const RtString& search, const RtString& replacement);  // every occurrence, left to right, no rescan
double SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters, double skipEmpty = 0);  // pieces between delimiter bytes; returns their number

// ---- Case, characters, numbers ---------------------------------------------
RtString UpperText(const RtString& text);                                             // byte-wise toupper copy
RtString LowerText(const RtString& text);                                             // byte-wise tolower copy
double CodeOf(const RtString& text, double position = 0);                             // byte at position as 0..255; 0 outside the text
RtString CharOf(double code);                                                         // one-byte text (also for 0)
RtString FormatNumber(double width, double decimals, double value);                   // printf "%<width>.<decimals>f", at most 127 bytes
RtString HexOfBytes(const RtString& bytes, double count = -1, double upperCase = 0);  // two hex digits per byte of the first count bytes (< 0: all)

// ---- Encodings and encryption ----------------------------------------------
RtString UrlEncode(const RtString& text);                                             // letters and digits stay, the rest "%xx" (>= 128 as UTF-8)
RtString UrlDecode(const RtString& text);                                             // "+" and "%xx" decoded, then UTF-8 to Latin-1
void Utf8ToLatin(RtString& text);                                                     // in place: UTF-8 sequences to single bytes (> 255: space)
RtString EncryptText(const RtString& key, const RtString& text);                      // Blowfish ECB, lower-case hex; empty for an empty key
RtString DecryptText(const RtString& key, const RtString& hex);                       // the reverse; empty for an empty key or malformed input

// ---- Data statements ---------------------------------------------------------
// Reads take the items of the block last given to RestoreData in order;
// reading past its last item, or before any RestoreData, ends the program
// with error 20 ("out of data").
// One item of a game's data statements: a number, or a text when text is set.
struct DataItem {
  constexpr DataItem(double value) : number(value), text(nullptr) {}       // NOLINT: items are written as plain literals
  constexpr DataItem(int value) : number(value), text(nullptr) {}          // NOLINT
  constexpr DataItem(const char* value) : number(0), text(value) {}        // NOLINT
  double number;
  const char* text;  // zero-terminated; null for a number item
};

// A set of data statements and its read position. Declared by the game, e.g.
//   const DataItem kScores[] = {"Ann", 120, "Bob", 95.5};
//   DataBlock scores(kScores);
struct DataBlock {
  template <size_t N>
  constexpr DataBlock(const DataItem (&list)[N]) : items(list), count(static_cast<int32_t>(N)) {}  // NOLINT
  constexpr DataBlock(const DataItem* list, int32_t n) : items(list), count(n) {}
  const DataItem* items;
  int32_t count;
  int32_t position = 0;  // index of the next item to read
};

void RestoreData(DataBlock& block);                                                   // read from block, starting at its first item
void ReadNumber(double& value);                                                       // next item as a number (text through atof)
void ReadInteger(double& value);                                                      // next item as an integer (text through atoi, numbers truncated)
void ReadInteger(int32_t& value);                                                     // the same into a 32-bit integer
void ReadText(RtString& value);                                                       // next item as text (numbers as their text)
