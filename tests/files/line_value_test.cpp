// Numbers read a line at a time from a game channel: each read takes exactly
// one line, without its line end, and converts what the line starts with.
#include <gtest/gtest.h>

#include <string>

#include "files/files_lifecycle.h"
#include "orvane/files.h"
#include "support/test_support.h"

namespace {

class LineValues : public testing::Test {
 protected:
  void TearDown() override { orv::CloseAllFileChannels(); }
};

TEST_F(LineValues, NumberAndIntegerReadsConvertOneLineEach) {
  orvtest::WriteFile("values.txt",
                     "  3.75\r\n"     // leading blanks are skipped, the CR is not part of the number
                     "-12.9xyz\n"     // integers are truncated towards zero, trailing text ignored
                     "1e3\r\n"        // a number in exponent form...
                     "1e3\n"          // ...of which the integer read takes only the digits
                     "abc\n"          // no number at all: 0
                     "\n"             // an empty line: 0
                     "0x1F\n"         // hexadecimal is no integer here
                     "42");           // the last line needs no line end
  ASSERT_EQ(OpenFileChannel(3, "values.txt", 1), 1);
  EXPECT_EQ(FileReadLineNumber(3), 3.75);
  EXPECT_EQ(FileReadLineInteger(3), -12);
  EXPECT_EQ(FileReadLineNumber(3), 1000);
  EXPECT_EQ(FileReadLineInteger(3), 1);
  EXPECT_EQ(FileReadLineNumber(3), 0);
  EXPECT_EQ(FileReadLineInteger(3), 0);
  EXPECT_EQ(FileReadLineInteger(3), 0);
  EXPECT_EQ(FileReadLineInteger(3), 42);
  EXPECT_EQ(EndOfFile(3), 1);
}

TEST_F(LineValues, ReadsInterleaveWithTextLines) {
  orvtest::WriteFile("mixed.txt", "name\r\n7\r\n2.5\r\nend\r\n");
  ASSERT_EQ(OpenFileChannel(0, "mixed.txt", 1), 1);
  EXPECT_TRUE(FileReadLine(0) == "name");
  EXPECT_EQ(FileReadLineInteger(0), 7);
  EXPECT_EQ(FileReadLineNumber(0), 2.5);
  EXPECT_TRUE(FileReadLine(0) == "end");
}

}  // namespace
