// Runs a fuzz target over files and folders of inputs without libFuzzer, so
// the seed corpus and past crash inputs are checked in every ordinary build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

static void RunOne(const fs::path& p, int& count) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ++count;
}

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  // The inputs are named relative to where we were started; we move below.
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    fs::path p = fs::absolute(argv[i], ec);
    inputs.push_back(ec ? fs::path(argv[i]) : p);
  }
  // Work in a private folder: targets may write scratch files.
  char templ[] = "/tmp/orvane-fuzz-XXXXXX";
  const char* dir = mkdtemp(templ);
  if (dir) {
    setenv("TMPDIR", dir, 1);
    if (chdir(dir) != 0) return 1;
  }
  int count = 0;
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (const fs::path& p : inputs) {
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::recursive_directory_iterator(p, ec))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) RunOne(f, count);
    } else if (fs::exists(p, ec)) {
      RunOne(p, count);
    }
  }
  std::printf("replayed %d inputs\n", count);
  std::error_code ec;
  if (dir) fs::remove_all(dir, ec);
  // A renamed or emptied corpus folder must not pass as a clean run.
  if (count == 0) {
    std::fprintf(stderr, "no inputs found in the given files and folders\n");
    return 1;
  }
  return 0;
}
