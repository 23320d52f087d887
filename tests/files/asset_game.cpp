// A tiny game that reads its assets by name and prints what it found; the
// packer tests append an archive to it and run it with no files beside it.
#include <cstdio>
#include <string>
#include <vector>

#include "files/asset_locator.h"
#include "files/files_lifecycle.h"
#include "runtime/program_dir.h"
#include "orvane/orvane.h"
#include "runtime/runtime_state.h"

namespace {

uint32_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint32_t h = 2166136261u;
  for (uint8_t b : bytes) h = (h ^ b) * 16777619u;
  return h;
}

}  // namespace

void GameSettings(ProjectSettings& settings) { settings.caption = "asset game"; }

double GameMain() {
  if (!orv::Rt().fileLocator) orv::StartAssetLocators(orv::ProgramPath());
  std::vector<uint8_t> font;
  bool found = orv::ReadAssetBytes("Media/SmalFont.png", font);
  std::printf("font %d %zu %08x\n", found ? 1 : 0, font.size(), Fnv1a(font));

  if (OpenFileChannel(0, "Media\\greeting.txt", 1)) {
    RtString first = FileReadLine(0);
    RtString second = FileReadLine(0);
    std::printf("greeting %s|%s\n", first.CStr(), second.CStr());
    CloseFileChannel(0);
  } else {
    std::printf("greeting missing\n");
  }

  IniOpen("settings.ini");
  std::printf("ini %s\n", IniGet("Player", "name", "none").CStr());
  IniOpen("");

  RtString score;
  ReadFileLine("scores.txt", 1, score);
  std::printf("score %s\n", score.CStr());
  std::printf("missing %d\n", FileSize("Media/none.png") == 0 && ErrorCode() == 3 ? 1 : 0);
  std::fflush(stdout);
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
