// Line-addressed text files: the cache, its write-back and its errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

std::string Line(const char* file, double line) {
  RtString out;
  ReadFileLine(file, line, out);
  return out.CStr();
}

TEST(LineFiles, WritingPastTheEndCreatesEmptyLinesOnWriteBack) {
  std::remove("new.txt");  // "new" also when the test is repeated in one process
  WriteFileLine("new.txt", 5, "five");
  EXPECT_EQ(ErrorCode(), 3);  // the file was not there to load
  WriteFileLine("new.txt", 4, "");
  EXPECT_EQ(ErrorCode(), 0);  // now it is the cached file
  EXPECT_EQ(Line("new.txt", 3), "NO_DATA");
  EXPECT_EQ(Line("new.txt", 5), "five");
  EXPECT_FALSE(orvtest::Exists("new.txt"));  // nothing written before a switch
  EXPECT_EQ(Line("other.txt", 0), "NO_FILE");
  EXPECT_EQ(ReadFile("new.txt"), "\r\n\r\n\r\n\r\n\r\nfive\r\n");
  EXPECT_EQ(Line("new.txt", 5), "five");
}

TEST(LineFiles, ErrorsAndNeutralResults) {
  EXPECT_EQ(Line("missing.txt", 0), "NO_FILE");
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Line("missing.txt", 1), "NO_FILE");  // every line of a missing file
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(Line("missing.txt", 256), "NO_DATA");
  EXPECT_EQ(ErrorCode(), 7);
  EXPECT_EQ(Line("missing.txt", -1), "NO_DATA");
  WriteFileLine("missing.txt", 300, "x");
  EXPECT_EQ(ErrorCode(), 7);
  double value = -1;
  ReadFileLineNumber("missing.txt", 0, value);
  EXPECT_EQ(value, 0);
}

TEST(LineFiles, TrailingControlBytesAndNumbers) {
  WriteFile("scores.txt", "abc\t \r\nabc\t\r\r\n12.5\r\n\x01\x02\r\n");
  EXPECT_EQ(Line("scores.txt", 0), "abc\t ");  // a trailing space stops the trim
  EXPECT_EQ(Line("scores.txt", 1), "abc");
  double value = 0;
  ReadFileLineNumber("scores.txt", 2, value);
  EXPECT_EQ(value, 12.5);
  EXPECT_EQ(Line("scores.txt", 3), "NO_DATA");  // only control bytes
  EXPECT_EQ(Line("scores.txt", 4), "NO_DATA");

  WriteFileLineNumber("scores.txt", 2, 99);
  WriteFileLine("scores.txt", 1, std::string(1500, 'L').c_str());  // cut to its slot
  WriteFileLine("scores.txt", 0, RtString("cut\0here", 8));
  WriteFileLine("elsewhere.txt", 0, "x");
  EXPECT_EQ(ReadFile("scores.txt"), "cut\r\n" + std::string(1023, 'L') + "\r\n99\r\n\x01\x02\r\n");
}

TEST(LineFiles, ReadingOnlyNeverRewritesAndLinesPast255AreKept) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + "\n";
  WriteFile("long.txt", text);
  EXPECT_EQ(Line("long.txt", 255), "255");
  EXPECT_EQ(Line("other.txt", 0), "NO_FILE");
  EXPECT_EQ(ReadFile("long.txt"), text);  // unchanged: no write-back
  WriteFileLine("long.txt", 0, "zero");
  orv::FlushLineFile();
  std::string back = ReadFile("long.txt");
  EXPECT_EQ(back.substr(0, 9), "zero\r\n1\r\n");
  EXPECT_NE(back.find("255\r\n256\n"), std::string::npos);  // lines past 255 are kept as they were
  EXPECT_EQ(back.substr(back.size() - 4), "299\n");
}

// A line at or past a slot's size survives write-back and reload as one
// line, so the lines after it stay where they were, cycle after cycle.
TEST(LineFiles, LongLinesSurviveWriteBackAndReloadAsOneLine) {
  for (int n : {1021, 1022, 1023, 1024, 5000}) {
    const std::string name = "cycle" + std::to_string(n) + ".txt";
    const std::string kept(static_cast<size_t>(std::min(n, 1023)), 'L');
    WriteFile(name, "a\r\n" + std::string(static_cast<size_t>(n), 'L') + "\r\n99\r\n");
    for (int cycle = 0; cycle < 3; ++cycle) {
      EXPECT_EQ(Line(name.c_str(), 2), "99") << n << " cycle " << cycle;
      EXPECT_EQ(Line(name.c_str(), 1), kept) << n;
      EXPECT_EQ(Line(name.c_str(), 3), "NO_DATA") << n;
      WriteFileLine(name.c_str(), 0, "a");  // changed: written back at the switch
      EXPECT_EQ(Line("cycle-other.txt", 0), "NO_FILE");
      EXPECT_EQ(ReadFile(name), "a\r\n" + kept + "\r\n99\r\n") << n << " cycle " << cycle;
    }
  }
}

TEST(LineFilesDeathTest, TheCacheIsWrittenBackWhenTheProgramEnds) {
  EXPECT_EXIT(
      {
        WriteFileLine("atexit.txt", 1, "kept");
        EndWithSuccess();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile("atexit.txt"), "\r\nkept\r\n");
}

}  // namespace
