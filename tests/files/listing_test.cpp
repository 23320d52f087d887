// Directory listing order and the wildcard rule.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "orvane/files.h"
#include "files_test_support.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> Listed(const RtArray<RtString>& names) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < names.Size(0); ++i) out.emplace_back(names.At(i).CStr());
  return out;
}

class Listing : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir("list", 0755), 0);
    ASSERT_EQ(SetCurrentDir("list"), 1);
  }
  void TearDown() override { ASSERT_EQ(chdir(filestest::Here().c_str()), 0); }
};

TEST_F(Listing, FoldersFirstThenMatchingFilesEachSortedIgnoringCase) {
  mkdir("b", 0755);
  mkdir("A", 0755);
  for (const char* f : {"z.TXT", "x.txt", "y.png", "README"}) orvtest::WriteFile(f, "");
  RtArray<RtString> names;
  EXPECT_EQ(ListDirectory("*.txt", names), 4 * 65536 + 2);
  EXPECT_EQ(Listed(names), (std::vector<std::string>{".", "..", "A", "b", "x.txt", "z.TXT"}));
  EXPECT_EQ(ListDirectory("*.*", names), 4 * 65536 + 4);
  EXPECT_EQ(Listed(names).back(), "z.TXT");
  EXPECT_EQ(Listed(names)[4], "README");  // no extension, still listed by "*.*"
  EXPECT_EQ(ListDirectory("nothing", names), 4 * 65536);
}

TEST_F(Listing, LinksCountAsWhatTheyPointAt) {
  mkdir("real", 0755);
  ASSERT_EQ(symlink("real", "linkdir"), 0);
  ASSERT_EQ(symlink("missing-target", "dangling"), 0);
  RtArray<RtString> names;
  EXPECT_EQ(ListDirectory("*", names), 4 * 65536 + 1);
  EXPECT_EQ(Listed(names), (std::vector<std::string>{".", "..", "linkdir", "real", "dangling"}));
}

// Lists the current folder in a child process, as an unprivileged user when
// run as root (root reads every folder), and exits 0 when the listing was
// empty with the result 0.
int ListsNothingInChild() {
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    RtArray<RtString> names;
    double result = ListDirectory("*.*", names);
    _exit(result == 0 && names.Size(0) == 0 ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(Listing, AFolderThatCannotBeReadListsNothing) {
  ASSERT_EQ(mkdir("closed", 0755), 0);
  orvtest::WriteFile("closed/file.txt", "");
  ASSERT_EQ(SetCurrentDir("closed"), 1);
  // The folders above must not be what stops the unprivileged child.
  for (const std::string& dir : {orvtest::PrivateDir(), filestest::Here(), filestest::Here() + "/list"})
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  EXPECT_EQ(ListsNothingInChild(), 1);  // readable: the child does see entries
  ASSERT_EQ(chmod(".", 0111), 0);       // can be entered, not read
  EXPECT_EQ(ListsNothingInChild(), 0);
  chmod(".", 0755);
}

TEST_F(Listing, ADeletedCurrentFolderListsNothing) {
  ASSERT_EQ(mkdir("gone", 0755), 0);
  ASSERT_EQ(SetCurrentDir("gone"), 1);
  ASSERT_EQ(rmdir((filestest::Here() + "/list/gone").c_str()), 0);
  RtArray<RtString> names;
  names.Dim(3);
  EXPECT_EQ(ListDirectory("*.*", names), 0);
  EXPECT_EQ(names.Size(0), 0);
}

TEST(Wildcards, StarQuestionMarkAndCase) {
  struct {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "README", true},   {"*.*", "", true},          {"?.png", ".png", false},  {"?.png", "a.png", true},
      {"a?c", "abc", true},      {"a?c", "a.c", false},      {"*.TXT", "notes.txt", true}, {"*", "", true},
      {"", "", true},            {"", "a", false},           {"a*", "a", true},          {"**b", "aab", true},
      {"*ab*cd", "xabyabzcd", true}, {"*ab*cd", "xabycdz", false}, {"a*b*c", "abbbc", true}, {"a*b", "ab.", false},
      {"[a]", "[A]", true},      {"\xC4*", "\xE4x", false},  {"*.txt*", "a.txt", true},  {"abc", "ab", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match ? 1 : 0) << c.pattern << " / " << c.name;
}

}  // namespace
