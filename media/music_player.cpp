#include "media/music_player.h"

#include <SDL2/SDL_mixer.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "files/file_channel.h"
#include "media/music_header.h"
#include "runtime/error_state.h"

namespace orv {

MusicPlayer::~MusicPlayer() { Stop(); }

double MusicPlayer::LengthMs() const {
  if (!music_) return kMinLoopMs;
  const double seconds = Mix_MusicDuration(music_);
  // A format that cannot tell its length (MIDI on some builds) keeps a
  // restart time far enough away never to come due, while the loop
  // bookkeeping still reads as looping.
  if (!(seconds > 0)) return 1e12;
  return std::max(kMinLoopMs, seconds * 1000.0);
}

namespace {

// The type the mixer would guess from the name before it looks at the
// bytes (an MP3 without a tag is known by its name only).
Mix_MusicType TypeFromName(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return MUS_NONE;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "wav") return MUS_WAV;
  if (ext == "mid" || ext == "midi" || ext == "kar") return MUS_MID;
  if (ext == "ogg") return MUS_OGG;
  if (ext == "opus") return MUS_OPUS;
  if (ext == "flac") return MUS_FLAC;
  if (ext == "mpg" || ext == "mpeg" || ext == "mp3" || ext == "mad") return MUS_MP3;
  return MUS_NONE;
}

// The file opened here (a regular file only) and checked, then handed to
// the mixer, which streams from it until the music is freed.
_Mix_Music* LoadMusic(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return nullptr;
  std::string why;
  const ReadAtFn read = [fd](uint64_t offset, uint8_t* dst, size_t n) {
    const ssize_t got = ::pread(fd, dst, n, static_cast<off_t>(offset));
    return got > 0 ? static_cast<size_t>(got) : size_t{0};
  };
  FILE* file = MusicHeaderUsable(read, why) ? ::fdopen(fd, "rb") : nullptr;
  if (!file) {
    if (!why.empty()) LogFormat("Music %s not played: %s\n", path.c_str(), why.c_str());
    ::close(fd);
    return nullptr;
  }
  SDL_RWops* source = SDL_RWFromFP(file, SDL_TRUE);
  if (!source) {
    std::fclose(file);
    return nullptr;
  }
  return Mix_LoadMUSType_RW(source, TypeFromName(path), 1);  // closes the source on failure
}

}  // namespace

bool MusicPlayer::Play(const std::string& path, bool loop, double now) {
  Stop();
  musicFile_ = path;
  // The mixer plays music only while the device is open; without it there
  // is nothing to open the file with.
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels)) return false;
  music_ = LoadMusic(path);
  if (!music_) return false;
  // A looping track is looped by the mixer itself: at the track's real end
  // its decoder seeks back to the start, with no gap and nothing cut off,
  // whatever length the file claims (an MP3 without a length header is
  // often estimated seconds off). Only a track shorter than the minimum
  // period waits for the clock, in silence, as the period asks.
  const double seconds = Mix_MusicDuration(music_);
  mixerLoops_ = loop && !(seconds > 0 && seconds * 1000 < kMinLoopMs);
  loopEnd_ = loop ? now + LengthMs() : 0;
  if (Mix_PlayMusic(music_, mixerLoops_ ? -1 : 0) != 0) {
    Stop();
    return false;
  }
  SetVolume(1);
  return true;
}

void MusicPlayer::Stop() {
  volumeCache_ = -1;
  loopEnd_ = 0;
  mixerLoops_ = false;
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
  if (mixerLoops_) return;  // already back at its start
  // A track shorter than the minimum period has waited in silence until now.
  Mix_PlayMusic(music_, 0);
}

}  // namespace orv
