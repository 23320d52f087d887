// URL encoding and the UTF-8 to single-byte (Latin-1) conversion.
#pragma once

#include "orvane/rt_string.h"

namespace orv {

// ASCII letters and digits stay; other bytes below 128 become "%xx" (lower
// case); a byte of 128 or more is sent as the two-byte UTF-8 form of that
// Latin-1 character ("%c3%a9" for 233).
RtString UrlEncode(const RtString& text);
// "+" -> space, "%xx" -> byte; a "%" without two hex digits is dropped with
// the byte after it. The result then goes through Utf8ToLatin.
RtString UrlDecode(const RtString& text);
// Two- and three-byte UTF-8 sequences become one byte (code points above 255
// become a space); bytes below 128 stay; anything else is dropped.
void Utf8ToLatin(RtString& text);

}  // namespace orv
