// Media: background music and blocking movies.
//
// Music streams through the mixer's music channel (SDL2_mixer) on the same
// output device as the sound effects, so it exists only while the audio
// stage has the device open. Movies are decoded with FFmpeg (movie_decoder.h)
// and drawn straight into the game window (movie_player.h).
//
// Depends on: audio/ (the open mixer), files/ (the temporary-file asset
// locator: archived media are extracted to a real file), runtime/ (clock,
// error code, pause state), input/ and gfx2d/ (for movies). Music and movies
// are driven from the game thread only; the mixer thread reads nothing of
// this object.
#pragma once

#include <cstdint>
#include <string>

struct _Mix_Music;

namespace orv {

// A track shorter than this still loops with this period.
constexpr double kMinLoopMs = 500;

class MusicPlayer {
 public:
  MusicPlayer() = default;
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Stops what plays, then opens and starts `path` (a real file) at `now`.
  // False when the file cannot be opened as music; nothing plays then.
  bool Play(const std::string& path, bool loop, double now);
  void Stop();
  void Pause(bool pause, double now);
  bool Playing() const;
  // Sends the volume (0..1) unless it equals the last one sent.
  void SetVolume(double volume);
  // Moves a looping track's restart time on when it is up, and starts a
  // track shorter than the minimum period again (longer ones the mixer
  // loops by itself, seamlessly).
  void RestartIfDue(double now);

  bool Open() const { return music_ != nullptr; }
  const std::string& File() const { return musicFile_; }
  // Clock time of the next restart; 0 when not looping, negated while a
  // looping track is paused.
  double LoopEnd() const { return loopEnd_; }
  double PauseStart() const { return pauseStart_; }
  double VolumeCache() const { return volumeCache_; }
  // How many volumes reached the mixer (the cache's effect is visible here).
  int VolumeSends() const { return volumeSends_; }
  // The track's length as used for looping, in milliseconds.
  double LengthMs() const;

 private:
  _Mix_Music* music_ = nullptr;
  std::string musicFile_;
  double loopEnd_ = 0;
  double pauseStart_ = 0;
  double volumeCache_ = -1;
  int volumeSends_ = 0;
  bool mixerLoops_ = false;  // the mixer loops the track (it is not shorter than the minimum period)
};

}  // namespace orv
