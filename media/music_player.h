// Media: background music and blocking movies.
//
// Music plays on the same output as the sound effects, through the mixer's
// music stream, so it exists only while the audio stage has the device
// open. Tracks are decoded as they play (music_decoder.h) and mixed by the
// music mixer (music_mixer.h), which lets one track fade into the next and
// loops tracks on their loop points, exact to the sample. A file that
// decoder cannot read (MIDI, for one) plays through SDL2_mixer's own music
// instead, as it always did; such a track starts and ends without
// overlapping another. Movies are decoded with FFmpeg (movie_decoder.h)
// and drawn straight into the game window (movie_player.h).
//
// Depends on: audio/ (the open mixer), files/ (the temporary-file asset
// locator: archived media are extracted to a real file), runtime/ (clock,
// error code, log, pause state), input/ and gfx2d/ (for movies). Music and
// movies are driven from the game thread only; the mixer thread reads only
// the music mixer's voices.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct _Mix_Music;

namespace orv {

class MusicMixer;

// A track shorter than this still loops with this period.
constexpr double kMinLoopMs = 500;

class MusicPlayer {
 public:
  MusicPlayer();
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Stops what plays, then opens and starts `path` (a real file) at `now`.
  // False when the file cannot be opened as music; nothing plays then.
  bool Play(const std::string& path, bool loop, double now);
  // Starts `path` fading in over `fadeMs` while what plays fades out over
  // the same time; the volume stays as it is. False (and what plays goes
  // on) when the file cannot be opened as music.
  bool CrossFade(const std::string& path, bool loop, double fadeMs, double now);
  void Stop();
  void Pause(bool pause, double now);
  bool Playing() const;
  // Sends the volume (0..1) unless it equals the last one sent.
  void SetVolume(double volume);
  // Moves a looping track's restart time on when it is up, and starts a
  // track shorter than the minimum period again (longer ones loop by
  // themselves, seamlessly). Also frees tracks that have faded out and
  // logs what their decoders found.
  void RestartIfDue(double now);

  bool Open() const { return voice_ != 0 || mixerMusic_ != nullptr; }
  const std::string& File() const { return musicFile_; }
  // Clock time of the next restart; 0 when not looping, negated while a
  // looping track is paused.
  double LoopEnd() const { return loopEnd_; }
  double PauseStart() const { return pauseStart_; }
  double VolumeCache() const { return volumeCache_; }
  // How many volumes reached the mixer (the cache's effect is visible here).
  int VolumeSends() const { return volumeSends_; }
  // The track's length as used for looping, in milliseconds.
  double LengthMs() const { return lengthMs_; }
  // The music mixer (null while no audio device is open).
  MusicMixer* Mixer() const { return mixer_.get(); }
  // The current track's voice in the mixer (0 when it plays through SDL2_mixer's music, or none).
  int Voice() const { return voice_; }

 private:
  // Opens `path` for `loop`: a voice's decoder, or else SDL2_mixer's music.
  bool OpenTrack(const std::string& path, bool loop, std::unique_ptr<class MusicDecoder>& decoder,
                 _Mix_Music*& mixerMusic);
  void StopMixerMusic();

  std::unique_ptr<MusicMixer> mixer_;
  int voice_ = 0;
  _Mix_Music* mixerMusic_ = nullptr;
  std::string musicFile_;
  double lengthMs_ = kMinLoopMs;
  double loopEnd_ = 0;
  double pauseStart_ = 0;
  double volumeCache_ = -1;
  int volumeSends_ = 0;
  bool loopsItself_ = false;  // the track loops without the clock (it is not shorter than the minimum period)
};

}  // namespace orv
