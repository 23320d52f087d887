// The appended archive and the asset locators: lookup order, name matching,
// offsets from either end, damaged carriers, extraction and "mem://" names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "files/archive_patch.h"
#include "files/asset_locator.h"
#include "files/files_lifecycle.h"
#include "files_test_support.h"
#include "orvane/files.h"
#include "orvane/runtime.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace {

using filestest::Asset;
using filestest::Carrier;
using orvtest::ReadFile;
using orvtest::WriteFile;

std::string Contents(const RtString& path) {
  orv::FileChannel c;
  if (!c.OpenRead(path.CStr())) return "<cannot open>";
  std::vector<uint8_t> bytes;
  c.ReadRest(bytes);
  return std::string(bytes.begin(), bytes.end());
}

const std::string kFont = filestest::SampleBytes(5000, 1);
const std::string kMusic = filestest::SampleBytes(70000, 2);

class Archive : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    WriteFile("game.bin", Carrier(std::string(1000, 'E'), {{"SMALFONT.PNG", kFont}, {"intro.avi", kMusic},
                                                            {"same.txt", "archived"}, {"empty.dat", ""}},
                                  GetParam()));
    locator.Reset("game.bin");
  }
  orv::AssetLocator locator;
};

TEST_P(Archive, EntriesAreFoundByLastComponentIgnoringCase) {
  RtString path;
  ASSERT_TRUE(locator.Resolve("Media/smalfont.png", path, true));
  EXPECT_TRUE(std::regex_match(path.CStr(), std::regex("mem://[ 0-9a-f]{8}\\.[ 0-9a-f]{8,}"))) << path.CStr();
  EXPECT_EQ(std::string(path.CStr()).substr(6, 8), "    1388");  // 5000 bytes
  EXPECT_EQ(Contents(path), kFont);
  ASSERT_TRUE(locator.Resolve("C:\\game\\INTRO.AVI", path, true));
  EXPECT_EQ(Contents(path), kMusic);
  ASSERT_TRUE(locator.Resolve("empty.dat", path, true));
  EXPECT_EQ(Contents(path), "");

  EXPECT_FALSE(locator.Resolve("Media/other.png", path, true));
  EXPECT_TRUE(path == "");
  EXPECT_FALSE(locator.Resolve("smalfont", path, true));  // a prefix of a name is not the name
  EXPECT_FALSE(locator.Resolve("", path, true));
  EXPECT_TRUE(locator.Enabled());
}

TEST_P(Archive, FilesOnDiskComeFirst) {
  WriteFile("same.txt", "disk");
  RtString path;
  ASSERT_TRUE(locator.Resolve("same.txt", path, true));
  EXPECT_TRUE(path == "same.txt");
  EXPECT_EQ(Contents(path), "disk");
  ASSERT_EQ(mkdir("intro.avi", 0755), 0);  // a folder is not a file: the archive answers
  ASSERT_TRUE(locator.Resolve("intro.avi", path, true));
  EXPECT_EQ(Contents(path), kMusic);
}

TEST_P(Archive, TheTemporaryFileLocatorExtractsOneFileAtATime) {
  RtString path;
  ASSERT_TRUE(locator.Resolve("Movies/intro.avi", path, false));
  std::string first = path.CStr();
  EXPECT_EQ(first.substr(0, first.rfind('/') + 1), filestest::Here() + "/");
  std::string base = first.substr(first.rfind('/') + 1);
  EXPECT_EQ(base.substr(0, 3), "sbx");
  EXPECT_EQ(base.substr(5), "intro.avi");
  EXPECT_EQ(ReadFile(first), kMusic);
  ASSERT_TRUE(locator.Resolve("smalfont.png", path, false));
  EXPECT_FALSE(orvtest::Exists(first));  // the previous extraction is gone
  std::string second = path.CStr();
  EXPECT_EQ(ReadFile(second), kFont);
  locator.Reset("game.bin");
  EXPECT_FALSE(orvtest::Exists(second));
}

INSTANTIATE_TEST_SUITE_P(Offsets, Archive, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "FromEnd" : "FromStart"; });

