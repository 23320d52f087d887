// Settings and line files never lose what is on disk: a file that cannot be
// read is not written over, a folder that takes no new files still gets its
// files saved in place, and a save that cannot happen at all says so in the
// error log. Permission checks run as an unprivileged user, also under root.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "files/files_lifecycle.h"
#include "files_test_support.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Changes both stores' files in the folder and writes them back.
int ChangeBothStores(const char* ini, const char* lines) {
  IniOpen(ini);
  IniPut("a", "k", "2");
  IniOpen("");
  WriteFileLine(lines, 0, "new");
  orv::FlushLineFile();
  return 0;
}

TEST(StoreSafety, AFolderThatTakesNoNewFilesStillGetsItsFilesSaved) {
  filestest::OpenTestFolderToTestUser();
  ASSERT_EQ(mkdir("ro", 0755), 0);
  WriteFile("ro/s.ini", "[a]\r\nk=1\r\n");
  WriteFile("ro/l.txt", "old\r\nkeep\r\n");
  for (const char* path : {"ro", "ro/s.ini", "ro/l.txt"}) filestest::GiveToTestUser(path);
  ASSERT_EQ(chmod("ro", 0555), 0);

  EXPECT_EQ(filestest::RunUnprivileged([] { return ChangeBothStores("ro/s.ini", "ro/l.txt"); }), 0);
  EXPECT_EQ(ReadFile("ro/s.ini"), "[a]\r\nk=2\r\n");
  EXPECT_EQ(ReadFile("ro/l.txt"), "new\r\nkeep\r\n");
  EXPECT_EQ(CountOf(ReadFile("ErrorLog.txt"), "cannot save"), 0);

  // Neither a new file nor a rewrite: nothing changes, and the log says so once per save.
  WriteFile("ro/s.ini", "[a]\r\nk=1\r\n");
  WriteFile("ro/l.txt", "old\r\n");
  ASSERT_EQ(chmod("ro/s.ini", 0444), 0);
  ASSERT_EQ(chmod("ro/l.txt", 0444), 0);
  EXPECT_EQ(filestest::RunUnprivileged([] { return ChangeBothStores("ro/s.ini", "ro/l.txt"); }), 0);
  EXPECT_EQ(ReadFile("ro/s.ini"), "[a]\r\nk=1\r\n");
  EXPECT_EQ(ReadFile("ro/l.txt"), "old\r\n");
  std::string log = ReadFile("ErrorLog.txt");
  EXPECT_EQ(CountOf(log, "cannot save ro/s.ini\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "cannot save ro/l.txt\n"), 1) << log;
  chmod("ro", 0755);
}

TEST(StoreSafety, AFileThatCannotBeReadIsAnErrorAndNeverWrittenOver) {
  filestest::OpenTestFolderToTestUser();
  WriteFile("secret.ini", "[a]\r\nk=1\r\n");
  WriteFile("secret.txt", "line\r\n");
  for (const char* path : {"secret.ini", "secret.txt"}) {
    filestest::GiveToTestUser(path);
    ASSERT_EQ(chmod(path, 0200), 0);  // may be written, not read
  }
  int code = filestest::RunUnprivileged([] {
    ClearError();
    IniOpen("secret.ini");
    if (ErrorCode() != 3) return 1;
    if (!(IniGet("a", "k", "none") == "none")) return 2;
    IniPut("a", "k", "2");
    IniOpen("");
    RtString out;
    ReadFileLine("secret.txt", 0, out);
    if (!(out == "NO_FILE") || ErrorCode() != 3) return 3;
    WriteFileLine("secret.txt", 1, "new");
    if (ErrorCode() != 3) return 4;
    orv::FlushLineFile();
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile("secret.ini"), "[a]\r\nk=1\r\n");
  EXPECT_EQ(ReadFile("secret.txt"), "line\r\n");

  // A folder where a file is expected cannot be read either.
  ASSERT_EQ(mkdir("folder.txt", 0755), 0);
  RtString out;
  ReadFileLine("folder.txt", 0, out);
  EXPECT_TRUE(out == "NO_FILE");
  EXPECT_EQ(ErrorCode(), 3);
  WriteFileLine("folder.txt", 0, "x");
  EXPECT_EQ(ErrorCode(), 3);
  ASSERT_EQ(mkdir("folder.ini", 0755), 0);
  ClearError();
  IniOpen("folder.ini");
  EXPECT_EQ(ErrorCode(), 3);
}

}  // namespace
