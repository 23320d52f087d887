// Game-facing commands of the media subsystem: resolve, convert and forward.
#include "orvane/media.h"

#include <string>

#include "files/asset_locator.h"
#include "media/movie_player.h"
#include "media/music_player.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/main_loop.h"
#include "runtime/runtime_state.h"

namespace {

orv::MusicPlayer* Music() { return orv::Rt().music.get(); }

// Media players need a real file: an archived entry becomes a temporary file.
bool ResolveMedia(const RtString& name, std::string& path) {
  RtString found;
  if (!orv::ResolveAsset(orv::Rt().movieLocator.get(), name, found, false) || found.Length() == 0) return false;
  path.assign(found.CStr(), found.Length());
  return true;
}

}  // namespace

void PlayMusic(const RtString& name, double loop) {
  orv::ClearError();
  orv::MusicPlayer* music = Music();
  if (music) music->Stop();
  std::string path;
  const bool playing = ResolveMedia(name, path) && music && music->Play(path, loop != 0, orv::ClockMs());
  // The mixer streams from the file it opened: an extracted copy can go now.
  if (orv::AssetLocator* locator = orv::Rt().movieLocator.get()) locator->DeleteTempFile();
  if (!playing) return orv::Fail(orv::kErrNoSuchFile);
  // Starting music ends the runtime's pause (and raises the resume event).
  orv::SetPaused(false);
}

void CrossFadeMusic(const RtString& name, double ms, double loop) {
  orv::ClearError();
  orv::MusicPlayer* music = Music();
  std::string path;
  const bool playing =
      ResolveMedia(name, path) && music && music->CrossFade(path, loop != 0, ms, orv::ClockMs());
  if (orv::AssetLocator* locator = orv::Rt().movieLocator.get()) locator->DeleteTempFile();
  if (!playing) {
    orv::SetErrorCode(orv::kErrNoSuchFile);
    return;
  }
  orv::SetPaused(false);
}

void StopMusic() {
  if (orv::MusicPlayer* music = Music()) music->Stop();
}

void PauseMusic(double pause) {
  if (orv::MusicPlayer* music = Music()) music->Pause(pause != 0, orv::ClockMs());
}

double IsMusicPlaying() {
  orv::MusicPlayer* music = Music();
  return music && music->Playing() ? 1 : 0;
}

void SetMusicVolume(double volume) {
  if (orv::MusicPlayer* music = Music()) music->SetVolume(volume);
}

void RestartMusicIfDue() {
  if (orv::MusicPlayer* music = Music()) music->RestartIfDue(orv::ClockMs());
}

double PlayMovie(const RtString& name, double loop) {
  std::string path;
  if (!ResolveMedia(name, path)) return orv::kErrNoSuchFile;
  return orv::PlayMovieFile(path, loop != 0);
}
