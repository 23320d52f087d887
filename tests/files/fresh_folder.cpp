// Every files test runs in a fresh folder of its own (also its TMPDIR), with
// the process-wide file state reset afterwards, so each test passes alone,
// in any order and with the whole binary run at once.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/files_lifecycle.h"
#include "files_test_support.h"
#include "orvane/files.h"
#include "runtime/lib/line_file.h"
#include "support/test_support.h"

namespace filestest {

namespace {

// Set for the duration of a test; a death-test child inherits it and then
// works in its parent's folder instead of making one of its own.
constexpr const char* kFolderVariable = "ORVANE_FILES_TEST_FOLDER";

std::string g_here;

class FreshFolder : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& info) override {
    if (inherited_) return;
    std::string name = std::string(info.test_suite_name()) + "." + info.name();
    for (char& c : name)
      if (c == '/') c = '_';
    g_here = orvtest::PrivateDir() + "/" + name + "-" + std::to_string(++count_);
    if (mkdir(g_here.c_str(), 0755) != 0 || chdir(g_here.c_str()) != 0) std::abort();
    setenv("TMPDIR", g_here.c_str(), 1);
    setenv(kFolderVariable, g_here.c_str(), 1);
  }

  void OnTestEnd(const testing::TestInfo&) override {
    if (inherited_) return;
    // Whatever a test left open or unsaved goes with its folder.
    orv::CloseAllFileChannels();
    IniOpen("");
    orv::FlushLineFile();
    orv::ReleaseAssetLocators();
    if (chdir(orvtest::PrivateDir().c_str()) != 0) std::abort();
    setenv("TMPDIR", orvtest::PrivateDir().c_str(), 1);
    unsetenv(kFolderVariable);
    std::error_code ec;
    std::filesystem::remove_all(g_here, ec);
  }

 private:
  bool inherited_ = [] {
    const char* dir = std::getenv(kFolderVariable);
    if (dir && *dir) g_here = dir;
    return dir && *dir;
  }();
  int count_ = 0;
};

const bool g_registered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new FreshFolder);
  return true;
}();

}  // namespace

const std::string& Here() { return g_here; }

}  // namespace filestest
