#include "support/image_compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tools/screen_grab/screen_grab.h"

namespace orvtest {

Picture Picture::Make(int width, int height, const std::function<uint32_t(int, int)>& f) {
  Picture p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.pixels[static_cast<size_t>(y) * width + x] = f(x, y);
  return p;
}

namespace {

int Difference(uint32_t a, uint32_t b, bool alpha) {
  int most = 0;
  for (int shift = 0; shift < (alpha ? 32 : 24); shift += 8)
    most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return most;
}

// Kept after the test process ends (its private folder does not survive it).
std::string EvidenceFolder() {
  const char* chosen = std::getenv("ORVANE_TEST_PICTURES");
  return chosen && *chosen ? chosen : std::string(ORVANE_BINARY_DIR) + "/test-pictures";
}

std::string Write(const Picture& p, const std::string& path) {
  std::vector<uint32_t> rgb(p.pixels.size());
  for (size_t i = 0; i < p.pixels.size(); ++i) {
    const uint32_t c = p.pixels[i];
    rgb[i] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  return orvtools::WritePng(path, rgb, p.width, p.height) ? path : "(could not write " + path + ")";
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

}  // namespace

testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected, const Tolerance& tolerance,
                                     const std::string& label) {
  std::string problem;
  if (actual.width != expected.width || actual.height != expected.height) {
    problem = "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + ", expected " +
              std::to_string(expected.width) + "x" + std::to_string(expected.height);
  } else {
    int over = 0, largest = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height; ++y)
      for (int x = 0; x < actual.width; ++x) {
        const int d = Difference(actual.At(x, y), expected.At(x, y), tolerance.alpha);
        if (d <= tolerance.channel) continue;
        if (over++ == 0) {
          firstX = x;
          firstY = y;
        }
        largest = std::max(largest, d);
      }
    if (over <= tolerance.strayPixels) return testing::AssertionSuccess();
    problem = std::to_string(over) + " pixels differ by more than " + std::to_string(tolerance.channel) +
              " (largest " + std::to_string(largest) + "); first at (" + std::to_string(firstX) + ", " +
              std::to_string(firstY) + "): " + Hex(actual.At(firstX, firstY)) + ", expected " +
              Hex(expected.At(firstX, firstY));
  }
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string stem = test ? std::string(test->test_suite_name()) + "." + test->name() + "." + label : label;
  std::replace(stem.begin(), stem.end(), '/', '_');
  const std::string folder = EvidenceFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string actualPath = Write(actual, folder + "/" + stem + ".actual.png");
  const std::string expectedPath = Write(expected, folder + "/" + stem + ".expected.png");
  return testing::AssertionFailure() << label << " (tolerance \"" << tolerance.name << "\"): " << problem
                                     << "\n  actual:   " << actualPath << "\n  expected: " << expectedPath;
}

}  // namespace orvtest
