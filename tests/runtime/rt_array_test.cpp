#include <gtest/gtest.h>

#include <cstdio>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"
#include "runtime/runtime_state.h"
#include "support/test_support.h"

namespace {

TEST(RtArray, DimSetsShapeStridesAndCapacityRules) {
  RtArray<double> a;
  a.Dim(3, 4);
  EXPECT_EQ(a.Dims(), 2);
  EXPECT_EQ(a.Size(0), 3);
  EXPECT_EQ(a.Size(1), 4);
  EXPECT_EQ(a.Size(2), 0);
  EXPECT_EQ(a.Size(7), 0);
  EXPECT_EQ(a.Capacity(), 16);  // 12 elements: next multiple of 8 above
  a.At(2, 3) = 5;
  EXPECT_EQ(a.Data()[2 + 3 * 3], 5);

  RtArray<double> empty;
  empty.Dim(0);
  EXPECT_EQ(empty.Capacity(), 8);
  EXPECT_EQ(empty.Dims(), 0);

  RtArray<RtString> texts;
  texts.Dim(0);
  EXPECT_EQ(texts.Capacity(), 0);
  EXPECT_EQ(texts.Data(), nullptr);
  texts.Dim(64);
  EXPECT_EQ(texts.Capacity(), 128);
  texts.Dim(10);
  EXPECT_EQ(texts.Capacity(), 128);

  RtArray<int32_t> exact;
  exact.DimExact(5, 3);
  EXPECT_EQ(exact.Capacity(), 15);
}

TEST(RtArray, DimToSmallerShapeKeepsStorageAndClearsOnlyElementsInUse) {
  RtArray<double> a;
  a.Dim(20);
  for (int i = 0; i < 20; ++i) a.At(i) = i + 1;
  const double* before = a.Data();
  a.Dim(5);
  EXPECT_EQ(a.Data(), before);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.At(i), 0);
  EXPECT_EQ(a.Data()[10], 11);  // beyond the new shape: untouched

  RtArray<RtString> t;
  t.Dim(3);
  t.At(1) = "keep the block of this text";
  const char* block = t.At(1).CStr();
  const uint32_t capacity = t.At(1).Capacity();
  t.Dim(2);
  EXPECT_EQ(t.At(1).Length(), 0);
  EXPECT_EQ(t.At(1).CStr(), block);  // emptied in place: the block stays
  EXPECT_EQ(t.At(1).Capacity(), capacity);
  const RtString shorter("short");
  t.At(1) = shorter;  // a copy into a block that is big enough stays in it
  EXPECT_EQ(t.At(1).CStr(), block);

  // A first size below 1 gives the storage back, even after use.
  for (int32_t empty : {0, -3}) {
    t.Dim(70);
    t.At(69) = "used";
    t.Dim(empty, 4);
    EXPECT_EQ(t.Data(), nullptr) << empty;
    EXPECT_EQ(t.Capacity(), 0);
    EXPECT_EQ(t.Size(0), 0);
    EXPECT_EQ(t.Dims(), 2);
  }
}

TEST(RtArray, RedimKeepsElementsInsideBothShapes) {
  RtArray<double> a;
  a.Dim(3, 3);
  for (int b = 0; b < 3; ++b)
    for (int i = 0; i < 3; ++i) a.At(i, b) = 10 * i + b;
  a.Redim(2, 5);
  EXPECT_EQ(a.Size(0), 2);
  EXPECT_EQ(a.Size(1), 5);
  for (int b = 0; b < 5; ++b)
    for (int i = 0; i < 2; ++i) EXPECT_EQ(a.At(i, b), b < 3 ? 10 * i + b : 0) << i << "," << b;

  RtArray<RtString> t;
  t.Dim(2);
  t.At(0) = "zero";
  t.At(1) = "one";
  t.Redim(4);
  EXPECT_TRUE(t.At(0) == "zero");
  EXPECT_TRUE(t.At(1) == "one");
  EXPECT_EQ(t.At(3).Length(), 0);
  t.Redim(0);
  EXPECT_EQ(t.Size(0), 0);
}

TEST(RtArray, NegativeFirstIndexWrapsOnce) {
  RtArray<double> a;
  a.Dim(5);
  for (int i = 0; i < 5; ++i) a.At(i) = i;
  EXPECT_EQ(a.At(-1), 4);
  EXPECT_EQ(a.At(-5), 0);
}

