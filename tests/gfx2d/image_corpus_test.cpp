// The real-world corpora: PngSuite and the BMP Suite (tests/data). Every
// valid file the readers support loads with the right size and the right
// pixels; every damaged or unsupported one fails without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "image_test_util.h"

namespace {

using orv::PixelImage;
namespace fs = std::filesystem;

std::vector<std::string> Files(const std::string& folder, const std::string& ext) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(orvtest::SourcePath(folder)))
    if (e.path().extension() == ext) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

bool Load(const std::string& path, PixelImage& img) {
  auto bytes = imgtest::ReadBytes(orvtest::SourcePath(path));
  return orv::DecodeImage(bytes, orv::kNoColorKey, path.c_str(), img);
}

// Largest channel difference over the pixels the reference shows opaque; -1
// when the sizes differ.
int MaxDifference(const PixelImage& a, const PixelImage& ref) {
  if (a.width != ref.width || a.height != ref.height) return -1;
  int worst = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      uint32_t p = a.Pixel(x, y), q = ref.Pixel(x, y);
      if ((q >> 24) != 255) continue;
      for (int c = 0; c < 24; c += 8) worst = std::max(worst, std::abs(int((p >> c) & 255) - int((q >> c) & 255)));
    }
  return worst;
}

bool SamePixels(const PixelImage& a, const PixelImage& b) {
  return a.width == b.width && a.height == b.height && std::equal(a.Data(), a.Data() + a.ByteCount(), b.Data());
}

TEST(PngSuite, ValidFilesLoadDamagedOnesFail) {
  int loaded = 0;
  testing::internal::CaptureStdout();
  for (const std::string& name : Files("tests/data/pngsuite", ".png")) {
    PixelImage img;
    const bool ok = Load("tests/data/pngsuite/" + name, img);
    if (name[0] == 'x') {
      EXPECT_FALSE(ok) << name;
      continue;
    }
    // Grey with alpha (type 4, or grey with a tRNS chunk) is not supported.
    const bool greyAlpha = name.find("4a") != std::string::npos || (name.rfind("tb", 0) == 0 && name[4] == '0');
    EXPECT_EQ(ok, !greyAlpha) << name;
    if (!ok) continue;
    ++loaded;
    int w = 32, h = 32;
    if (name[0] == 's' && name[1] != 'P') w = h = std::stoi(name.substr(1, 2));
    if (name == "cdfn2c08.png") w = 8;
    if (name == "cdhn2c08.png") h = 8;
    if (name == "cdsn2c08.png") w = h = 8;
    if (name == "PngSuite.png") w = h = 256;
    EXPECT_EQ(img.width, w) << name;
    EXPECT_EQ(img.height, h) << name;
    const bool alpha = name.find("6a") != std::string::npos || (name[0] == 't' && name[1] != 'p');
    EXPECT_EQ(img.hasAlpha, alpha || name == "tp1n3p08.png" || name == "tm3n3p02.png") << name;
  }
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("File tests/data/pngsuite/basn4a08.png has unsupported color type.\n"), std::string::npos);
  EXPECT_GT(loaded, 140);
}

TEST(PngSuite, EncodingsOfTheSamePictureDecodeToTheSamePixels) {
  auto same = [](const std::string& a, const std::string& b) {
    PixelImage x, y;
    ASSERT_TRUE(Load("tests/data/pngsuite/" + a, x)) << a;
    ASSERT_TRUE(Load("tests/data/pngsuite/" + b, y)) << b;
    EXPECT_TRUE(SamePixels(x, y)) << a << " vs " << b;
  };
  // Interlaced and not.
  for (const char* t : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02", "3p04", "3p08",
                        "6a08", "6a16"})
    same(std::string("basi") + t + ".png", std::string("basn") + t + ".png");
  for (int s = 1; s <= 40; s = s == 9 ? 32 : s + 1) {
    char n[32], i[32];
    const char* kind = s <= 4 ? "3p01" : s <= 9 ? "3p02" : "3p04";
    std::snprintf(n, sizeof n, "s%02dn%s.png", s, kind);
    std::snprintf(i, sizeof i, "s%02di%s.png", s, kind);
    same(i, n);
  }
  // IDAT split differently, compression levels.
  for (const char* t : {"0g16", "2c16"})
    for (const char* k : {"oi2n", "oi4n", "oi9n"}) same(std::string("oi1n") + t + ".png", std::string(k) + t + ".png");
  for (const char* z : {"z03n2c08.png", "z06n2c08.png", "z09n2c08.png"}) same("z00n2c08.png", z);
  PixelImage trns;
  ASSERT_TRUE(Load("tests/data/pngsuite/tbbn3p08.png", trns));
  EXPECT_EQ(trns.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(trns.Pixel(16, 16) >> 24, 255u);
}

