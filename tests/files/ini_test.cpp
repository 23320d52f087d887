// INI files: the line parser's rules, every IniPut case, saving and the
// process-wide store.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "files/files_lifecycle.h"
#include "files/ini_file.h"
#include "files_test_support.h"
#include "orvane/files.h"
#include "runtime/runtime_state.h"

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

std::string Get(const orv::IniFile& ini, const char* section, const char* key) {
  return ini.Get(section, key, "<default>").CStr();
}

TEST(IniParse, LinesSectionsAndValues) {
  WriteFile("parse.ini",
            "top=1\r\n"
            "  ; comment\r\n"
            "[Main] ; trailing comment\r\n"
            "  Name = Player One  \r\n"
            "tabbed=x\t\r\n"
            "spaced  =  y\r\n"
            "noequals\r\n"
            "key value\r\n"
            "empty=\r\n"
            "blank=   \r\n"
            "a=b=c\r\n"
            "[Only Empty]\r\n"
            "x=\r\n"
            "[  Two Words ]\r\n"
            "w=1\r\n"
            "[]\r\n"
            "still=two\r\n"
            "[main]\r\n"
            "name=shadowed\r\n");
  orv::IniFile ini;
  ini.Load("parse.ini");
  EXPECT_EQ(Get(ini, "", "top"), "1");  // entries before any header: a section without name
  EXPECT_EQ(Get(ini, "MAIN", "name"), "Player One  ");  // inner and trailing spaces kept
  EXPECT_EQ(Get(ini, "main", "tabbed"), "x");         // a trailing tab is not
  EXPECT_EQ(Get(ini, "main", "spaced"), "y");
  EXPECT_EQ(Get(ini, "main", "noequals"), "<default>");
  EXPECT_EQ(Get(ini, "main", "key"), "<default>");
  EXPECT_EQ(Get(ini, "main", "empty"), "<default>");
  EXPECT_EQ(Get(ini, "main", "blank"), "<default>");
  EXPECT_EQ(Get(ini, "main", "a"), "b=c");
  EXPECT_EQ(Get(ini, "Only", "x"), "<default>");
  EXPECT_EQ(Get(ini, "Two", "w"), "1");      // a name keeps only its first word
  EXPECT_EQ(Get(ini, "Two", "still"), "<default>");  // in the second "Two": never searched

  std::vector<std::string> names;
  for (const auto& s : ini.Sections()) names.emplace_back(s.name.CStr());
  // "Only Empty" had no entries and is never stored; "[]" names nothing, so
  // the entries after it form a second "Two"; repeated names are all kept.
  EXPECT_EQ(names, (std::vector<std::string>{"", "Main", "Two", "Two", "main"}));
  EXPECT_FALSE(ini.Dirty());
}

TEST(IniPut, EveryCaseOfPut) {
  orv::IniFile ini;
  ini.Load("new.ini");  // missing: empty store that will save to this name
  EXPECT_TRUE(ini.Path() == "new.ini");
  ini.Put("Ghost", "k", "");  // missing key, empty value: the section appears, nothing else
  EXPECT_FALSE(ini.Dirty());
  EXPECT_EQ(Get(ini, "Ghost", "k"), "<default>");
  ini.Put("MAIN", "Volume", "7");
  EXPECT_TRUE(ini.Dirty());
  ini.Put("main", "VOLUME", "8");  // found ignoring case, stored case kept
  ini.Put("main", "gone", "x");
  ini.Put("main", "GONE", "");
  ini.Put("Other", "a", "1");
  ini.Put("other", "", "");  // empty key: the section goes
  ini.Put("nothing", "", "");
  EXPECT_EQ(Get(ini, "main", "volume"), "8");
  EXPECT_TRUE(ini.Save());
  EXPECT_EQ(ReadFile("new.ini"), "[Ghost]\r\n[MAIN]\r\nVolume=8\r\n");
}

