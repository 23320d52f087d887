// Saves survive a kill at any moment: a file channel, an INI file and a
// line file hold either the old or the new content, never a mixture or
// nothing; their new content is on the disk before it takes the old one's
// name, and the folder after; the previous version stays as NAME.bak and is
// read when the save itself cannot be.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/atomic_write.h"
#include "files/ini_file.h"
#include "files/save_backup.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/lib/line_file.h"
#include "save_torture.h"
#include "support/test_support.h"

// The file system calls the writer makes, seen where it makes them: this
// program's own fsync, fdatasync and rename stand in front of the C
// library's, note each call while `g_noting` is set, and pass it on. Files
// are told apart by inode (a new version has no name while it is written),
// folders by path.
bool g_noting = false;
std::vector<std::string> g_calls;

std::string BareName(std::string path) { return path.substr(path.rfind('/') + 1); }

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void NoteSync(int fd) {
  if (!g_noting) return;
  struct stat st;
  if (fstat(fd, &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    char path[4096];
    ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    g_calls.push_back("sync folder " + BareName(std::string(path, n > 0 ? static_cast<size_t>(n) : 0)));
  } else {
    g_calls.push_back("sync " + std::to_string(st.st_ino));
  }
}

extern "C" int fsync(int fd) {
  NoteSync(fd);
  return Next<int (*)(int)>("fsync")(fd);
}
extern "C" int fdatasync(int fd) {
  NoteSync(fd);
  return Next<int (*)(int)>("fdatasync")(fd);
}
extern "C" int rename(const char* from, const char* to) noexcept {
  struct stat st;
  if (g_noting && stat(from, &st) == 0) g_calls.push_back("rename " + std::to_string(st.st_ino) + " " + BareName(to));
  return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

TEST(Durability, SavesReachTheDiskBeforeTheyReplaceTheOldFileAndTheFolderAfter) {
  ASSERT_EQ(mkdir("saves", 0755), 0);
  WriteFile("saves/durable.bin", "old");
  WriteFile("saves/durable.ini", "[s]\r\nk=old\r\n");
  WriteFile("saves/durable.txt", "old\r\n");
  g_calls.clear();
  g_noting = true;
  ASSERT_EQ(OpenFileChannel(0, "saves/durable.bin", 0), 1);
  FileWriteText(0, "new");
  CloseFileChannel(0);
  IniOpen("saves/durable.ini");
  IniPut("s", "k", "new");
  IniOpen("");
  WriteFileLine("saves/durable.txt", 0, "new");
  orv::FlushLineFile();
  g_noting = false;
  const std::string here = testing::PrintToString(g_calls);
  for (const std::string target : {"durable.bin", "durable.ini", "durable.txt"}) {
    // The one rename onto the file, of a file synced before it, and the
    // folder synced after it.
    std::vector<size_t> renames;
    for (size_t i = 0; i < g_calls.size(); ++i)
      if (g_calls[i].rfind("rename ", 0) == 0 && g_calls[i].ends_with(" " + target)) renames.push_back(i);
    ASSERT_EQ(renames.size(), 1u) << target << here;
    const std::string& rename = g_calls[renames[0]];
    const std::string inode = rename.substr(7, rename.size() - 7 - target.size() - 1);
    const auto begin = g_calls.begin();
    EXPECT_LT(std::find(begin, g_calls.end(), "sync " + inode) - begin, static_cast<ptrdiff_t>(renames[0])) << here;
    EXPECT_NE(std::find(begin + static_cast<ptrdiff_t>(renames[0]), g_calls.end(), "sync folder saves"), g_calls.end())
        << target << here;
  }
  EXPECT_EQ(ReadFile("saves/durable.bin"), "new");
  EXPECT_EQ(ReadFile("saves/durable.ini"), "[s]\r\nk=new\r\n");
  EXPECT_EQ(ReadFile("saves/durable.txt"), "new\r\n");
}

TEST(Durability, AWriteChannelReplacesItsFileOnlyWhenItClosesAndKeepsTheOldOneAsBackup) {
  WriteFile("slot.sav", "first");
  ASSERT_EQ(chmod("slot.sav", 0640), 0);
  // While the channel writes, every reader sees the old file.
  ASSERT_EQ(OpenFileChannel(0, "slot.sav", 0), 1);
  FileWriteText(0, "second");
  EXPECT_EQ(ReadFile("slot.sav"), "first");
  EXPECT_EQ(FileSize("slot.sav"), 5);
  CloseFileChannel(0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(ReadFile("slot.sav"), "second");
  EXPECT_EQ(ReadFile("slot.sav.bak"), "first");
  struct stat st;
  ASSERT_EQ(stat("slot.sav", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // One generation: the next save moves the backup on.
  ASSERT_EQ(OpenFileChannel(0, "slot.sav", 0), 1);
  FileWriteText(0, "third");
  CloseFileChannel(0);
  EXPECT_EQ(ReadFile("slot.sav.bak"), "second");
  // An unfinished copy is dropped whole: the target keeps what it had.
  WriteFile("copy.sav", "kept");
  ASSERT_EQ(mkdir("folder", 0755), 0);
  EXPECT_EQ(FileCopy("folder", "copy.sav"), 0);  // a folder cannot be read as a file
  EXPECT_EQ(ReadFile("copy.sav"), "kept");
  // Appending changes the file itself, with no backup.
  ASSERT_EQ(OpenFileChannel(0, "copy.sav", -1), 1);
  FileWriteText(0, "+");
  CloseFileChannel(0);
  EXPECT_EQ(ReadFile("copy.sav"), "kept+");
  EXPECT_FALSE(orvtest::Exists("copy.sav.bak"));
  // No temporary file is left beside any of them.
  RtArray<RtString> names;
  EXPECT_EQ(static_cast<int>(ListDirectory("*", names)) % 65536, 3) << ReadFile("ErrorLog.txt");  // slot.sav(.bak), copy.sav
}

TEST(Durability, AMissingOrUnreadableSaveIsReadFromItsBackupUnlessBackupsAreOff) {
  WriteFile("a.sav.bak", "saved\r\n");
  WriteFile("a.ini.bak", "[s]\r\nk=saved\r\n");
  WriteFile("a.txt.bak", "saved\r\n");
  for (bool on : {true, false}) {
    if (!on) setenv("ORVANE_SAVE_BACKUP", "0", 1);
    ASSERT_EQ(OpenFileChannel(0, "a.sav", 1), on ? 1 : 0);
    if (on) {
      EXPECT_TRUE(FileReadLine(0) == "saved");
    }
    CloseFileChannel(0);
    IniOpen("a.ini");
    EXPECT_TRUE(IniGet("s", "k", "none") == (on ? "saved" : "none"));
    IniOpen("");
    RtString line;
    ReadFileLine("a.txt", 0, line);
    EXPECT_TRUE(line == (on ? "saved" : "NO_FILE"));
    orv::FlushLineFile();
  }
  unsetenv("ORVANE_SAVE_BACKUP");
  const std::string log = ReadFile("ErrorLog.txt");
  for (const char* name : {"a.sav", "a.ini", "a.txt"})
    EXPECT_NE(log.find(std::string(name) + " is missing or unreadable: reading "), std::string::npos) << log;
  // A save the game deletes stays deleted: its backup goes with it.
  WriteFile("a.sav", "current");
  EXPECT_EQ(FileDelete("a.sav"), 1);
  EXPECT_FALSE(orvtest::Exists("a.sav.bak"));
  EXPECT_EQ(OpenFileChannel(0, "a.sav", 1), 0);
  // With backups off nothing is kept either.
  setenv("ORVANE_SAVE_BACKUP", "0", 1);
  EXPECT_TRUE(orv::ReplaceFileContents("b.sav", "1", 1, orv::KeepSaveBackups()));
  EXPECT_TRUE(orv::ReplaceFileContents("b.sav", "2", 1, orv::KeepSaveBackups()));
  unsetenv("ORVANE_SAVE_BACKUP");
  EXPECT_FALSE(orvtest::Exists("b.sav.bak"));
}

// Runs `work` over and over in a child, kills it at a random moment twelve
// times, and checks the file after each kill with `valid`.
template <class Work, class Check>
void KillRepeatedly(Work work, Check valid) {
  std::mt19937_64 random(std::random_device{}());
  double cycle = 0;
  for (int round = 0; round < 12; ++round) {
    savetorture::Round r = savetorture::RunAndKill(
        [&](auto report) {
          for (;;) {
            work();
            report('.');
          }
        },
        '.', random, cycle, round % 4 == 0);
    ASSERT_TRUE(r.killed);
    valid();
  }
}

TEST(KillSafety, IniSavesLeaveTheOldOrTheNewFile) {
  // Big values, so a plain rewrite would be caught half-written.
  std::string a(200000, 'a'), b(150000, 'b');
  {
    orv::IniFile ini;
    ini.Load("kill.ini");
    ini.Put("s", "v", a.c_str());
  }  // saved by its destructor
  const std::string textA = "[s]\r\nv=" + a + "\r\n", textB = "[s]\r\nv=" + b + "\r\n";
  ASSERT_EQ(ReadFile("kill.ini"), textA);
  bool flip = false;
  KillRepeatedly(
      [&] {
        IniOpen("kill.ini");
        IniPut("s", "v", (flip = !flip) ? b.c_str() : a.c_str());
        IniOpen("");
      },
      [&] {
        std::string now = ReadFile("kill.ini");
        EXPECT_TRUE(now == textA || now == textB) << now.size();
      });
}

TEST(KillSafety, LineFileWriteBackLeavesTheOldOrTheNewFile) {
  std::string a(1000, 'a'), b(900, 'b');
  std::string textA, textB;
  for (int i = 0; i < 256; ++i) {
    textA += a + "\r\n";
    textB += b + "\r\n";
  }
  ASSERT_TRUE(orv::ReplaceFileContents("kill.txt", textA.data(), textA.size()));
  bool flip = false;
  KillRepeatedly(
      [&] {
        flip = !flip;
        for (int i = 0; i < 256; ++i) WriteFileLine("kill.txt", i, flip ? b.c_str() : a.c_str());
        WriteFileLine("other.txt", 0, "switch");  // writes kill.txt back
      },
      [&] {
        std::string now = ReadFile("kill.txt");
        EXPECT_TRUE(now == textA || now == textB) << now.size();
      });
}

// Two thousand kills of a game saving a channel file, an INI file and a
// line file of random sizes (up to 64 KB) in turn. Runs in memory (tmpfs)
// where there is one: a kill tests what the process leaves, which the disk
// under it does not change, and a flush there costs nothing. Under the
// address sanitizer every fork costs tens of milliseconds: that build checks
// the memory of the save path with a hundred kills.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kKills = 100;
#else
constexpr int kKills = 2000;
#endif

TEST(KillSafety, ChannelIniAndLineSavesSurviveKillsAtRandomMoments) {
  std::string base = orvtest::PrivateDir();
  struct stat st;
  if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0) base = "/dev/shm";
  std::string folder = base + "/orvane-saves-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const uint64_t seed = std::random_device{}();
  std::mt19937_64 random(seed);
  savetorture::Saves saves;
  saves.folder = folder;
  saves.maxBytes = 65536;
  saves.seed = seed;
  const savetorture::Result result = savetorture::Torture(saves, kKills, random);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  EXPECT_EQ(result.problem, "") << "seed " << seed;
  EXPECT_EQ(result.kills, kKills);
  EXPECT_GT(result.savesSeen, kKills);  // the kills came during saves, not before any
  std::printf("%d kills in %.1f s (%s, %.2f ms per round of three saves), %lld whole saves seen, %d temporary "
              "files left by a kill\n",
              kKills, result.seconds, base.c_str(), result.cycleSeconds * 1000, static_cast<long long>(result.savesSeen),
              result.strayFiles);
  RecordProperty("seconds", std::to_string(result.seconds));
}

}  // namespace
