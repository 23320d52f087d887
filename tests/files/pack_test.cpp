// orvane-pack: round trips, refusals and a real program that reads its
// assets from the archive appended to it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "files/archive_format.h"
#include "files_test_support.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadFile;
using orvtest::RunProcess;
using orvtest::WriteFile;

std::string Pack() { return orvtest::BinaryPath("tools/orvane-pack"); }
std::string Dir(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }

uint32_t Fnv1a(const std::string& bytes) {
  uint32_t h = 2166136261u;
  for (unsigned char b : bytes) h = (h ^ b) * 16777619u;
  return h;
}

TEST(Packer, CreateListAndVerifyRoundTrip) {
  mkdir(Dir("in").c_str(), 0755);
  std::string big = filestest::SampleBytes(300000, 3);
  WriteFile(Dir("in/big.bin"), big);
  WriteFile(Dir("in/Empty.txt"), "");
  WriteFile(Dir("in/small.txt"), "small");
  auto r = RunProcess({Pack(), "create", Dir("out.sbx"), Dir("in/big.bin"), Dir("in/Empty.txt"), Dir("in/small.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("[3/3] small.txt"), std::string::npos) << r.out;

  std::string archive = ReadFile(Dir("out.sbx"));
  orv::archive::MemorySource src(reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
  orv::archive::Directory dir;
  ASSERT_EQ(orv::archive::ReadDirectory(src, dir), orv::archive::TrailerStatus::kOk);
  EXPECT_TRUE(dir.fromEnd);  // valid wherever the archive ends up
  ASSERT_EQ(dir.entries.size(), 3u);
  EXPECT_EQ(dir.entries[1].name, "Empty.txt");
  std::vector<uint8_t> out;
  ASSERT_EQ(orv::archive::ReadEntry(src, dir, dir.entries[0], out), orv::archive::EntryStatus::kOk);
  EXPECT_EQ(std::string(out.begin(), out.end()), big);
  EXPECT_LT(dir.entries[0].storedSize, 300000 / 2);  // it really is compressed

  r = RunProcess({Pack(), "list", Dir("out.sbx")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("300000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3 entries"), std::string::npos) << r.out;
  r = RunProcess({Pack(), "verify", Dir("out.sbx")});
  EXPECT_EQ(r.exitCode, 0) << r.err;

  // Comparing with the packed files finds changed bytes; a broken stream
  // is found without them.
  WriteFile(Dir("in/small.txt"), "SMALL");
  r = RunProcess({Pack(), "verify", Dir("out.sbx"), Dir("in/big.bin"), Dir("in/small.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("small.txt: differs"), std::string::npos) << r.err;
  r = RunProcess({Pack(), "verify", Dir("out.sbx"), Dir("in/unknown.txt")});
  EXPECT_EQ(r.exitCode, 1);
  size_t end = static_cast<size_t>(dir.EntryStart(dir.entries[0]) + dir.entries[0].storedSize);
  archive.replace(end - 3, 3, "\xFF\xFF\xFF");  // the stream's end marker
  WriteFile(Dir("bad.sbx"), archive);
  r = RunProcess({Pack(), "verify", Dir("bad.sbx")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("big.bin: compressed data damaged"), std::string::npos) << r.err;
}

TEST(Packer, RefusalsAndUsage) {
  WriteFile(Dir("a.txt"), "a");
  WriteFile(Dir("A.TXT"), "b");
  auto r = RunProcess({Pack(), "create", Dir("x.sbx"), Dir("a.txt"), Dir("A.TXT")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("ignoring case"), std::string::npos) << r.err;
  EXPECT_FALSE(orvtest::Exists(Dir("x.sbx")));

  r = RunProcess({Pack(), "create", Dir("x.sbx"), Dir("a.txt"), Dir("nope.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("nope.txt"), std::string::npos) << r.err;
  EXPECT_FALSE(orvtest::Exists(Dir("x.sbx")));

  WriteFile(Dir("prog"), "#!/bin/sh\n");
  ASSERT_EQ(RunProcess({Pack(), "append", Dir("prog"), Dir("a.txt")}).exitCode, 0);
  std::string once = ReadFile(Dir("prog"));
  r = RunProcess({Pack(), "append", Dir("prog"), Dir("a.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("already"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(Dir("prog")), once);

  r = RunProcess({Pack(), "list", Dir("a.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no archive"), std::string::npos) << r.err;
  EXPECT_EQ(RunProcess({Pack()}).exitCode, 2);
  EXPECT_EQ(RunProcess({Pack(), "append", Dir("prog")}).exitCode, 2);
  EXPECT_EQ(RunProcess({Pack(), "frobnicate"}).exitCode, 2);
  r = RunProcess({Pack(), "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("append [-o OUT] GAME PATH..."), std::string::npos);
}

// A game's Media/ packed as a folder, into a separate output, and what
// stripping does to a packed game: the packer warns before, verify says so after.
TEST(Packer, FoldersOutputFilesAndStripping) {
  for (const char* d : {"Media", "Media/maps", "Media/maps/deep", "Media/.cache", "Empty"}) mkdir(Dir(d).c_str(), 0755);
  WriteFile(Dir("Media/logo.png"), "logo");
  WriteFile(Dir("Media/maps/one.txt"), "one");
  WriteFile(Dir("Media/maps/deep/two.txt"), "two");
  WriteFile(Dir("Media/.cache/one.txt"), "left out, like every name starting with '.'");
  WriteFile(Dir("Media/.keep"), "");
  const std::string program = orvtest::BinaryPath("tests/files/files_asset_game");
  const std::string original = ReadFile(program);
  const std::string strip = "/usr/bin/strip";

  auto r = RunProcess({Pack(), "append", "-o", Dir("packed"), program, Dir("Media")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("[2/3] Media/maps/deep/two.txt"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("is not stripped"), std::string::npos) << r.err;  // a test program keeps its symbols
  EXPECT_EQ(ReadFile(program), original);                               // -o leaves the game as it was
  struct stat st;
  ASSERT_EQ(stat(Dir("packed").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  r = RunProcess({Pack(), "verify", Dir("packed"), Dir("Media/logo.png"), Dir("Media/maps/one.txt"),
                  Dir("Media/maps/deep/two.txt")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("3 entries ok"), std::string::npos) << r.out;

  // Stripped first, packed after: no warning, and the archive survives.
  ASSERT_EQ(RunProcess({strip, "-o", Dir("stripped"), program}).exitCode, 0);
  r = RunProcess({Pack(), "append", "-o", Dir("empty_release"), Dir("stripped"), Dir("Empty")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
  EXPECT_NE(RunProcess({Pack(), "list", Dir("empty_release")}).out.find("0 entries"), std::string::npos);
  // Packed first, stripped after: the archive is gone, and verify says why.
  ASSERT_EQ(RunProcess({strip, Dir("packed")}).exitCode, 0);
  r = RunProcess({Pack(), "verify", Dir("packed")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("stripped after packing"), std::string::npos) << r.err;

  // Two files of one name in different folders are refused before anything is written.
  WriteFile(Dir("Media/maps/deep/LOGO.PNG"), "another logo");
  r = RunProcess({Pack(), "append", "-o", Dir("twice"), Dir("stripped"), Dir("Media")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("'Media/logo.png' and 'Media/maps/deep/LOGO.PNG'"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(orvtest::Exists(Dir("twice")));
}

TEST(Packer, AProgramReadsItsAppendedAssetsWithNoFilesBesideIt) {
  mkdir(Dir("assets").c_str(), 0755);
  std::string font = filestest::SampleBytes(40000, 9);
  WriteFile(Dir("assets/SMALFONT.PNG"), font);
  WriteFile(Dir("assets/greeting.txt"), "hello\r\nworld\r\n");
  WriteFile(Dir("assets/settings.ini"), "[player]\r\nName=Ada\r\n");
  WriteFile(Dir("assets/scores.txt"), "100\r\n250\r\n");

  mkdir(Dir("release").c_str(), 0755);
  std::string game = Dir("release/game");
  WriteFile(game, ReadFile(orvtest::BinaryPath("tests/files/files_asset_game")));
  chmod(game.c_str(), 0755);
  auto r = RunProcess({Pack(), "append", game, Dir("assets/SMALFONT.PNG"), Dir("assets/greeting.txt"),
                       Dir("assets/settings.ini"), Dir("assets/scores.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  struct stat st;
  ASSERT_EQ(stat(game.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);  // still a program

  mkdir(Dir("elsewhere").c_str(), 0755);
  orvtest::ProcessOptions opt;
  opt.workDir = Dir("elsewhere");
  // The program opens a window; what the system's GL and window libraries
  // keep until exit is not what this test is about.
  const char* asan = std::getenv("ASAN_OPTIONS");
  opt.env["ASAN_OPTIONS"] = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0";
  r = RunProcess({game}, opt);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  char expected[64];
  std::snprintf(expected, sizeof expected, "font 1 %zu %08x\n", font.size(), Fnv1a(font));
  EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("greeting hello|world\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ini Ada\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("score 250\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("missing 1\n"), std::string::npos) << r.out;
}

}  // namespace
