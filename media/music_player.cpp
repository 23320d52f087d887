#include "media/music_player.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cmath>

namespace orv {

MusicPlayer::~MusicPlayer() { Stop(); }

double MusicPlayer::LengthMs() const {
  if (!music_) return kMinLoopMs;
  const double seconds = Mix_MusicDuration(music_);
  // A format that cannot tell its length (MIDI on some builds) is looped by
  // the mixer itself; the restart time then lies far enough away never to
  // come due, while the loop bookkeeping still reads as looping.
  if (!(seconds > 0)) return 1e12;
  return std::max(kMinLoopMs, seconds * 1000.0);
}

bool MusicPlayer::Play(const std::string& path, bool loop, double now) {
  Stop();
  musicFile_ = path;
  // The mixer plays music only while the device is open; without it there
  // is nothing to open the file with.
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels)) return false;
  music_ = Mix_LoadMUS(path.c_str());
  if (!music_) return false;
  const bool unknownLength = !(Mix_MusicDuration(music_) > 0);
  loopEnd_ = loop ? now + LengthMs() : 0;
  if (Mix_PlayMusic(music_, loop && unknownLength ? -1 : 0) != 0) {
    Stop();
    return false;
  }
  SetVolume(1);
  return true;
}

void MusicPlayer::Stop() {
  volumeCache_ = -1;
  loopEnd_ = 0;
  if (!music_) return;
  Mix_HaltMusic();
  Mix_FreeMusic(music_);
  music_ = nullptr;
}

void MusicPlayer::Pause(bool pause, double now) {
  if (!music_) return;
  if (pause) {
    if (loopEnd_ > 0) {
      pauseStart_ = now;
      loopEnd_ = -loopEnd_;
    }
    Mix_PauseMusic();
  } else {
    if (loopEnd_ < 0) loopEnd_ = -loopEnd_ + (now - pauseStart_);
    Mix_ResumeMusic();
  }
}

bool MusicPlayer::Playing() const {
  if (!music_) return false;
  if (loopEnd_ > 0) return true;
  // A paused track is still before its end.
  return Mix_PlayingMusic() != 0;
}

void MusicPlayer::SetVolume(double volume) {
  // NaN would never equal the cache and reaches the mixer as 0.
  if (std::isnan(volume)) volume = 0;
  volume = std::clamp(volume, 0.0, 1.0);
  if (volume == volumeCache_) return;
  volumeCache_ = volume;
  if (!music_) return;
  Mix_VolumeMusic(static_cast<int>(std::lround(volume * MIX_MAX_VOLUME)));
  ++volumeSends_;
}

void MusicPlayer::RestartIfDue(double now) {
  if (!music_ || loopEnd_ <= 0 || now < loopEnd_) return;
  loopEnd_ = now + LengthMs();
  // Starting the track again also covers one that already ran out (a track
  // shorter than the minimum period waits in silence until now).
  Mix_PlayMusic(music_, 0);
}

}  // namespace orv
