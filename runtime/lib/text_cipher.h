// Symmetric encryption of game texts: Blowfish in ECB mode, hexadecimal out.
#pragma once

#include "orvane/rt_string.h"

namespace orv {

// The text zero-padded to a multiple of 8 bytes, each block enciphered as two
// little-endian 32-bit words (first four bytes = left half), written as lower
// case hexadecimal. An empty key or an empty text gives an empty text: there
// is no key schedule without key bytes, and handing back the plain text would
// pass it off as encrypted.
RtString EncryptText(const RtString& key, const RtString& text);
// The reverse; the result ends at its first 0 byte (the padding). Input that
// is not whole blocks of hexadecimal digits, or an empty key, gives an empty text.
RtString DecryptText(const RtString& key, const RtString& hex);

}  // namespace orv
