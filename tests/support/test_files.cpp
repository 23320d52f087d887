#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "support/test_support.h"

namespace orvtest {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string SourcePath(const std::string& relative) { return std::string(ORVANE_SOURCE_DIR) + "/" + relative; }
std::string BinaryPath(const std::string& relative) { return std::string(ORVANE_BINARY_DIR) + "/" + relative; }

}  // namespace orvtest
