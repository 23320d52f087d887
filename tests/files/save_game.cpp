// A game that keeps its progress in three saves beside it (a channel file
// "slot.sav", "slot.ini" and the line file "slot.txt") and reports on
// standard output. SAVE_MODE:
//   first  reads, then writes version 1 and ends without closing the channel
//   loop   reads, then saves versions 2, 3, ... one per frame until killed
//   (else) only reads
#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/orvane.h"

namespace {

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

// Version n of the channel save: its number, then enough bytes that a
// write cut short would show.
void WriteSave(double channel, int n) {
  FileWriteLine(channel, ("version " + std::to_string(n)).c_str());
  FileWriteText(channel, std::string(50000 + n, static_cast<char>('a' + n % 26)).c_str());
}

}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 160;
  s.height = 120;
  RtString caption("saves");
  s.caption.Exchange(caption);
}

double GameMain() {
  const char* mode = std::getenv("SAVE_MODE");
  const std::string m = mode ? mode : "";
  if (OpenFileChannel(0, "slot.sav", 1)) {
    Say(std::string("loaded ") + FileReadLine(0).CStr());
    CloseFileChannel(0);
  } else {
    Say("loaded nothing");
  }
  IniOpen("slot.ini");
  RtString line;
  ReadFileLine("slot.txt", 0, line);
  Say(std::string("ini ") + IniGet("save", "version", "none").CStr() + ", lines " + line.CStr());
  if (m == "first") {
    OpenFileChannel(1, "slot.sav", 0);
    WriteSave(1, 1);
    IniPut("save", "version", "1");
    WriteFileLine("slot.txt", 0, "1");
    return 0;  // the channel, the INI store and the line file are saved by the runtime's end
  }
  for (int n = 2; m == "loop"; ++n) {
    OpenFileChannel(1, "slot.sav", 0);
    WriteSave(1, n);
    CloseFileChannel(1);
    IniPut("save", "version", std::to_string(n).c_str());
    IniOpen("slot.ini");  // saves
    WriteFileLine("slot.txt", 0, std::to_string(n).c_str());
    WriteFileLine("other.txt", 0, "x");  // writes slot.txt back
    Say("saved " + std::to_string(n));
    ShowScreen();
  }
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