TEST(ArchiveNames, TemporaryNameLettersComeFromOffsetAndStoredSize) {
  EXPECT_EQ(orv::TempEntryName("intro.avi", 300, 1000), "sbxSYintro.avi");
  EXPECT_EQ(orv::TempEntryName("a", 0, 25), "sbxAZa");
  std::string fromEnd = orv::TempEntryName("a", -300, 1000);
  EXPECT_TRUE(fromEnd[3] >= 'A' && fromEnd[3] <= 'Z');
}

// The temporary-file name of the only entry of a carrier.
std::string OnlyEntryTempName(const std::string& carrier) {
  orv::archive::MemorySource src(reinterpret_cast<const uint8_t*>(carrier.data()), carrier.size());
  orv::archive::Directory dir;
  EXPECT_EQ(orv::archive::ReadDirectory(src, dir), orv::archive::TrailerStatus::kOk);
  const orv::archive::Entry& e = dir.entries.at(0);
  return orv::TempEntryName(e.name, e.offset, e.storedSize);
}

TEST(ArchiveExtraction, EntryNamesThatReachAnotherFolderAreRefused) {
  // The packer refuses such names; a hand-made archive carries one anyway.
  std::string carrier = Carrier("BIN", {{"q_.._evil.avi", "payload"}}, false);
  size_t at = carrier.find("q_.._evil.avi");
  ASSERT_NE(at, std::string::npos);
  carrier[at + 1] = carrier[at + 4] = '/';
  WriteFile("evil.bin", carrier);
  std::string name = OnlyEntryTempName(carrier);
  ASSERT_EQ(mkdir(name.substr(0, name.find('/')).c_str(), 0755), 0);  // so the path could resolve
  orv::AssetLocator locator;
  locator.Reset("evil.bin");
  RtString path;
  EXPECT_FALSE(locator.Resolve("evil.avi", path, false));
  EXPECT_TRUE(path == "");
  EXPECT_FALSE(orvtest::Exists("evil.avi"));
  ASSERT_TRUE(locator.Resolve("evil.avi", path, true));  // in memory the name goes nowhere
  EXPECT_EQ(Contents(path), "payload");
}