// Values of any length come back as they were saved: never cut, and never
// with their rest turned into a key of its own.
TEST(IniFile, LongValuesSurviveSaveAndReload) {
  const std::vector<size_t> lengths = {1017, 1018, 1019, 1020, 1021, 1022, 1023, 1024, 5000};
  // Appended rather than "k" + ...: GCC 12 at -O3 warns falsely (-Wrestrict)
  // about the inlined operator+ of a literal and a temporary string.
  auto key = [](size_t n) { return std::string("k").append(std::to_string(n)); };
  {
    orv::IniFile ini;
    ini.Load("long.ini");
    for (size_t n : lengths) ini.Put("s", key(n).c_str(), std::string(n, 'v').c_str());
    ini.Put("s", "after", "1");
    ASSERT_TRUE(ini.Save());
  }
  for (int cycle = 0; cycle < 2; ++cycle) {
    orv::IniFile ini;
    ini.Load("long.ini");
    ASSERT_EQ(ini.Sections().size(), 1u);
    EXPECT_EQ(ini.Sections()[0].keys.size(), lengths.size() + 1);
    for (size_t n : lengths) EXPECT_EQ(Get(ini, "s", key(n).c_str()), std::string(n, 'v'));
    EXPECT_EQ(Get(ini, "s", "after"), std::to_string(cycle + 1));
    ini.Put("s", "after", std::to_string(cycle + 2).c_str());  // saved when the store goes
  }
}

TEST(IniStore, OpenSavesThePreviousFileAndSavesReplaceAtomically) {
  WriteFile("first.ini", "[s]\r\nk=old\r\n");
  chmod("first.ini", 0640);
  IniOpen("first.ini");
  EXPECT_TRUE(IniGet("S", "K", "d") == "old");
  IniPut("s", "k", "new");
  IniOpen("second.ini");  // saves first.ini
  EXPECT_EQ(ReadFile("first.ini"), "[s]\r\nk=new\r\n");
  struct stat st;
  ASSERT_EQ(stat("first.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
  EXPECT_TRUE(IniGet("s", "k", "d") == "d");
  IniPut("x", "y", "z");
  IniOpen("");  // saves second.ini and leaves no file open
  EXPECT_EQ(ReadFile("second.ini"), "[x]\r\ny=z\r\n");
  IniPut("late", "k", "v");
  IniOpen("");
  orv::FlushFileStores();
  EXPECT_EQ(ReadFile("second.ini"), "[x]\r\ny=z\r\n");  // nothing open: nowhere to save

  // Nothing but the two files and the backup of the one that was replaced:
  // no temporary files are left beside them.
  RtArray<RtString> names;
  EXPECT_EQ(ListDirectory("*.ini*", names), 2 * 65536 + 3);
  EXPECT_EQ(ReadFile("first.ini.bak"), "[s]\r\nk=old\r\n");
}

TEST(IniStore, ADefaultFileFromTheArchiveIsSavedBesideTheProgram) {
  std::string program = filestest::Here() + "/packed";
  WriteFile(program, filestest::Carrier("BIN", {{"settings.ini", "[video]\r\nwidth=800\r\n"}}, true));
  orv::StartAssetLocators(program.c_str());
  IniOpen("settings.ini");
  EXPECT_TRUE(IniGet("video", "width", "0") == "800");
  IniPut("video", "width", "1024");
  orv::FlushFileStores();
  EXPECT_EQ(ReadFile("settings.ini"), "[video]\r\nwidth=1024\r\n");
  IniOpen("settings.ini");  // the file on disk now comes first
  EXPECT_TRUE(IniGet("video", "width", "0") == "1024");
  orv::ReleaseAssetLocators();
}

TEST(IniStore, ADefaultFileFromTheArchiveUnderAFolderIsSavedInThatFolder) {
  std::string program = filestest::Here() + "/packed";
  WriteFile(program, filestest::Carrier("BIN", {{"options.ini", "[sound]\r\nvolume=5\r\n"}}, false));
  orv::StartAssetLocators(program.c_str());
  IniOpen("Media/options.ini");  // a packed game has no Media folder beside it
  EXPECT_TRUE(IniGet("sound", "volume", "0") == "5");
  IniPut("sound", "volume", "9");
  orv::FlushFileStores();
  EXPECT_EQ(ReadFile("Media/options.ini"), "[sound]\r\nvolume=9\r\n");
  IniOpen("media/OPTIONS.ini");  // the saved file comes first from now on
  EXPECT_TRUE(IniGet("sound", "volume", "0") == "9");
  orv::ReleaseAssetLocators();
}

TEST(IniStoreDeathTest, ChangesAreSavedWhenTheProgramEnds) {
  EXPECT_EXIT(
      {
        IniOpen("exit.ini");
        IniPut("a", "b", "c");
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile("exit.ini"), "[a]\r\nb=c\r\n");
}

}  // namespace
