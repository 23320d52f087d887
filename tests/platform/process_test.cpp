// Command lines: split by quoting only, and joined so they split back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace {

using Args = std::vector<std::string>;
using orv::platform::JoinCommandLine;
using orv::platform::SplitCommandLine;

TEST(CommandLine, SplitsOnBlanksAndGroupsQuotedParts) {
  EXPECT_EQ(SplitCommandLine("  prog   a\tb  "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("prog \"two words\" x\"y z\"w \"\""), (Args{"prog", "two words", "xy zw", ""}));
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine("   "), Args{});
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(SplitCommandLine("a \"b c"), (Args{"a", "b c"}));
}

TEST(CommandLine, BackslashesCountOnlyBeforeAQuote) {
  EXPECT_EQ(SplitCommandLine(R"(C:\dir\file a\\b)"), (Args{R"(C:\dir\file)", R"(a\\b)"}));
  EXPECT_EQ(SplitCommandLine(R"(say \"hi\")"), (Args{"say", "\"hi\""}));
  EXPECT_EQ(SplitCommandLine(R"("end\\" next)"), (Args{"end\\", "next"}));
  EXPECT_EQ(SplitCommandLine(R"(a\\\"b)"), (Args{"a\\\"b"}));
}

TEST(CommandLine, ShellCharactersAreOrdinaryText) {
  EXPECT_EQ(SplitCommandLine("true; touch x $(id) `id` | cat > y 'q r'"),
            (Args{"true;", "touch", "x", "$(id)", "`id`", "|", "cat", ">", "y", "'q", "r'"}));
}

TEST(CommandLine, JoinedArgumentsSplitBackUnchanged) {
  const std::vector<Args> cases = {
      {"prog"},
      {"prog", "", "a b", "tab\there"},
      {"say \"hi\"", "\"", "\\", "end\\", "a\\\\\"b\\", "C:\\dir with space\\"},
      {"caf\xe9", "$(x)", ";", "'"},
  };
  for (const Args& args : cases) EXPECT_EQ(SplitCommandLine(JoinCommandLine(args)), args) << JoinCommandLine(args);
  // Arguments without blanks or quotes are left as they are.
  EXPECT_EQ(JoinCommandLine({"/bin/prog", "-x", "C:\\dir\\"}), "/bin/prog -x C:\\dir\\");
}

}  // namespace