TEST(ArchiveExtraction, APlantedLinkAtTheTemporaryNameIsReplacedNotFollowed) {
  const std::string carrier = Carrier("BIN", {{"intro.avi", kMusic}}, false);
  WriteFile("movie.bin", carrier);
  WriteFile("victim.txt", "victim");
  const std::string planted = OnlyEntryTempName(carrier);
  ASSERT_EQ(symlink("victim.txt", planted.c_str()), 0);
  orv::AssetLocator locator;
  locator.Reset("movie.bin");
  RtString path;
  ASSERT_TRUE(locator.Resolve("intro.avi", path, false));
  EXPECT_EQ(ReadFile("victim.txt"), "victim");
  struct stat st;
  ASSERT_EQ(lstat(path.CStr(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(ReadFile(path.CStr()), kMusic);
  locator.Reset("movie.bin");
  RtArray<RtString> names;  // nothing else is left in the temporary folder
  EXPECT_EQ(ListDirectory("sbx*", names), 2 * 65536);
}

TEST(ArchiveDamage, ABadTrailerDisablesTheLocatorUntilReset) {
  WriteFile("plain.bin", std::string(100, 'x'));
  orv::AssetLocator locator;
  locator.Reset("plain.bin");
  RtString path;
  EXPECT_FALSE(locator.Resolve("Media/a.png", path, true));
  EXPECT_TRUE(path == "Media/a.png");  // no archive: the name is handed back
  EXPECT_FALSE(locator.Enabled());

  // "sbX" with a directory offset outside the file is damage, too.
  for (int32_t offset : {5000, -5000, 101, -3}) {
    std::string carrier = std::string(100, 'x') + "sbX" + std::string(reinterpret_cast<const char*>(&offset), 4);
    WriteFile("bad.bin", carrier);
    locator.Reset("bad.bin");
    EXPECT_FALSE(locator.Resolve("a.png", path, true)) << offset;
    EXPECT_FALSE(locator.Enabled()) << offset;
  }
  locator.Reset("missing-carrier.bin");
  EXPECT_FALSE(locator.Resolve("a.png", path, true));
  EXPECT_FALSE(locator.Enabled());

  WriteFile("good.bin", Carrier("", {{"a.png", "A"}}, true));
  locator.Reset("good.bin");
  EXPECT_TRUE(locator.Enabled());
  ASSERT_TRUE(locator.Resolve("a.png", path, true));
  EXPECT_EQ(Contents(path), "A");
}

TEST(ArchiveDamage, ADamagedEntryGivesAnEmptyResultNeverACrash) {
  std::string good = filestest::SampleBytes(3000, 7);
  std::string carrier = Carrier("HEAD", {{"ok.bin", good}, {"broken.bin", good}, {"last.bin", "tail"}}, false);
  orv::archive::MemorySource src(reinterpret_cast<const uint8_t*>(carrier.data()), carrier.size());
  orv::archive::Directory dir;
  ASSERT_EQ(orv::archive::ReadDirectory(src, dir), orv::archive::TrailerStatus::kOk);
  ASSERT_EQ(dir.entries.size(), 3u);

  auto resolveAfter = [&](const std::string& bytes, const char* name) {
    WriteFile("damaged.bin", bytes);
    orv::AssetLocator locator;
    locator.Reset("damaged.bin");
    RtString path;
    EXPECT_TRUE(locator.Resolve(name, path, true));
    return Contents(path);
  };
  std::string scrambled = carrier;
  for (int i = 8; i < 60; ++i) scrambled[static_cast<size_t>(dir.entries[1].offset + i)] ^= 0x5A;
  EXPECT_EQ(resolveAfter(scrambled, "broken.bin"), "");
  EXPECT_EQ(resolveAfter(scrambled, "ok.bin"), good);

  // A length the data does not unpack to exactly, longer (never padded with
  // zeros) or shorter, is damage.
  for (int32_t claimed : {static_cast<int32_t>(good.size()) + 100, static_cast<int32_t>(good.size()) - 100}) {
    std::string patched = carrier;
    patched.replace(static_cast<size_t>(dir.entries[1].offset), 4,
                    std::string(reinterpret_cast<const char*>(&claimed), 4));
    orv::archive::MemorySource patchedSrc(reinterpret_cast<const uint8_t*>(patched.data()), patched.size());
    std::vector<uint8_t> out{1};
    EXPECT_EQ(orv::archive::ReadEntry(patchedSrc, dir, dir.entries[1], out), orv::archive::EntryStatus::kCorruptData)
        << claimed;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(resolveAfter(patched, "broken.bin"), "") << claimed;
  }

  // A claimed length far beyond what the data can hold is refused unread.
  std::string huge = carrier;
  huge.replace(static_cast<size_t>(dir.entries[1].offset), 4, std::string("\xFF\xFF\xFF\x7F", 4));
  EXPECT_EQ(resolveAfter(huge, "broken.bin"), "");

  // Offsets and sizes that leave the carrier.
  size_t dirAt = static_cast<size_t>(dir.directoryOffset);
  size_t secondOffset = dirAt + 1 + 6 + 8 + 1 + 10;  // after "ok.bin" and "broken.bin"'s name
  for (int32_t bad : {-1, 1 << 30, static_cast<int32_t>(carrier.size()) - 2}) {
    std::string moved = carrier;
    moved.replace(secondOffset, 4, std::string(reinterpret_cast<const char*>(&bad), 4));
    EXPECT_EQ(resolveAfter(moved, "broken.bin"), "") << bad;
    std::string sized = carrier;
    sized.replace(secondOffset + 4, 4, std::string(reinterpret_cast<const char*>(&bad), 4));
    EXPECT_EQ(resolveAfter(sized, "broken.bin"), "") << bad;
  }
  // A directory cut short keeps the entries before the cut.
  std::string cut = carrier.substr(0, dirAt + 1 + 6 + 8 + 3);
  int32_t at = static_cast<int32_t>(dirAt);
  cut += "sbX" + std::string(reinterpret_cast<const char*>(&at), 4);
  EXPECT_EQ(resolveAfter(cut, "ok.bin"), good);
}

TEST(MemNames, OnlyLiveHandedOutBlocksCanBeOpened) {
  WriteFile("game.bin", Carrier("", {{"one.txt", "first"}, {"two.txt", "second"}}, true));
  orv::AssetLocator locator;
  locator.Reset("game.bin");
  RtString one, two;
  ASSERT_TRUE(locator.Resolve("one.txt", one, true));
  orv::FileChannel reading;
  ASSERT_TRUE(reading.OpenRead(one.CStr()));
  ASSERT_TRUE(locator.Resolve("two.txt", two, true));
  // The locator moved on; the channel still reads its own data.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(reading.ReadRest(bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first");
  reading.Close();
  orv::FileChannel again;
  EXPECT_FALSE(again.OpenRead(one.CStr()));  // released: the name is dead
  EXPECT_EQ(FileSize(one), 0);
  EXPECT_EQ(FileSize(two), 6);

  std::string name = two.CStr();
  std::string wrongLength = "mem://       7" + name.substr(14);
  EXPECT_FALSE(again.OpenRead(wrongLength.c_str()));
  EXPECT_FALSE(again.OpenRead("mem://       6.    1000"));
  EXPECT_FALSE(again.OpenRead("mem://"));
  EXPECT_FALSE(again.OpenRead("mem://zz.zz"));
  EXPECT_FALSE(again.OpenWrite(two.CStr()));

  // A live name given to a locator stands for itself and stays alive.
  RtString same;
  ASSERT_TRUE(locator.Resolve(two, same, true));
  EXPECT_TRUE(same == two);
  EXPECT_EQ(Contents(same), "second");
}

// A patch of `assets` for the archive `base` carries.
std::string Patch(const std::string& base, const std::vector<Asset>& assets, int64_t version,
                  std::vector<std::string> removed = {}) {
  namespace ar = orv::archive;
  ar::MemorySource source(reinterpret_cast<const uint8_t*>(base.data()), base.size());
  ar::Directory directory;
  if (ar::ReadDirectory(source, directory) != ar::TrailerStatus::kOk) return "";
  ar::PatchRecord record;
  record.base = ar::DirectoryId(source, directory);
  record.version = version;
  record.removed = std::move(removed);
  std::vector<ar::PackedEntry> entries;
  for (const Asset& a : assets) {
    entries.emplace_back();
    entries.back().name = a.name;
    ar::PackEntry(reinterpret_cast<const uint8_t*>(a.bytes.data()), a.bytes.size(), entries.back().stored);
  }
  std::vector<uint8_t> out;
  return ar::BuildPatch(entries, record, out) ? std::string(out.begin(), out.end()) : "";
}

TEST(ArchivePatches, LayeredInVersionOrderAndRefusedWhenChangedAnywhereOrMadeForAnotherArchive) {
  namespace ar = orv::archive;
  const std::string program = filestest::Here() + "/packed-program";
  const std::string base =
      Carrier("\x7f" "ELF", {{"a.txt", "base-a"}, {"b.txt", "base-b"}, {"c.txt", "base-c"}}, true);
  WriteFile(program, base);
  // Version, not file name, gives the order; a removal hides a name from
  // everything below it, and a later patch may bring it back.
  WriteFile("z-first.patch", Patch(base, {{"A.TXT", "v1-a"}, {"c.txt", "v1-c"}, {"d.txt", "v1-d"}}, 1));
  const std::string second = Patch(base, {{"a.txt", "v2-a"}}, 2, {"b.txt", "D.txt"});
  WriteFile("second.patch", second);
  mkdir("more", 0755);
  const std::string patchDir = orv::Rt().switches.patchDir;
  orv::Rt().switches.patchDir = filestest::Here() + "/more";
  WriteFile("more/third.patch", Patch(base, {{"b.txt", "v3-b"}}, 3));
  // Refused whole: damaged, or made for another archive.
  std::string damaged = second;
  damaged[2] ^= 1;
  WriteFile("damaged.patch", damaged);
  WriteFile("other.patch", Patch(Carrier("", {{"a.txt", "base-a"}}, true), {{"c.txt", "other-c"}}, 9));
  WriteFile("not-a.patch.txt", Patch(base, {{"c.txt", "ignored-c"}}, 10));

  orv::StartAssetLocators(program.c_str());
  orv::Rt().switches.patchDir = patchDir;
  const struct {
    const char* name;
    const char* found;  // null: not found
  } lookups[] = {{"a.txt", "v2-a"}, {"Media/B.txt", "v3-b"}, {"c.txt", "v1-c"}, {"d.txt", nullptr}, {"e.txt", nullptr}};
  for (const auto& l : lookups) {
    SCOPED_TRACE(l.name);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(orv::ReadAssetBytes(l.name, bytes), l.found != nullptr);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), l.found ? l.found : "");
    RtString path;  // the movie locator sees the same layers
    EXPECT_EQ(orv::ResolveAsset(orv::Rt().movieLocator.get(), l.name, path, false), l.found != nullptr);
  }
  orv::ReleaseAssetLocators();
  const std::string log = ReadFile(orv::ErrorLogPath().CStr());
  for (const char* line : {"z-first.patch taken: version 1, 3 entries, 0 removed",
                           "second.patch taken: version 2, 1 entries, 2 removed",
                           "more/third.patch taken: version 3", "damaged.patch refused: damaged",
                           "other.patch refused: made for another archive"})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  EXPECT_EQ(log.find("not-a.patch.txt"), std::string::npos) << log;

  // To a reader that knows no patches a patch is an archive of its entries.
  ar::MemorySource plain(reinterpret_cast<const uint8_t*>(second.data()), second.size());
  ar::Directory directory;
  ASSERT_EQ(ar::ReadDirectory(plain, directory), ar::TrailerStatus::kOk);
  ASSERT_EQ(directory.entries.size(), 1u);
  std::vector<uint8_t> out;
  EXPECT_EQ(ar::ReadEntry(plain, directory, directory.entries[0], out), ar::EntryStatus::kOk);
  // Any one byte changed, or the file cut anywhere, is refused.
  auto accepted = [](const std::string& bytes) {
    ar::MemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ar::Directory d;
    ar::PatchRecord record;
    return ar::ReadDirectory(source, d) == ar::TrailerStatus::kOk && ar::ReadPatch(source, d, record) == ar::PatchStatus::kOk;
  };
  ASSERT_TRUE(accepted(second));
  for (size_t i = 0; i < second.size(); ++i) {
    std::string changed = second;
    changed[i] ^= 0x40;
    EXPECT_FALSE(accepted(changed)) << "byte " << i;
    EXPECT_FALSE(accepted(second.substr(0, i))) << "cut at " << i;
  }
  EXPECT_FALSE(accepted(base));
}

TEST(RuntimeLocators, StartReadReleaseAndTheGameChannel) {
  std::string program = filestest::Here() + "/packed-program";
  WriteFile(program, Carrier("\x7f" "ELF", {{"greeting.txt", "hello\r\nworld\r\n"}, {"data.bin", kFont}}, true));
  orv::StartAssetLocators(program.c_str());
  ASSERT_TRUE(orv::Rt().fileLocator && orv::Rt().movieLocator);
  EXPECT_EQ(orv::Rt().fileLocator->ArchivePath(), program);

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(orv::ReadAssetBytes("Media\\data.bin", bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kFont);
  EXPECT_FALSE(orv::ReadAssetBytes("Media/none.bin", bytes));
  EXPECT_TRUE(bytes.empty());

  ASSERT_EQ(OpenFileChannel(3, "text/GREETING.TXT", 1), 1);
  EXPECT_TRUE(FileReadLine(3) == "hello");
  std::vector<uint8_t> other;
  ASSERT_TRUE(orv::ReadAssetBytes("data.bin", other));  // releases the locator's copy
  EXPECT_TRUE(FileReadLine(3) == "world");              // the channel holds its own
  EXPECT_EQ(EndOfFile(3), 1);
  orv::CloseAllFileChannels();

  RtString moviePath;
  ASSERT_TRUE(orv::ResolveAsset(orv::Rt().movieLocator.get(), "greeting.txt", moviePath, false));
  EXPECT_TRUE(orvtest::Exists(moviePath.CStr()));
  orv::ReleaseAssetLocators();
  EXPECT_FALSE(orvtest::Exists(moviePath.CStr()));
  EXPECT_FALSE(orv::Rt().fileLocator || orv::Rt().movieLocator);
  orv::ReleaseAssetLocators();  // a second release does nothing

  // Without locators only the disk is seen.
  WriteFile("plain.txt", "p");
  RtString path;
  EXPECT_TRUE(orv::ResolveAsset(nullptr, "plain.txt", path, true));
  EXPECT_FALSE(orv::ResolveAsset(nullptr, "greeting.txt", path, true));
}

}  // namespace
