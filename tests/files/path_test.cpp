// Paths: backslashes, case-insensitive lookup, current and program folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "files/paths.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "files_test_support.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

TEST(Paths, MissingExactNamesAreFoundIgnoringCaseComponentByComponent) {
  ASSERT_EQ(mkdir("Media", 0755), 0);
  ASSERT_EQ(mkdir("Media/Fonts", 0755), 0);
  WriteFile("Media/Fonts/SmalFont.PNG", "png");
  EXPECT_EQ(orv::SystemPath("media/fonts/smalfont.png"), "Media/Fonts/SmalFont.PNG");
  EXPECT_EQ(orv::SystemPath("MEDIA\\FONTS\\SMALFONT.png"), "Media/Fonts/SmalFont.PNG");
  EXPECT_EQ(FileExists("media\\fonts\\SMALFONT.PNG"), 1);
  EXPECT_EQ(IsDirectory("MEDIA/fonts"), 1);
  // A new file keeps its own name inside folders found by case.
  EXPECT_EQ(orv::SystemPath("media/FONTS/New.txt"), "Media/Fonts/New.txt");
  ASSERT_EQ(OpenFileChannel(0, "media/fonts/New.txt", 0), 1);
  CloseFileChannel(0);
  EXPECT_TRUE(orvtest::Exists("Media/Fonts/New.txt"));
  // Nothing below a missing folder is searched.
  EXPECT_EQ(orv::SystemPath("nothere/media/x"), "nothere/media/x");
  // Absolute paths and dot components.
  std::string abs = filestest::Here() + "/MEDIA/./fonts/../Fonts/smalfont.png";
  EXPECT_EQ(ReadFile(orv::SystemPath(abs.c_str())), "png");
}

TEST(Paths, TheExactNameWinsOverOthersThatDifferInCase) {
  WriteFile("data.txt", "lower");
  WriteFile("DATA.TXT", "upper");
  WriteFile("Data.Txt", "mixed");
  EXPECT_EQ(orv::SystemPath("DATA.TXT"), "DATA.TXT");
  EXPECT_EQ(orv::SystemPath("data.txt"), "data.txt");
  EXPECT_EQ(orv::SystemPath("dAtA.tXt"), "DATA.TXT");  // several matches: lowest in byte order
  EXPECT_TRUE(SlashPath("a\\b\\c") == "a/b/c");
}

TEST(Paths, CurrentTemporaryAndProgramFolders) {
  RtString cwd = GetCurrentDir();
  EXPECT_TRUE(cwd == (filestest::Here() + "/").c_str()) << cwd.CStr();
  ASSERT_EQ(mkdir("Inner", 0755), 0);
  EXPECT_EQ(SetCurrentDir("inner"), 1);
  EXPECT_TRUE(GetCurrentDir() == (filestest::Here() + "/Inner/").c_str());
  EXPECT_EQ(SetCurrentDir(".."), 1);
  ClearError();
  EXPECT_EQ(SetCurrentDir("no-such-folder"), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_TRUE(GetTempDir() == (filestest::Here() + "/").c_str());

  RtString program = GetProgramPath();
  std::string p = program.CStr();
  EXPECT_EQ(p.substr(p.rfind('/') + 1), "test_files");
  EXPECT_TRUE(GetProgramDir() == p.substr(0, p.rfind('/')).c_str());
}

}  // namespace
