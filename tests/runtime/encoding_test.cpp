#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "orvane/text.h"
#include "runtime/lib/blowfish.h"

namespace {

std::string S(const RtString& s) { return std::string(s.CStr(), static_cast<size_t>(s.Length())); }
RtString R(const std::string& s) { return RtString(s.data(), static_cast<int32_t>(s.size())); }

std::string Utf8(std::string s) {
  RtString t = R(s);
  Utf8ToLatin(t);
  return S(t);
}

TEST(UrlEncoding, EncodeDecodeAndRoundTrips) {
  EXPECT_EQ(S(UrlEncode("a b")), "a%20b");
  EXPECT_EQ(S(UrlEncode("\xe9")), "%c3%a9");
  EXPECT_EQ(S(UrlEncode("\x80\xbf\xc0\xff")), "%c2%80%c2%bf%c3%80%c3%bf");
  EXPECT_EQ(S(UrlEncode("Az09+~")), "Az09%2b%7e");
  EXPECT_EQ(S(UrlEncode(R(std::string("\0", 1)))), "%00");
  EXPECT_EQ(S(UrlDecode("a+b%41")), "a bA");
  EXPECT_EQ(S(UrlDecode("%c3%A9t%C3%a9")), "\xe9t\xe9");

  // Every byte value survives the round trip, those of 128 and more included.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(S(UrlDecode(UrlEncode(R(all)))), all);
  EXPECT_EQ(S(UrlDecode(UrlEncode("name=J\xf6rg & co."))), "name=J\xf6rg & co.");
}

TEST(UrlEncoding, BrokenEscapesDropThePercentAndTheNextByte) {
  EXPECT_EQ(S(UrlDecode("%zz")), "z");
  EXPECT_EQ(S(UrlDecode("%4z")), "z");
  EXPECT_EQ(S(UrlDecode("x%")), "x");
  EXPECT_EQ(S(UrlDecode("x%4")), "x");
  EXPECT_EQ(S(UrlDecode("%%41")), "41");
  EXPECT_EQ(S(UrlDecode("")), "");
}

TEST(Utf8Conversion, SequencesBecomeSingleBytes) {
  EXPECT_EQ(Utf8("plain"), "plain");
  EXPECT_EQ(Utf8("caf\xc3\xa9"), "caf\xe9");
  EXPECT_EQ(Utf8("\xc2\xa0|\xc3\xbf"), "\xa0|\xff");
  EXPECT_EQ(Utf8("\xe0\xa4\x85"), " ");        // above 255: a space
  EXPECT_EQ(Utf8("\xe2\x82\xac 5"), "  5");    // the euro sign
  EXPECT_EQ(Utf8("\xe0\x82\xa9"), "\xa9");     // three-byte form of a small code point
  EXPECT_EQ(Utf8("\xf0\x9f\x98\x80!"), "!");   // four-byte sequences are not decoded
}

TEST(Utf8Conversion, CutOffAndBrokenSequencesAreDropped) {
  EXPECT_EQ(Utf8("ab\xc3"), "ab");
  EXPECT_EQ(Utf8("ab\xe2\x82"), "ab");
  EXPECT_EQ(Utf8("ab\xe2"), "ab");
  EXPECT_EQ(Utf8("\xa9x"), "x");  // a continuation byte alone
  // A lead byte followed by ordinary text only drops itself: the text after
  // it is not taken into a bogus character.
  EXPECT_EQ(Utf8("\xe9t\xe9!"), "t!");
  EXPECT_EQ(Utf8("\xc3(x"), "(x");
  EXPECT_EQ(Utf8("\xe2\x82(x"), "(x");
  RtString empty;
  Utf8ToLatin(empty);
  EXPECT_TRUE(empty.IsShared());
}

// The published test vectors of the cipher give keys and blocks as bytes
// with big-endian halves: the first four bytes are the left word, most
// significant byte first.
struct Vector {
  uint64_t key, plain, cipher;
};
constexpr Vector kVectors[] = {
    {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
    {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
    {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
    {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
    {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
    {0x1111111111111111, 0x0123456789ABCDEF, 0x7D0CC630AFDA1EC7},
    {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
    {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x59C68245EB05282B},
    {0x0131D9619DC1376E, 0x5CD54CA83DEF57DA, 0xB1B8CC0B250F09A0},
    {0x07A1133E4A0B2686, 0x0248D43806F67172, 0x1730E5778BEA1DA4},
    {0x3849674C2602319E, 0x51454B582DDF440A, 0xA25E7856CF2651EB},
    {0x04B915BA43FEB5B6, 0x42FD443059577FA2, 0x353882B109CE8F1A},
    {0x0113B970FD34F2CE, 0x059B5E0851CF143A, 0x48F4D0884C379918},
    {0x0170F175468FB5E6, 0x0756D8E0774761D2, 0x432193B78951FC98},
    {0x43297FAD38E373FE, 0x762514B829BF486A, 0x13F04154D69D1AE5},
    {0x0101010101010101, 0x0123456789ABCDEF, 0xFA34EC4847B268B2},
    {0x1F1F1F1F0E0E0E0E, 0x0123456789ABCDEF, 0xA790795108EA3CAE},
    {0xE0FEE0FEF1FEF1FE, 0x0123456789ABCDEF, 0xC39E072D9FAC631D},
    {0x0000000000000000, 0xFFFFFFFFFFFFFFFF, 0x014933E0CDAFF6E4},
    {0xFFFFFFFFFFFFFFFF, 0x0000000000000000, 0xF21E9A77B71C49BC},
    {0x0123456789ABCDEF, 0x0000000000000000, 0x245946885754369A},
    {0xFEDCBA9876543210, 0xFFFFFFFFFFFFFFFF, 0x6B5C5A9C5D9E0A5A},
};

std::string KeyBytes(uint64_t key) {
  std::string k(8, 0);
  for (int i = 0; i < 8; ++i) k[static_cast<size_t>(i)] = static_cast<char>(key >> (56 - 8 * i));
  return k;
}

// The block as the text encryption lays it out: each half little-endian.
std::string LittleEndianHex(uint64_t block) {
  char out[17];
  uint32_t l = static_cast<uint32_t>(block >> 32), r = static_cast<uint32_t>(block);
  std::snprintf(out, sizeof out, "%02x%02x%02x%02x%02x%02x%02x%02x", l & 255, (l >> 8) & 255, (l >> 16) & 255,
                l >> 24, r & 255, (r >> 8) & 255, (r >> 16) & 255, r >> 24);
  return out;
}

TEST(TextCipher, BlockCipherMatchesThePublishedVectors) {
  for (const Vector& v : kVectors) {
    std::string key = KeyBytes(v.key);
    orv::Blowfish cipher(reinterpret_cast<const unsigned char*>(key.data()), key.size());
    uint32_t l = static_cast<uint32_t>(v.plain >> 32), r = static_cast<uint32_t>(v.plain);
    cipher.Encrypt(l, r);
    EXPECT_EQ((uint64_t{l} << 32) | r, v.cipher) << std::hex << "key " << v.key;
    cipher.Decrypt(l, r);
    EXPECT_EQ((uint64_t{l} << 32) | r, v.plain) << std::hex << "key " << v.key;
  }
}

TEST(TextCipher, KeysOfEveryLengthFollowTheStandardSchedule) {
  // The published variable-key-length vectors: the first n bytes of one key.
  const unsigned char key[] = {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87, 0x78, 0x69, 0x5A, 0x4B,
                               0x3C, 0x2D, 0x1E, 0x0F, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
  const uint64_t expect[] = {0xF9AD597C49DB005E, 0xE91D21C1D961A6D6, 0xE9C2B70A1BC65CF3, 0xBE1E639408640F05,
                             0xB39E44481BDB1E6E, 0x9457AA83B1928C0D, 0x8BB77032F960629D, 0xE87A244E2CC85E82,
                             0x15750E7A4F4EC577, 0x122BA70B3AB64AE0, 0x3A833C9AFFC537F6, 0x9409DA87A90F6BF2,
                             0x884F80625060B8B4, 0x1F85031C19E11968, 0x79D9373A714CA34F, 0x93142887EE3BE15C,
                             0x03429E838CE2D14B, 0xA4299E27469FF67B, 0xAFD5AED1C1BC96A8, 0x10851C0E3858DA9F,
                             0xE6F51ED79B9DB21F, 0x64A6E14AFD36B46F, 0x80C7D7D45A5479AD, 0x05044B62FA52D080};
  for (size_t n = 1; n <= sizeof key; ++n) {
    orv::Blowfish cipher(key, n);
    uint32_t l = 0xFEDCBA98, r = 0x76543210;
    cipher.Encrypt(l, r);
    EXPECT_EQ((uint64_t{l} << 32) | r, expect[n - 1]) << "key length " << n;
  }
}

TEST(TextCipher, EncryptTextTakesEachHalfLittleEndian) {
  // The plain block 0x0123456789ABCDEF of the vectors, laid out as the text
  // encryption reads it, and its cipher block in the same layout.
  const std::string plain = "\x67\x45\x23\x01\xef\xcd\xab\x89";
  EXPECT_EQ(S(EncryptText(R(KeyBytes(0xFEDCBA9876543210)), R(plain))), LittleEndianHex(0x0ACEAB0FC6A0A28D));
  EXPECT_EQ(S(EncryptText(R(KeyBytes(0x0101010101010101)), R(plain))), LittleEndianHex(0xFA34EC4847B268B2));
  EXPECT_EQ(S(DecryptText(R(KeyBytes(0x0101010101010101)), R(LittleEndianHex(0xFA34EC4847B268B2)))), plain);
  // A short text is zero-padded to a whole block.
  EXPECT_EQ(S(EncryptText("key", "\x11")), S(EncryptText("key", R(std::string("\x11\0\0\0\0\0\0\0", 8)))));
  EXPECT_EQ(EncryptText("key", "\x11").Length(), 16);
}

TEST(TextCipher, RoundTripsOfEveryLength) {
  const RtString key("secret key");
  std::string text;
  for (int n = 1; n <= 40; ++n) {
    text += static_cast<char>(n % 2 ? 'a' + n % 26 : 0x80 + n);
    RtString hex = EncryptText(key, R(text));
    EXPECT_EQ(hex.Length(), (n + 7) / 8 * 16) << n;
    EXPECT_EQ(S(hex.Lower()), S(hex));
    EXPECT_EQ(S(DecryptText(key, hex)), text) << n;
    EXPECT_EQ(S(DecryptText(key, hex.Upper())), text) << n;
    EXPECT_NE(S(DecryptText("other key", hex)), text) << n;
  }
  // A key longer than 72 bytes only uses its first 72.
  std::string longKey(72, 'k');
  EXPECT_EQ(S(EncryptText(R(longKey), "text")), S(EncryptText(R(longKey + "ignored"), "text")));
}

TEST(TextCipher, EmptyKeysAndMalformedCipherTextGiveEmptyTexts) {
  EXPECT_EQ(EncryptText("", "never in the clear").Length(), 0);
  EXPECT_EQ(EncryptText("key", "").Length(), 0);
  RtString hex = EncryptText("key", "hello");
  EXPECT_EQ(DecryptText("", hex).Length(), 0);
  EXPECT_EQ(DecryptText("key", MidText(hex, 0, 15)).Length(), 0);   // not whole bytes
  EXPECT_EQ(DecryptText("key", MidText(hex, 0, 14)).Length(), 0);   // not a whole block
  EXPECT_EQ(DecryptText("key", ReplaceText(hex, MidText(hex, 3, 1), "g")).Length(), 0);
  EXPECT_EQ(DecryptText("key", "").Length(), 0);
  // The plain text ends at its first 0 byte, which is also where padding starts.
  EXPECT_EQ(S(DecryptText("key", EncryptText("key", R(std::string("ab\0cd", 5))))), "ab");
}

}  // namespace
