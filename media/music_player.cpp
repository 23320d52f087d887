#include "media/music_player.h"

#include <SDL2/SDL_mixer.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "files/file_channel.h"
#include "media/music_decoder.h"
#include "media/music_header.h"
#include "media/music_mixer.h"
#include "runtime/error_state.h"

namespace orv {

MusicPlayer::MusicPlayer() = default;

MusicPlayer::~MusicPlayer() {
  Stop();
  mixer_.reset();
}

namespace {

double LengthFromSeconds(double seconds) {
  // A format that cannot tell its length (MIDI on some builds) keeps a
  // restart time far enough away never to come due, while the loop
  // bookkeeping still reads as looping.
  if (!(seconds > 0)) return 1e12;
  return std::max(kMinLoopMs, seconds * 1000.0);
}

// What every music file passes before a decoder sees it (music_header.h).
bool HeaderUsable(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  std::string why;
  const ReadAtFn read = [fd](uint64_t offset, uint8_t* dst, size_t n) {
    const ssize_t got = ::pread(fd, dst, n, static_cast<off_t>(offset));
    return got > 0 ? static_cast<size_t>(got) : size_t{0};
  };
  const bool usable = MusicHeaderUsable(read, why);
  ::close(fd);
  if (!usable) LogFormat("Music %s not played: %s\n", path.c_str(), why.c_str());
  return usable;
}

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

// The file opened here (a regular file only), then handed to SDL2_mixer,
// which streams from it until the music is freed.
_Mix_Music* LoadMixerMusic(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return nullptr;
  FILE* file = ::fdopen(fd, "rb");
  if (!file) {
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

bool MusicPlayer::OpenTrack(const std::string& path, bool loop, std::unique_ptr<MusicDecoder>& decoder,
                            _Mix_Music*& mixerMusic) {
  // Music plays only while the device is open; without it there is
  // nothing to open the file for.
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&rate, &format, &channels) || !HeaderUsable(path)) return false;
  if (!mixer_) mixer_ = std::make_unique<MusicMixer>(rate);
  auto opened = std::make_unique<MusicDecoder>();
  std::string why;
  if (opened->Open(path, rate, why) && mixer_->Attach()) {
    if (!opened->LoopProblem().empty())
      LogFormat("Music %s: %s; it loops whole\n", path.c_str(), opened->LoopProblem().c_str());
    const double seconds = opened->Seconds();
    loopsItself_ = loop && !(seconds > 0 && seconds * 1000 < kMinLoopMs);
    opened->SetLooping(loopsItself_);
    lengthMs_ = LengthFromSeconds(seconds);
    decoder = std::move(opened);
    return true;
  }
  if (!why.empty()) {
    LogFormat("Music %s not played: %s\n", path.c_str(), why.c_str());
    return false;
  }
  // What the decoder cannot read at all (MIDI, for one) may still be music
  // to SDL2_mixer.
  mixerMusic = LoadMixerMusic(path);
  if (!mixerMusic) return false;
  const double seconds = Mix_MusicDuration(mixerMusic);
  loopsItself_ = loop && !(seconds > 0 && seconds * 1000 < kMinLoopMs);
  lengthMs_ = LengthFromSeconds(seconds);
  return true;
}

void MusicPlayer::StopMixerMusic() {
  if (!mixerMusic_) return;
  Mix_HaltMusic();
  Mix_FreeMusic(mixerMusic_);
  mixerMusic_ = nullptr;
  if (mixer_) mixer_->Attach();  // the music stream is the voices' again
}

bool MusicPlayer::Play(const std::string& path, bool loop, double now) {
  Stop();
  musicFile_ = path;
  std::unique_ptr<MusicDecoder> decoder;
  _Mix_Music* mixerMusic = nullptr;
  if (!OpenTrack(path, loop, decoder, mixerMusic)) return false;
  // A looping track loops by itself: at its real end (or its loop's end)
  // the decoder goes back, with no gap and nothing cut off, whatever length
  // the file claims (an MP3 without a length header is often estimated
  // seconds off). Only a track shorter than the minimum period waits for
  // the clock, in silence, as the period asks.
  if (decoder) {
    voice_ = mixer_->Start(std::move(decoder), 0);
  } else {
    if (mixer_) mixer_->Detach();
    mixerMusic_ = mixerMusic;
    if (Mix_PlayMusic(mixerMusic_, loopsItself_ ? -1 : 0) != 0) {
      Stop();
      return false;
    }
  }
  loopEnd_ = loop ? now + lengthMs_ : 0;
  SetVolume(1);
  return true;
}

bool MusicPlayer::CrossFade(const std::string& path, bool loop, double fadeMs, double now) {
  std::unique_ptr<MusicDecoder> decoder;
  _Mix_Music* mixerMusic = nullptr;
  if (!OpenTrack(path, loop, decoder, mixerMusic)) return false;
  musicFile_ = path;
  const bool wasOpen = Open();
  const double ms = std::isfinite(fadeMs) ? std::clamp(fadeMs, 0.0, 3600000.0) : 0.0;
  if (decoder) {
    // SDL2_mixer's own music cannot overlap a voice: it stops at once.
    StopMixerMusic();
    mixer_->SetPaused(false);
    voice_ = mixer_->Start(std::move(decoder), std::llround(ms * mixer_->Rate() / 1000));
  } else {
    // A track only SDL2_mixer can play fades in alone.
    if (mixer_) {
      mixer_->StopAll();
      mixer_->Detach();
    }
    voice_ = 0;
    StopMixerMusic();
    if (mixer_) mixer_->Detach();
    mixerMusic_ = mixerMusic;
    if (Mix_FadeInMusic(mixerMusic_, loopsItself_ ? -1 : 0, static_cast<int>(ms)) != 0) {
      Stop();
      return false;
    }
    if (volumeCache_ >= 0) Mix_VolumeMusic(static_cast<int>(std::lround(volumeCache_ * MIX_MAX_VOLUME)));
  }
  loopEnd_ = loop ? now + lengthMs_ : 0;
  if (!wasOpen || volumeCache_ < 0) {
    volumeCache_ = -1;
    SetVolume(1);
  }
  return true;
}

void MusicPlayer::Stop() {
  volumeCache_ = -1;
  loopEnd_ = 0;
  loopsItself_ = false;
  if (mixer_) mixer_->StopAll();
  voice_ = 0;
  StopMixerMusic();
}

void MusicPlayer::Pause(bool pause, double now) {
  if (!Open()) return;
  if (pause) {
    if (loopEnd_ > 0) {
      pauseStart_ = now;
      loopEnd_ = -loopEnd_;
    }
  } else if (loopEnd_ < 0) {
    loopEnd_ = -loopEnd_ + (now - pauseStart_);
  }
  if (mixerMusic_) {
    pause ? Mix_PauseMusic() : Mix_ResumeMusic();
  } else {
    mixer_->SetPaused(pause);
  }
}

bool MusicPlayer::Playing() const {
  if (!Open()) return false;
  if (loopEnd_ > 0) return true;
  // A paused track is still before its end.
  return mixerMusic_ ? Mix_PlayingMusic() != 0 : mixer_->Playing(voice_);
}

void MusicPlayer::SetVolume(double volume) {
  // NaN would never equal the cache and reaches the mixer as 0.
  if (std::isnan(volume)) volume = 0;
  volume = std::clamp(volume, 0.0, 1.0);
  if (volume == volumeCache_) return;
  volumeCache_ = volume;
  if (!Open()) return;
  if (mixer_) mixer_->SetVolume(static_cast<float>(volume));
  if (mixerMusic_) Mix_VolumeMusic(static_cast<int>(std::lround(volume * MIX_MAX_VOLUME)));
  ++volumeSends_;
}

void MusicPlayer::RestartIfDue(double now) {
  if (mixer_)
    for (const std::string& problem : mixer_->Collect())
      LogFormat("Music %s: %s; it loops whole\n", musicFile_.c_str(), problem.c_str());
  if (!Open() || loopEnd_ <= 0 || now < loopEnd_) return;
  loopEnd_ = now + lengthMs_;
  if (loopsItself_) return;  // already back at its start
  // A track shorter than the minimum period has waited in silence until now.
  if (mixerMusic_) {
    Mix_PlayMusic(mixerMusic_, 0);
  } else {
    mixer_->Restart(voice_);
  }
}

}  // namespace orv
