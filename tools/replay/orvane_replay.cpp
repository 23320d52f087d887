// orvane-replay: looks into recordings made with ORVANE_RECORD.
//
//   orvane-replay info FILE    what the recording holds: program, settings,
//                              length, events, and what a replay of it
//                              cannot reproduce
//
// Replaying itself needs the game: run it with ORVANE_REPLAY=FILE.
// Exit codes: 0 done, 1 the recording is damaged or unreadable, 2 wrong use.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/replay/recording_format.h"

namespace {

int Usage() {
  std::fputs("usage: orvane-replay info FILE\n"
             "  prints what a recording made with ORVANE_RECORD=FILE holds;\n"
             "  replay it by running the game with ORVANE_REPLAY=FILE\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "info") != 0) return Usage();
  const std::string path = argv[2];
  std::vector<uint8_t> bytes;
  orv::Recording recording;
  std::string error;
  if (!orv::LoadRecordingFile(path, bytes, error) || !orv::ReadRecording(bytes, recording, error)) {
    std::fprintf(stderr, "orvane-replay: cannot read %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  std::printf("recording: %s (%zu bytes)\n%s", path.c_str(), bytes.size(),
              orv::DescribeRecording(recording).c_str());
  return 0;
}