TEST(RtArray, PushCopyFillAndSort) {
  RtArray<RtString> t;
  t.Push("b");
  t.Push("c");
  t.Push("a");
  EXPECT_EQ(t.Size(0), 3);
  EXPECT_EQ(t.Dims(), 1);
  t.Push(t.At(0));  // pushing one of its own elements
  EXPECT_TRUE(t.At(3) == "b");
  t.Sort(0, 3);
  EXPECT_TRUE(t.At(0) == "a");
  EXPECT_TRUE(t.At(1) == "b");
  EXPECT_TRUE(t.At(2) == "b");
  EXPECT_TRUE(t.At(3) == "c");
  t.Sort(0, 3, [](const RtString& x, const RtString& y) { return static_cast<double>(Compare(y.CStr(), x.CStr())); });
  EXPECT_TRUE(t.At(0) == "c");
  EXPECT_TRUE(t.At(3) == "a");

  RtArray<RtString> copy(t);
  EXPECT_EQ(copy.Size(0), 4);
  EXPECT_TRUE(copy.At(0) == "c");

  const double values[] = {3, 1, 2};
  RtArray<double> n;
  n.Fill(values, 3);
  n.Sort(0, 2);
  EXPECT_EQ(n.At(0), 1);
  EXPECT_EQ(n.At(2), 3);
}

TEST(RtArray, SortSurvivesAnInconsistentComparison) {
  RtArray<double> n;
  n.Dim(500);
  for (int i = 0; i < 500; ++i) n.At(i) = (i * 7919) % 500;
  int calls = 0;
  n.Sort(0, 499, [&](double, double) { return (++calls % 3) - 1.0; });
  n.Sort(0, 499);
  for (int i = 1; i < 500; ++i) EXPECT_LE(n.At(i - 1), n.At(i));
}

// The access failures end the program: run them in a child process.
TEST(RtArrayDeathTest, OutOfBoundsReportsAndEndsWithError9) {
  auto oneIndex = [] {
    RtArray<double> a;
    a.Dim(10);
    a.At(12) = 1;
  };
  EXPECT_EXIT(oneIndex(), testing::ExitedWithCode(0), "bounds: \\[  10\\]\naccess: \\[  12\\]\n");

  auto wrapped = [] {
    RtArray<double> a;
    a.Dim(5);
    a.At(-6) = 1;
  };
  EXPECT_EXIT(wrapped(), testing::ExitedWithCode(0), "access: \\[  -1\\]");

  auto twoDims = [] {
    RtArray<double> a;
    a.Dim(3, 4);
    a.At(1, 4) = 1;
  };
  EXPECT_EXIT(twoDims(), testing::ExitedWithCode(0),
              "(bounds: \\[   3\\]\\[   4\\]\naccess: \\[   1\\]\\[   4\\]\n){3}");

  auto unusedDimension = [] {
    RtArray<double> a;
    a.Dim(3);
    a.At(0, 1) = 1;  // a dimension of size 0 only takes index 0
  };
  EXPECT_EXIT(unusedDimension(), testing::ExitedWithCode(0), "bounds: \\[   3\\]");

  auto noStorage = [] {
    RtArray<RtString> a;
    a.At(0) = "x";
  };
  EXPECT_EXIT(noStorage(), testing::ExitedWithCode(0), "bounds: \n");
}

TEST(RtArrayDeathTest, ErrorCodesOfFatalArrayErrors) {
  // The error code is visible through the debug-mode end lines of the log.
  auto push2d = [] {
    orv::Rt().settings.debugMode = 1;
    RtArray<RtString> a;
    a.Dim(2, 2);
    a.Push("x");
  };
  const std::string log = orvtest::PrivateDir() + "/ErrorLog.txt";
  std::remove(log.c_str());
  EXPECT_EXIT(push2d(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(orvtest::ReadFile(log), "-End On Line\n8\n-1\n0\n0\n");
  std::remove(log.c_str());
  auto bounds = [] {
    orv::Rt().settings.debugMode = 1;
    RtArray<double> a;
    a.Dim(1);
    a.At(1) = 0;
  };
  EXPECT_EXIT(bounds(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(orvtest::ReadFile(log), "-End On Line\n9\n-1\n0\n0\n");
}

}  // namespace
