// Entry point of every test executable. Each test process gets its own folder,
// used as working folder and TMPDIR, so error logs and scratch files never meet
// those of another test running in parallel, and nothing is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "support/test_support.h"

namespace orvtest {
namespace {
std::string g_privateDir;
}
const std::string& PrivateDir() { return g_privateDir; }
}  // namespace orvtest

int main(int argc, char** argv) {
  // A death-test child (re-executed by the threadsafe style) inherits the
  // parent's folder through TMPDIR and must neither make nor remove one.
  bool deathChild = false;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).find("internal_run_death_test") != std::string::npos) deathChild = true;

  testing::InitGoogleTest(&argc, argv);
  testing::GTEST_FLAG(death_test_style) = "threadsafe";
  if (deathChild) {
    const char* dir = std::getenv("TMPDIR");
    orvtest::g_privateDir = dir ? dir : "/tmp";
    // The child is started in the folder the tests were started from and
    // re-runs the test body from its start: work in the parent's folder, so
    // files the body creates land where the parent looks for them.
    if (chdir(orvtest::g_privateDir.c_str()) != 0) {
      perror("chdir");
      return 1;
    }
    return RUN_ALL_TESTS();
  }

  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/orvane-test-XXXXXX";
  if (!mkdtemp(templ.data())) {
    perror("mkdtemp");
    return 1;
  }
  const pid_t owner = getpid();
  orvtest::g_privateDir = templ;
  setenv("TMPDIR", templ.c_str(), 1);
  if (chdir(templ.c_str()) != 0) {
    perror("chdir");
    return 1;
  }
  // Headless defaults; a test or the caller may choose otherwise.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);

  int rc = RUN_ALL_TESTS();

  // Death-test children re-run main; only the creator removes the folder.
  if (getpid() == owner && !std::getenv("ORVANE_KEEP_TEST_DIR")) {
    if (chdir("/") == 0) {
      std::error_code ec;
      std::filesystem::remove_all(templ, ec);
    }
  }
  return rc;
}
