// orvane-model: converts a model from a common 3D format into a .ddd file
// the runtime loads, and says what the conversion dropped.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/atomic_write.h"
#include "files/paths.h"
#include "gfx3d/model_file.h"
#include "tools/model_import/model_import.h"

namespace {

const char kUsage[] =
    "usage: orvane-model [OPTIONS] INPUT OUTPUT.ddd\n"
    "\n"
    "Converts a model (OBJ, glTF 2.0, FBX, Collada and the other formats the\n"
    "assimp library reads) into the .ddd model file of the Orvane runtime.\n"
    "\n"
    "Kept: positions, normals (as the nearest of the format's 162 directions),\n"
    "the first uv set, vertex colours or else material colours (at most 255),\n"
    "and animation as frames: a node or skeletal animation is sampled, or else\n"
    "every morph target becomes a frame after the rest pose. Everything else\n"
    "is listed as dropped.\n"
    "\n"
    "options:\n"
    "  --fps N         frames per second sampled from an animation (default 10)\n"
    "  --animation N   which animation of the file to sample (default 0)\n"
    "  --max-frames N  cut longer animations (default 1000)\n"
    "  --help          show this text\n";

bool Number(const char* text, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return end != text && *end == 0;
}

}  // namespace

int main(int argc, char** argv) {
  orv::ImportOptions options;
  std::string input, output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    double value = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--fps" || arg == "--animation" || arg == "--max-frames") {
      if (i + 1 >= argc || !Number(argv[i + 1], value) || value < 0 || (arg == "--fps" && value == 0)) {
        std::fprintf(stderr, "orvane-model: %s needs a positive number\n", arg.c_str());
        return 2;
      }
      ++i;
      if (arg == "--fps") options.framesPerSecond = value;
      if (arg == "--animation") options.animation = static_cast<int>(value);
      if (arg == "--max-frames") options.maxFrames = std::max(1, static_cast<int>(value));
    } else if (input.empty()) {
      input = arg;
    } else if (output.empty()) {
      output = arg;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (input.empty() || output.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  // Writing over the model being converted would lose it: the output must
  // be another file, also when another name (a link, another letter case)
  // leads to the input. The output is looked up as the writer will find it.
  struct stat in, out;
  if (::stat(input.c_str(), &in) == 0 && ::stat(orv::SystemPath(output.c_str()).c_str(), &out) == 0 &&
      in.st_dev == out.st_dev &&
      in.st_ino == out.st_ino) {
    std::fprintf(stderr, "orvane-model: %s is the input file; name another output\n", output.c_str());
    return 2;
  }

  orv::MeshObjectX mesh;
  orv::ImportReport report;
  std::string error;
  if (!orv::ImportModel(input, options, mesh, report, error)) {
    std::fprintf(stderr, "orvane-model: %s: %s\n", input.c_str(), error.c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes = orv::WriteDdd(mesh);
  // A new file renamed over the old output: a failed write leaves the old one.
  if (bytes.empty() || !orv::ReplaceFileContents(output.c_str(), bytes.data(), bytes.size())) {
    std::fprintf(stderr, "orvane-model: could not write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %d meshes, %d triangles, %d frames, %zu colours; normals within %.1f degrees\n",
              output.c_str(), report.meshes, report.triangles, report.frames, mesh.palette.size() - 1,
              report.worstNormalDegrees);
  for (const std::string& line : report.dropped) std::printf("dropped: %s\n", line.c_str());
  return 0;
}
