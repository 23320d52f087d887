// Game-facing text, math and random commands: convert the game's numbers and
// forward to the library.
#include "orvane/math.h"
#include "orvane/text.h"

#include <cmath>

#include "runtime/lib/data_statements.h"
#include "runtime/lib/math.h"
#include "runtime/lib/number_convert.h"
#include "runtime/lib/number_format.h"
#include "runtime/lib/random.h"
#include "runtime/lib/text.h"
#include "runtime/lib/text_cipher.h"
#include "runtime/lib/text_trim.h"
#include "runtime/lib/url_utf8.h"

using orv::ToInt32;

namespace {

// A flag argument: set when non-zero, and not set when omitted.
bool Flag(double value) { return value != 0 && value != orv::kOmittedArgument; }

// Width and decimals beyond these only change how much of the 127-byte
// result is padding or zeros; the bound keeps the formatter's work small.
// Clamped before truncation, so a huge width stays a huge right-aligned field.
int FormatField(double value, int lo) {
  if (std::isnan(value)) return lo < 0 ? 0 : lo;
  return ToInt32(value < lo ? lo : value > 4096 ? 4096 : value);
}

}  // namespace

// ---- Text -------------------------------------------------------------------
RtString MidText(const RtString& text, double start, double count) {
  return orv::MidText(text, ToInt32(start), ToInt32(count));
}
double FindText(const RtString& text, const RtString& pattern, double start) {
  return orv::FindText(text, pattern, ToInt32(start));
}
double FindTextReverse(const RtString& text, const RtString& pattern, double start) {
  return orv::FindTextReverse(text, pattern, ToInt32(start));
}
RtString TrimLeftSet(const RtString& text, const RtString& set) { return orv::TrimLeftSet(text, set); }
RtString TrimRightSet(const RtString& text, const RtString& set) { return orv::TrimRightSet(text, set); }
void TrimControlRight(RtString& text) { orv::TrimControlRight(text); }
RtString ReplaceText(const RtString& text, const RtString& search, const RtString& replacement) {
  return orv::ReplaceText(text, search, replacement);
}
double SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters, double skipEmpty) {
  return orv::SplitText(text, pieces, delimiters, Flag(skipEmpty));
}
RtString UpperText(const RtString& text) { return text.Upper(); }
RtString LowerText(const RtString& text) { return text.Lower(); }
double CodeOf(const RtString& text, double position) {
  return orv::CodeOf(text, position == orv::kOmittedArgument ? 0 : ToInt32(position));
}
RtString CharOf(double code) { return orv::CharOf(ToInt32(code)); }
RtString FormatNumber(double width, double decimals, double value) {
  return orv::FormatNumber(FormatField(width, -4096), FormatField(decimals, 0), value);
}
RtString HexOfBytes(const RtString& bytes, double count, double upperCase) {
  int32_t n = ToInt32(count);
  if (n < 0 || n > bytes.Length()) n = bytes.Length();
  return orv::HexOfBytes(reinterpret_cast<const unsigned char*>(bytes.CStr()), n, Flag(upperCase));
}
RtString UrlEncode(const RtString& text) { return orv::UrlEncode(text); }
RtString UrlDecode(const RtString& text) { return orv::UrlDecode(text); }
void Utf8ToLatin(RtString& text) { orv::Utf8ToLatin(text); }
RtString EncryptText(const RtString& key, const RtString& text) { return orv::EncryptText(key, text); }
RtString DecryptText(const RtString& key, const RtString& hex) { return orv::DecryptText(key, hex); }

// ---- Data statements ---------------------------------------------------------
void RestoreData(DataBlock& block) { orv::RestoreData(&block); }
void ReadNumber(double& value) { value = orv::ReadDataNumber(); }
void ReadInteger(double& value) { value = orv::ReadDataInteger(); }
void ReadInteger(int32_t& value) { value = orv::ReadDataInteger(); }
void ReadText(RtString& value) { value = orv::ReadDataText(); }

// ---- Math ----------------------------------------------------------------------
double SinDeg(double angle) { return orv::SinDeg(angle); }
double CosDeg(double angle) { return orv::CosDeg(angle); }
double TanDeg(double angle) { return orv::TanDeg(angle); }
double ATan2Deg(double y, double x) { return orv::ATan2Deg(y, x); }
double ASinDeg(double x) { return orv::ASinDeg(x); }
double ACosDeg(double x) { return orv::ACosDeg(x); }
double Power(double base, double exponent) { return std::pow(base, exponent); }
double SquareRoot(double x) { return std::sqrt(x); }
double NaturalLog(double x) { return std::log(x); }
double FloatMod(double a, double b) { return orv::FloatMod(a, b); }
double IntMod(double a, double b) { return orv::IntMod(ToInt32(a), ToInt32(b)); }
double MaxOf(double a, double b) { return orv::MaxOf(a, b); }
double MinOf(double a, double b) { return orv::MinOf(a, b); }
double NumberTextLength(double value) { return orv::NumberTextLength(value); }
double BoxesOverlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2, double h2) {
  return orv::BoxesOverlap(ToInt32(x1), ToInt32(y1), ToInt32(w1), ToInt32(h1), ToInt32(x2), ToInt32(y2),
                           ToInt32(w2), ToInt32(h2));
}

// ---- Random numbers ------------------------------------------------------------
void SeedRandom(double seed) { orv::SeedRandom(ToInt32(seed)); }
double Random(double n) { return orv::Random(ToInt32(n)); }
