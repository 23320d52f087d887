// The byte reader every parser of outside data stands on: values come out
// little-endian, and no read, however large its count, leaves the span.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/byte_reader.h"

namespace {

TEST(ByteReader, ReadsLittleEndianValuesInOrder) {
  const std::vector<uint8_t> bytes = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 'a', 'b'};
  orv::ByteReader in(bytes);
  EXPECT_EQ(in.U8(), 0x01);
  EXPECT_EQ(in.U16(), 0x1234);
  EXPECT_EQ(in.U32(), 0x12345678u);
  EXPECT_EQ(in.I32(), -2);
  char text[2];
  EXPECT_TRUE(in.Bytes(text, 2));
  EXPECT_EQ(text[1], 'b');
  EXPECT_EQ(in.Left(), 0u);
  EXPECT_TRUE(in.Ok());
  EXPECT_EQ(in.U32At(3), 0x12345678u);
  EXPECT_EQ(in.U16At(1), 0x1234);

  std::vector<uint8_t> out;
  orv::AppendLe32(out, 0x12345678u);
  EXPECT_EQ(orv::LoadLe32(out.data()), 0x12345678u);
  orv::StoreLe16(out.data(), 0xBEEF);
  EXPECT_EQ(orv::LoadLe16(out.data()), 0xBEEF);
  EXPECT_EQ(out[1], 0xBE);
}

TEST(ByteReader, ReadsPastTheEndFailStickilyAndMoveNothing) {
  const std::vector<uint8_t> bytes = {1, 2, 3};
  orv::ByteReader in(bytes);
  EXPECT_EQ(in.U16(), 0x0201);
  EXPECT_EQ(in.U16(), 0);  // one byte left: not enough
  EXPECT_FALSE(in.Ok());
  EXPECT_EQ(in.Position(), 2u);
  EXPECT_EQ(in.U8(), 3);  // a smaller read still fits, the failure stays
  EXPECT_FALSE(in.Ok());

  orv::ByteReader big(bytes, 1);
  uint8_t dst[4] = {9, 9, 9, 9};
  EXPECT_FALSE(big.Bytes(dst, SIZE_MAX));
  EXPECT_EQ(dst[0], 9);
  EXPECT_TRUE(big.Take(SIZE_MAX).empty());
  EXPECT_FALSE(big.Skip(SIZE_MAX - 1));
  EXPECT_TRUE(big.Skip(2));
  EXPECT_EQ(big.Position(), 3u);
  EXPECT_FALSE(big.Seek(4));
  EXPECT_EQ(big.U32At(SIZE_MAX - 1), 0u);
  EXPECT_EQ(big.U32At(0), 0u);  // three bytes cannot make four
  EXPECT_EQ(big.U16At(1), 0x0302);
  EXPECT_EQ(big.U16At(2), 0);  // the last byte alone cannot make two

  orv::ByteReader past(bytes, 5);
  EXPECT_FALSE(past.Ok());
  EXPECT_EQ(past.Left(), 3u);  // stays at the start, reads nothing outside
  orv::ByteReader empty;
  EXPECT_EQ(empty.U8(), 0);
  EXPECT_FALSE(empty.Ok());
}

}  // namespace
