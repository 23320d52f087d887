// Media files made at test time with the ffmpeg tool from its generated
// sources (tones, counter pictures), so no media binaries live in the tree.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace mediatest {

// Runs ffmpeg with the arguments and an output file in the test's folder;
// the output's full path ("" when ffmpeg failed, with a test failure).
// The ffmpeg tool from PATH (the process runner takes full paths only).
inline std::string FfmpegTool() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/ffmpeg";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "/usr/bin/ffmpeg";
}

inline std::string Ffmpeg(const std::vector<std::string>& args, const std::string& outName) {
  std::vector<std::string> argv = {FfmpegTool(), "-nostdin", "-loglevel", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string out = orvtest::PrivateDir() + "/" + outName;
  argv.push_back(out);
  orvtest::ProcessOptions opt;
  opt.timeoutSeconds = 60;
  const orvtest::ProcessResult r = orvtest::RunProcess(argv, opt);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.exitCode == 0 ? out : "";
}

// A sine tone of `seconds` at `hz`, peaks near 3000 in each channel.
inline std::string Tone(const std::string& name, double seconds, int hz = 441, int rate = 22050) {
  return Ffmpeg({"-f", "lavfi", "-i", "sine=frequency=" + std::to_string(hz) + ":sample_rate=" + std::to_string(rate) +
                                          ":duration=" + std::to_string(seconds),
                 "-ac", "2"},
                name);
}

// A movie whose pictures are a flat colour counting the frames (red =
// 8 x frame number, green 128, blue 255 - red) over a test pattern, with
// a tone. `extra` picks the codec; the container comes from the name.
inline std::string CounterMovie(const std::string& name, int width, int height, int fps, double seconds,
                                const std::vector<std::string>& extra, bool withSound = true) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::vector<std::string> args = {"-f", "lavfi", "-i",
                                   "testsrc=size=" + size + ":rate=" + std::to_string(fps) +
                                       ":duration=" + std::to_string(seconds) +
                                       ",geq=r='8*N':g='128':b='255-8*N'"};
  if (withSound) {
    args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=441:sample_rate=44100:duration=" + std::to_string(seconds)});
  }
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back("-shortest");
  return Ffmpeg(args, name);
}

}  // namespace mediatest
