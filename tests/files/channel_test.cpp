// File channels: typed values, lines, seeking, memory files and the game's
// channel commands, including the failures that end the program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/atomic_write.h"
#include "files/file_channel.h"
#include "files/files_lifecycle.h"
#include "files/mem_name.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/runtime_state.h"
#include "files_test_support.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;
using orvtest::WriteFile;

std::string LogPath() { return filestest::Here() + "/ErrorLog.txt"; }

// Runs `body` in a child that must end the program in order (exit code 0)
// with `code` as the last error, as the end-of-program report shows.
template <class F>
void ExpectEndsWithError(F body, int code) {
  std::remove(LogPath().c_str());
  EXPECT_EXIT(
      {
        orv::Rt().settings.debugMode = 1;
        body();
        std::exit(99);  // not reached when the program ends
      },
      testing::ExitedWithCode(0), "");
  std::string log = ReadFile(LogPath());
  EXPECT_EQ(log.substr(0, log.find('\n', 14) + 1), "-End On Line\n" + std::to_string(code) + "\n") << log;
}

std::shared_ptr<const orv::MemBlock> Block(const std::string& bytes) {
  return std::make_shared<const orv::MemBlock>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

class GameChannels : public testing::Test {
 protected:
  void TearDown() override { orv::CloseAllFileChannels(); }
};

TEST_F(GameChannels, TypedValuesRoundTripLittleEndian) {
  ASSERT_EQ(OpenFileChannel(0, "values.bin", 0), 1);
  EXPECT_EQ(EndOfFile(0), 1);  // a file opened for writing is at its end
  FileWriteByte(0, -2);
  FileWriteUByte(0, 200);
  FileWriteShort(0, -300);
  FileWriteUShort(0, 60000);
  FileWriteInt(0, -70000);
  EXPECT_EQ(FilePosition(0), 10);
  FileWriteUInt(0, 4000000000.0);
  FileWriteDouble(0, 0.1);
  FileWriteFloat(0, 0.1);
  FileWriteText(0, "abc");
  FileWriteLine(0, "line");
  CloseFileChannel(0);

  std::string bytes = ReadFile("values.bin");
  ASSERT_EQ(bytes.size(), 10u + 4 + 8 + 4 + 3 + 6);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFE\xC8\xD4\xFE", 4));  // -2, 200, -300 low first
  EXPECT_EQ(bytes.substr(bytes.size() - 9), "abcline\r\n");

  ASSERT_EQ(OpenFileChannel(1, "values.bin", 1), 1);
  EXPECT_EQ(FileReadByte(1), -2);
  EXPECT_EQ(FileReadUByte(1), 200);
  EXPECT_EQ(FileReadShort(1), -300);
  EXPECT_EQ(FileReadUShort(1), 60000);
  EXPECT_EQ(FileReadInt(1), -70000);
  EXPECT_EQ(FileReadUInt(1), static_cast<int32_t>(4000000000u));  // the 32-bit pattern
  EXPECT_EQ(FileReadDouble(1), 0.1);
  EXPECT_EQ(FileReadFloat(1), static_cast<double>(0.1f));
  EXPECT_TRUE(FileReadText(1, 3) == "abc");
  EXPECT_TRUE(FileReadText(1, 0) == "");
  EXPECT_TRUE(FileReadLine(1) == "line");
  EXPECT_EQ(EndOfFile(1), 1);
}

TEST_F(GameChannels, SeekOriginsAndAppend) {
  WriteFile("seek.bin", std::string("\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00", 12));
  ASSERT_EQ(OpenFileChannel(2, "seek.bin", 1), 1);
  EXPECT_EQ(FileSeek(2, -4, -1), 1);
  EXPECT_EQ(FilePosition(2), 8);
  EXPECT_EQ(FileReadInt(2), 3);
  EXPECT_EQ(FileSeek(2, 4, 0), 1);
  EXPECT_EQ(FileSeek(2, 4, 1), 1);
  EXPECT_EQ(FilePosition(2), 8);
  EXPECT_EQ(FileSeek(2, -100, 1), 0);  // before the start: refused, position kept
  EXPECT_EQ(FilePosition(2), 8);
  CloseFileChannel(2);

  ASSERT_EQ(OpenFileChannel(2, "seek.bin", -1), 1);
  FileWriteInt(2, 4);
  CloseFileChannel(2);
  EXPECT_EQ(ReadFile("seek.bin").size(), 16u);

  ASSERT_EQ(OpenFileChannel(2, "seek.bin", 0), 1);  // writing starts a new file
  CloseFileChannel(2);
  EXPECT_EQ(ReadFile("seek.bin"), "");
}

TEST_F(GameChannels, WritesGoThroughLinksToRegularFilesOnly) {
  // Through a link the file it points at is written, keeping its
  // permissions; the link stays. A link to nothing makes its file.
  WriteFile("target.sav", "old contents");
  ASSERT_EQ(chmod("target.sav", 0640), 0);
  ASSERT_EQ(symlink("target.sav", "link.sav"), 0);
  ASSERT_EQ(symlink("sub/../made.sav", "dangling.sav"), 0);
  ASSERT_EQ(mkdir("sub", 0755), 0);
  const struct {
    const char* name;
    double mode;
    const char* written;
    const char* file;
    const char* expected;
  } writes[] = {{"link.sav", 0, "new", "target.sav", "new"},
                {"link.sav", -1, "+more", "target.sav", "new+more"},
                {"dangling.sav", 0, "made", "made.sav", "made"}};
  for (const auto& w : writes) {
    ASSERT_EQ(OpenFileChannel(0, w.name, w.mode), 1) << w.name;
    FileWriteText(0, w.written);
    CloseFileChannel(0);
    struct stat st;
    ASSERT_EQ(lstat(w.name, &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << w.name;
    EXPECT_EQ(ReadFile(w.file), w.expected);
  }
  struct stat st;
  ASSERT_EQ(stat("target.sav", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A pipe, directly or through a link, is no file to write: refused at
  // once (a pipe without a reader would block) and left where it is.
  ASSERT_EQ(mkfifo("pipe", 0644), 0);
  ASSERT_EQ(symlink("pipe", "pipe.link"), 0);
  for (const char* name : {"pipe", "pipe.link"}) {
    for (double mode : {0.0, -1.0}) {
      ClearError();
      EXPECT_EQ(OpenFileChannel(0, name, mode), 0) << name << " " << mode;
      EXPECT_EQ(ErrorCode(), 3);
      EXPECT_EQ(FreeFileChannel(), 0);
    }
    EXPECT_FALSE(orv::ReplaceFileContents(name, "x", 1));  // nor do settings saves replace it
  }
  ASSERT_EQ(lstat("pipe", &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(lstat("pipe.link", &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(GameChannels, AFileHeldByAChannelCannotBeOpenedByAnother) {
  WriteFile("held.bin", "data");
  for (double holder : {1.0, 0.0, -1.0}) {
    ASSERT_EQ(OpenFileChannel(0, "held.bin", holder), 1) << holder;
    for (double second : {1.0, 0.0, -1.0}) {
      ClearError();
      EXPECT_EQ(OpenFileChannel(1, "held.bin", second), 0) << holder << " then " << second;
      EXPECT_EQ(ErrorCode(), 3);
      EXPECT_EQ(FreeFileChannel(), 1);  // the failed channel is left closed
    }
    FileWriteText(0, holder == 1.0 ? RtString() : RtString("data"));  // a writer must not have lost it
    CloseFileChannel(0);
    EXPECT_EQ(ReadFile("held.bin"), "data" + std::string(holder < 0 ? "data" : ""));
    WriteFile("held.bin", "data");
    ASSERT_EQ(OpenFileChannel(1, "held.bin", 1), 1);  // free again once closed
    CloseFileChannel(1);
  }
}

TEST_F(GameChannels, FreeChannelCountsMemoryFilesAndBadNumbersAreRefused) {
  EXPECT_EQ(FreeFileChannel(), 0);
  ASSERT_EQ(OpenFileChannel(0, "a.bin", 0), 1);
  auto block = Block("xyz");
  RtString mem = orv::MemName(block);
  ASSERT_EQ(OpenFileChannel(1, mem, 1), 1);
  EXPECT_EQ(FreeFileChannel(), 2);
  EXPECT_EQ(FileSize(mem), 3);
  EXPECT_TRUE(FileReadText(1, 10) == "xyz");  // a memory read is cut to what is left

  EXPECT_EQ(OpenFileChannel(8, "a.bin", 0), 0);
  EXPECT_EQ(ErrorCode(), 7);
  EXPECT_EQ(OpenFileChannel(-1, "a.bin", 0), 0);
  EXPECT_EQ(EndOfFile(123456), 1);  // never reads outside the channel table
  EXPECT_EQ(OpenFileChannel(3, "no/such/folder/x.bin", 0), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(OpenFileChannel(3, "missing.bin", 1), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(OpenFileChannel(3, mem, 0), 0);  // memory files cannot be written
  EXPECT_EQ(OpenFileChannel(3, mem, -1), 0);
  for (int i = 2; i < 8; ++i) ASSERT_EQ(OpenFileChannel(i, "b" + RtString(i), 0), 1);
  EXPECT_EQ(FreeFileChannel(), -1);
}

TEST(FileChannel, MemoryReadsAreCutDiskReadsMustBeWhole) {
  orv::FileChannel mem;
  ASSERT_TRUE(mem.OpenMemory(Block("\x11\x22\x33\x44\x55\x66")));
  ASSERT_TRUE(mem.Seek(4, 0));
  uint8_t v[4] = {0, 0, 0, 0};
  int64_t got = -1;
  EXPECT_TRUE(mem.Read(v, 4, &got));  // 2 bytes left: copies 2, succeeds
  EXPECT_EQ(got, 2);
  EXPECT_EQ(v[0], 0x55);
  EXPECT_EQ(v[2], 0);
  EXPECT_TRUE(mem.Read(v, 4, &got));  // at the very end: nothing, still fine
  EXPECT_EQ(got, 0);
  EXPECT_FALSE(mem.Seek(7, 0));
  EXPECT_FALSE(mem.Seek(-1, 0));
  EXPECT_EQ(mem.Position(), 6);

  WriteFile("six.bin", "123456");
  orv::FileChannel disk;
  ASSERT_TRUE(disk.OpenRead("six.bin"));
  ASSERT_TRUE(disk.Seek(4, 0));
  EXPECT_FALSE(disk.Read(v, 4));
  EXPECT_FALSE(disk.OpenRead("."));  // a directory is not a file
  EXPECT_FALSE(disk.OpenRead(""));
  EXPECT_FALSE(disk.IsOpen());
}

// The same bytes give the same lines from disk and from memory.
// Every line of the bytes, read with ReadLine(capacity), or with
// ReadWholeLine(keep = -capacity) for a negative capacity.
std::vector<std::string> Lines(const std::string& bytes, bool fromDisk, int capacity) {
  orv::FileChannel c;
  if (fromDisk) {
    WriteFile("lines.txt", bytes);
    EXPECT_TRUE(c.OpenRead("lines.txt"));
  } else {
    EXPECT_TRUE(c.OpenMemory(Block(bytes)));
  }
  std::vector<std::string> lines;
  RtString line;
  while (capacity > 0 ? c.ReadLine(line, capacity) : c.ReadWholeLine(line, -capacity))
    lines.emplace_back(line.CStr(), static_cast<size_t>(line.Length()));
  return lines;
}

TEST(FileChannel, ReadLineRulesAreTheSameOnDiskAndInMemory) {
  std::string longLine(2000, 'x');
  std::string exact64(64, 'y');
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {longLine + "\r\nend", {std::string(1024, 'x'), std::string(976, 'x'), "end"}},
      {"a\r\n\nb\r\r\nc", {"a", "", "b\r", "c"}},
      {"last\r", {"last"}},
      {exact64, {exact64}},  // a final line filling whole chunks is not lost
      {exact64 + "\n" + exact64 + "\r\n", {exact64, exact64}},
      {"", {}},
      {"\n", {""}},
      {std::string(1024, 'z') + "\n", {std::string(1024, 'z'), ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(c.bytes, true, 1024), c.lines) << c.bytes.substr(0, 40);
    EXPECT_EQ(Lines(c.bytes, false, 1024), c.lines) << c.bytes.substr(0, 40);
  }
  std::string odd = "12345\r67890\r\n";
  EXPECT_EQ(Lines(odd, true, 6), Lines(odd, false, 6));
}

TEST(FileChannel, WholeLinesAreCutNeverSplit) {
  const std::string x1022(1022, 'x'), x1023(1023, 'x');
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {x1022 + "\r\nnext", {x1022, "next"}},  // the line end fits behind the kept bytes
      {x1023 + "\r\nnext\r\n", {x1023, "next"}},
      {x1023 + "x\r\nnext", {x1023, "next"}},
      {std::string(5000, 'x') + "\r\n\r\nnext", {x1023, "", "next"}},
      {x1023 + "\r", {x1023}},
      {x1023 + "\r\r\n", {x1023}},
      {"a\r\n\nb\r\r\nc", {"a", "", "b\r", "c"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(c.bytes, true, -1023), c.lines) << c.bytes.size();
    EXPECT_EQ(Lines(c.bytes, false, -1023), c.lines) << c.bytes.size();
  }
  orv::FileChannel c;
  WriteFile("pos.txt", std::string(3000, 'p') + "\nrest");
  ASSERT_TRUE(c.OpenRead("pos.txt"));
  RtString line;
  ASSERT_TRUE(c.ReadWholeLine(line, 10));
  EXPECT_EQ(c.Position(), 3001);
  char byte = 0;
  ASSERT_TRUE(c.Read(&byte, 1));
  EXPECT_EQ(byte, 'r');
}

TEST(FileChannel, PositionFollowsLinesOnDisk) {
  WriteFile("pos.txt", "ab\r\ncd\nef");
  orv::FileChannel c;
  ASSERT_TRUE(c.OpenRead("pos.txt"));
  RtString line;
  ASSERT_TRUE(c.ReadLine(line, 1024));
  EXPECT_EQ(c.Position(), 4);
  char byte = 0;
  ASSERT_TRUE(c.Read(&byte, 1));
  EXPECT_EQ(byte, 'c');
}

TEST(FileOperations, ExistsSizeDeleteDirectoriesAndCopy) {
  WriteFile("f.txt", "12345");
  EXPECT_EQ(FileExists("f.txt"), 1);
  EXPECT_EQ(IsDirectory("f.txt"), 0);
  EXPECT_EQ(FileSize("f.txt"), 5);
  EXPECT_EQ(FileSize("nope.txt"), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_EQ(MakeDirectory("sub"), 1);
  EXPECT_EQ(MakeDirectory("sub"), 0);
  EXPECT_EQ(IsDirectory("sub"), 1);
  EXPECT_EQ(FileExists("sub"), 0);

  std::string big = std::string(10000, 'q') + "end";  // several 4096-byte blocks
  WriteFile("big.bin", big);
  EXPECT_EQ(FileCopy("big.bin", "sub\\copy.bin"), 1);
  EXPECT_EQ(ReadFile("sub/copy.bin"), big);
  EXPECT_EQ(FileCopy("big.bin", "big.bin"), 1);  // onto itself: content kept
  EXPECT_EQ(ReadFile("big.bin"), big);
  EXPECT_EQ(FileCopy("missing.bin", "never.bin"), 0);
  EXPECT_EQ(ErrorCode(), 3);
  EXPECT_FALSE(orvtest::Exists("never.bin"));

  // A write that fails part way (a full disk; here a file size limit): the
  // copy fails, and its half-written file goes while the link to it stays.
  ASSERT_EQ(symlink("copied.bin", "copy.link"), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{6000, 6000};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(10);
    ClearError();
    if (FileCopy("big.bin", "copy.link") != 0) _exit(11);
    _exit(ErrorCode() == 3 ? 0 : 12);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(orvtest::Exists("copied.bin"));
  struct stat st;
  ASSERT_EQ(lstat("copy.link", &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  EXPECT_EQ(FileDelete("f.txt"), 1);
  EXPECT_EQ(FileDelete("f.txt"), 0);
  EXPECT_EQ(FileExists("f.txt"), 0);
}

TEST(FileChannelDeathTest, FailedReadsWritesAndBadChannelsEndTheProgram) {
  WriteFile("two.bin", "ab");
  ExpectEndsWithError([] {
    OpenFileChannel(0, "two.bin", 1);
    FileReadInt(0);  // 2 bytes on disk: the read fails
  }, 3);
  ExpectEndsWithError([] { FileReadByte(8); }, 7);
  ExpectEndsWithError([] { FilePosition(-1); }, 7);
  ExpectEndsWithError([] { FileSeek(9, 0, 0); }, 7);
  ExpectEndsWithError([] { CloseFileChannel(8); }, 7);
  ExpectEndsWithError([] { FileWriteInt(5, 1); }, 3);  // channel 5 is not open
  ExpectEndsWithError([] {
    OpenFileChannel(0, "two.bin", 1);
    FileReadLine(0);
    FileReadLine(0);  // past the end
  }, 3);
  ExpectEndsWithError([] {
    OpenFileChannel(0, "two.bin", 1);
    FileReadText(0, 1e9);  // more than the file holds: fails without allocating it
  }, 3);
  // A file past 4 GiB (sparse, so it costs nothing): a count above what a
  // text can hold is refused, not narrowed to its low 32 bits.
  int fd = open("huge.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, (int64_t{1} << 32) + 100), 0);
  close(fd);
  ExpectEndsWithError([] {
    OpenFileChannel(0, "huge.bin", 1);
    FileReadText(0, 4294967296.0 + 10);
  }, 3);
  ASSERT_EQ(OpenFileChannel(0, "huge.bin", 1), 1);
  ASSERT_EQ(FileSeek(0, 4294967296.0 + 90, 0), 1);
  EXPECT_EQ(FileReadText(0, 10), RtString(std::string(10, '\0').data(), 10));
  CloseFileChannel(0);
}

}  // namespace
