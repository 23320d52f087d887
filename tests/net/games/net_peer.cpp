// A game that joins a session: it creates one player (NET_NAME), waits until
// NET_PLAYERS players are in the game, broadcasts one line, sends one line to
// player NET_TO, then prints every message it receives ("got <from> <text>")
// until NET_WAIT_MS have passed and NET_EXPECT broadcasts of other games have
// come, and leaves.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/orvane.h"

namespace {

double Env(const char* name, double fallback) {
  const char* v = std::getenv(name);
  return v ? std::atof(v) : fallback;
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = 64;
  settings.height = 64;
}

double GameMain() {
  if (!NetJoin("127.0.0.1", Env("NET_PORT", 0))) {
    std::printf("join failed\n");
    return 0;
  }
  const RtString name = std::getenv("NET_NAME") ? std::getenv("NET_NAME") : "peer";
  const double me = NetCreatePlayer(name);
  std::printf("id %d\n", static_cast<int>(me));
  std::fflush(stdout);
  const double start = ElapsedMs();
  while (NetPlayerCount() < Env("NET_PLAYERS", 1) && ElapsedMs() - start < 30000) ShowScreen();
  NetSendMessage(me, 0, "all from " + name);
  if (Env("NET_TO", 0) > 0) NetSendMessage(me, Env("NET_TO", 0), "only from " + name);
  // A loaded machine can hold another game back for seconds: the game stays
  // until the NET_EXPECT broadcasts of the others have come (20 s at most),
  // and at least NET_WAIT_MS, so a broadcast arriving twice would show.
  const int expected = static_cast<int>(Env("NET_EXPECT", 0));
  int broadcasts = 0;
  const double least = ElapsedMs() + Env("NET_WAIT_MS", 1500), most = ElapsedMs() + 20000;
  while (ElapsedMs() < most && (ElapsedMs() < least || broadcasts < expected)) {
    for (RtString m = NetGetMessage(me); !m.Empty(); m = NetGetMessage(me)) {
      std::printf("got %d %s\n", static_cast<int>(NetLastSender()), m.CStr());
      broadcasts += std::string(m.CStr()).rfind("all from ", 0) == 0;
    }
    ShowScreen();
  }
  std::fflush(stdout);
  NetShutdown();
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