struct Reference {
  std::string main;
  std::vector<std::string> alternatives;
};

std::map<std::string, Reference> References() {
  std::map<std::string, Reference> refs;
  std::ifstream in(orvtest::SourcePath("tests/data/bmpsuite/reference.tsv"));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, main, alternatives;
    std::getline(fields, file, '\t');
    std::getline(fields, main, '\t');
    std::getline(fields, alternatives, '\t');
    Reference r{main, {}};
    std::istringstream alt(alternatives);
    for (std::string a; alt >> a;) r.alternatives.push_back(a);
    refs[file] = r;
  }
  return refs;
}

TEST(BmpSuite, GoodAndQuestionableFilesMatchTheirReferences) {
  // Formats the reader leaves out: 2-bit pixels, OS/2 2.x headers, Huffman,
  // embedded JPEG/PNG, 24-bit RLE, alpha bit fields and 64-bit pixels.
  const std::set<std::string> unsupported = {
      "q/pal1huffmsb.bmp", "q/pal2.bmp",       "q/pal2color.bmp",   "q/pal8os2v2-16.bmp",
      "q/pal8os2v2-sz.bmp", "q/pal8os2v2.bmp", "q/rgb24jpeg.bmp",   "q/rgb24png.bmp",
      "q/rgb24rle24.bmp",   "q/rgba32abf.bmp", "q/rgba64.bmp"};
  // References drawn differently on purpose: scaled, or colour-managed.
  const std::set<std::string> sizeOnly = {"g/pal8nonsquare.bmp", "q/rgb24prof2.bmp"};
  const auto refs = References();
  for (const char* folder : {"g", "q"}) {
    for (const std::string& name : Files(std::string("tests/data/bmpsuite/") + folder, ".bmp")) {
      const std::string rel = std::string(folder) + "/" + name;
      PixelImage img;
      const bool ok = Load("tests/data/bmpsuite/" + rel, img);
      EXPECT_EQ(ok, !unsupported.count(rel)) << rel;
      if (!ok) continue;
      // Only 32-bit files with an alpha mask in a long header keep alpha.
      EXPECT_EQ(img.hasAlpha, name.rfind("rgba32", 0) == 0) << rel;
      EXPECT_EQ(img.width, name.find("w12") != std::string::npos ? std::stoi(name.substr(5, 3)) : 127) << rel;
      if (sizeOnly.count(rel)) continue;
      auto it = refs.find(rel);
      ASSERT_NE(it, refs.end()) << rel;
      std::vector<std::string> candidates = it->second.alternatives;
      candidates.insert(candidates.begin(), it->second.main);
      int best = 1000;
      for (const std::string& c : candidates) {
        PixelImage ref;
        if (!Load("tests/data/bmpsuite/" + c, ref)) continue;
        int d = MaxDifference(img, ref);
        if (d >= 0) best = std::min(best, d);
      }
      // Five- and ten-bit channels widen with rounding that may differ by one.
      EXPECT_LE(best, 1) << rel;
    }
  }
}

TEST(BmpSuite, BadFilesFailOrLoadOnlyWhatTheirHeadersDescribe) {
  const std::set<std::string> mustFail = {"badbitcount.bmp", "badheadersize.bmp", "badwidth.bmp",
                                          "reallybig.bmp",   "rletopdown.bmp",    "shortfile.bmp"};
  for (const std::string& name : Files("tests/data/bmpsuite/b", ".bmp")) {
    PixelImage img;
    const bool ok = Load("tests/data/bmpsuite/b/" + name, img);
    if (mustFail.count(name)) {
      EXPECT_FALSE(ok) << name;
      EXPECT_TRUE(img.Empty()) << name;
    } else if (ok) {
      // The damage is in fields the reader does not depend on.
      EXPECT_EQ(img.width, 127) << name;
      EXPECT_EQ(img.height, 64) << name;
    }
  }
  PixelImage img;
  EXPECT_FALSE(Load("tests/data/bmpsuite/x/ba-bm.bmp", img));
}

TEST(BmpSuite, JpegReferenceDecodesCloseToThePng) {
  PixelImage jpeg, png;
  ASSERT_TRUE(Load("tests/data/bmpsuite/html/rgb24.jpg", jpeg));
  ASSERT_TRUE(Load("tests/data/bmpsuite/html/rgb24.png", png));
  ASSERT_EQ(jpeg.width, png.width);
  ASSERT_EQ(jpeg.height, png.height);
  long total = 0;
  for (int y = 0; y < png.height; ++y)
    for (int x = 0; x < png.width; ++x)
      for (int c = 0; c < 24; c += 8)
        total += std::abs(int((jpeg.Pixel(x, y) >> c) & 255) - int((png.Pixel(x, y) >> c) & 255));
  EXPECT_LT(total / (png.width * png.height * 3), 8);
}

}  // namespace
