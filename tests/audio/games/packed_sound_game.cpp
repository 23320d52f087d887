// A game whose sound lives only in the archive appended to it: loaded by its
// asset name and by the mem:// name the locator hands out, then played.
#include <cstdio>
#include <cstring>

#include "files/asset_locator.h"
#include "orvane/orvane.h"
#include "runtime/runtime_state.h"

void GameSettings(ProjectSettings& s) {
  s.width = 160;
  s.height = 120;
  s.caption = "packed sound";
}

double GameMain() {
  LoadSound("Media/sfx_001.wav", 1, 4);
  std::printf("by name %g\n", ErrorCode());

  RtString memName;
  orv::ResolveAsset(orv::Rt().fileLocator.get(), "Media/sfx_001.wav", memName, true);
  LoadSound(memName, 2, 1);
  std::printf("by %.6s name %g\n", memName.CStr(), ErrorCode());

  std::printf("played %g %g\n", PlaySoundSlot(1, -1, 1), PlaySoundSlot(2, 1, 1));
  for (int frame = 0; frame < 600 && (SoundPlaying(256) || SoundPlaying(512)); ++frame) ShowScreen();
  std::printf("done\n");
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
