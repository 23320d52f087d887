// A game that loads the three demo cues named in SOUND_OPEN, SOUND_DIE and
// SOUND_PING into the demo's slots, plays them as its buttons do (pan 1,
// volume 1; "die" and "001" twice), lets them finish and ends.
#include <cstdio>
#include <cstdlib>

#include "orvane/orvane.h"

namespace {
constexpr double kOpen = 1023 + 1044, kDie = 1022 + 1044, kPing = 1 + 1044;

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 160;
  s.height = 120;
  RtString caption("sound");
  s.caption.Exchange(caption);
}

double GameMain() {
  LoadSound(Env("SOUND_OPEN"), kOpen, 1);
  std::printf("open %g\n", ErrorCode());
  LoadSound(Env("SOUND_DIE"), kDie, 2);
  std::printf("die %g\n", ErrorCode());
  LoadSound(Env("SOUND_PING"), kPing, 4);
  std::printf("ping %g\n", ErrorCode());
  std::printf("free %g\n", FreeSoundSlot());
  std::printf("played");
  for (double slot : {kOpen, kDie, kDie, kPing, kPing}) std::printf(" %g", PlaySoundSlot(slot, 1, 1));
  std::printf("\n");
  for (int frame = 0; frame < 600; ++frame) {
    bool busy = false;
    for (double channel : {kOpen * 256, kDie * 256, kDie * 256 + 1, kPing * 256, kPing * 256 + 1})
      busy = busy || SoundPlaying(channel) != 0;
    if (!busy) break;
    ShowScreen();
  }
  std::printf("done\n");
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
