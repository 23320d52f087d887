// Chat between copies of a game over the multiplayer session. The first copy
// hosts on port 27910; more copies join it and everyone sees everyone's
// lines:
//   ./build/examples/net_chat                          host
//   CHAT_HOST=127.0.0.1 ./build/examples/net_chat      join (any number of times)
// Type in the window and press Return to send; Escape ends.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "orvane/orvane.h"

namespace {

constexpr double kReturn = 28, kBackspace = 14;

// Players on the host machine get no broadcasts, so a line goes to every
// other player by id.
void SendToEveryone(double me, const RtString& line) {
  const double count = NetPlayerCount();
  for (double i = 0; i < count; ++i) {
    const double id = NetPlayerIdByIndex(i);
    if (id != 0 && id != me) NetSendMessage(me, id, line);
  }
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.frameRate = 30;
  RtString caption("net chat");
  settings.caption.Exchange(caption);
}

double GameMain() {
  const char* join = std::getenv("CHAT_HOST");
  if (!(join ? NetJoin(join, 0) : NetHost(0))) {
    std::printf("could not %s\n", join ? "join" : "host (is another copy hosting?)");
    return 0;
  }
  const RtString name = RtString(join ? "guest " : "host ") + NetLocalAddresses();
  const double me = NetCreatePlayer(name);
  std::deque<std::string> lines{std::string("you are ") + name.CStr()};
  std::string typing;
  bool returnHeld = false, backHeld = false;
  SetClearColor(0x402010);
  while (NetIsRunning()) {
    for (RtString m = NetGetMessage(me); !m.Empty(); m = NetGetMessage(me)) {
      lines.push_back(std::string(NetPlayerName(NetLastSender()).CStr()) + ": " + m.CStr());
    }
    for (RtString c = InKey(); !c.Empty(); c = InKey()) {
      if (static_cast<unsigned char>(c[0]) >= 32) typing += c.CStr();
    }
    const bool returnDown = KeyDown(kReturn) != 0, backDown = KeyDown(kBackspace) != 0;
    if (backDown && !backHeld && !typing.empty()) typing.pop_back();
    if (returnDown && !returnHeld && !typing.empty()) {
      SendToEveryone(me, typing.c_str());
      lines.push_back("me: " + typing);
      typing.clear();
    }
    returnHeld = returnDown;
    backHeld = backDown;
    while (lines.size() > 25) lines.pop_front();  // what fits above the input box

    double y = 8;
    for (const std::string& l : lines) {
      PrintText(l.c_str(), 8, y, 0);
      y += 16;
    }
    DrawRect(0, 420, 640, 60, 0x603818);
    PrintText("Return sends to every player, Escape ends", 8, 428, 0);
    PrintText(("> " + typing + "_").c_str(), 8, 456, 0);
    ShowScreen();
  }
  std::printf("the session ended\n");
  return 0;
}

void GameExitHook() { NetShutdown(); }
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
