// orvane-sample-models: writes small .ddd models built in code (a cube, a
// sphere and an animated two-frame pyramid) into a folder, so examples,
// tests and users have real model files to load without shipping binaries.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "files/atomic_write.h"
#include "gfx3d/sample_models.h"

namespace {

const char kUsage[] =
    "usage: orvane-sample-models FOLDER\n"
    "\n"
    "Writes cube.ddd (edge 2, one colour per face), sphere.ddd (radius 1,\n"
    "welded normals) and animated.ddd (a pyramid whose apex rises between\n"
    "frame 0 and frame 1) into FOLDER, which is made when it is missing.\n";

bool Write(const std::string& path, const orv::ModelSlot& slot) {
  const std::vector<uint8_t> bytes = orv::SampleFile(slot);
  if (bytes.empty() || !orv::ReplaceFileContents(path.c_str(), bytes.data(), bytes.size())) {
    std::fprintf(stderr, "orvane-sample-models: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == 0 || argv[1][0] == '-') {
    std::fputs(kUsage, argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
    return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  std::error_code madeError;
  std::filesystem::create_directories(argv[1], madeError);
  if (madeError) {
    std::fprintf(stderr, "orvane-sample-models: cannot make the folder %s: %s\n", argv[1], madeError.message().c_str());
    return 1;
  }
  orv::ModelSlot cube, sphere, animated;
  const bool built = orv::BuildSampleCube(cube, 2) && orv::BuildSampleSphere(sphere, 1, 12, 24) &&
                     orv::BuildSampleAnimated(animated);
  if (!built) {
    std::fputs("orvane-sample-models: a sample model did not build\n", stderr);
    return 1;
  }
  const bool ok = Write(folder + "cube.ddd", cube) & Write(folder + "sphere.ddd", sphere) &
                  Write(folder + "animated.ddd", animated);
  return ok ? 0 : 1;
}
