// The music stream: every playing track is a voice with its own decoder,
// mixed with its own gain into the mixer's music hook, so two tracks can
// sound at once while one fades out and the next fades in.
//
// Why a hook over our own decoders: SDL2_mixer plays one music stream and
// keeps its decoders to itself, and its channels play sounds decoded whole
// beforehand (a three-minute track would take 30 MB and seconds of decoding
// before it starts). Here each track streams, a period at a time, and the
// gains change per sample, so a cross-fade has no steps.
//
// Cross-fades keep the sum of the two tracks' powers constant: over the
// fade's length the outgoing gain falls as cos(pi/2 * t) from where it was,
// the incoming one rises as sin(pi/2 * t). The master volume multiplies
// every voice.
//
// The game thread calls everything here; the mixer thread calls only Mix.
// Both take this object's mutex, and nothing of SDL2_mixer is called while
// it is held (the mixer holds its own lock while it calls Mix).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/music_decoder.h"

namespace orv {

// Voices at most; a cross-fade beyond that cuts the quietest fading one.
constexpr size_t kMaxMusicVoices = 4;

class MusicMixer {
 public:
  explicit MusicMixer(int rate) : rate_(rate) {}
  ~MusicMixer() { Detach(); }
  MusicMixer(const MusicMixer&) = delete;
  MusicMixer& operator=(const MusicMixer&) = delete;

  // Takes over the mixer's music stream (false without an open mixer);
  // Detach gives it back to SDL2_mixer's own music.
  bool Attach();
  void Detach();
  bool Attached() const { return attached_; }
  int Rate() const { return rate_; }

  // Starts a voice and returns its id. With `fadeFrames` > 0 it fades in
  // over that many frames while every other voice fades out over the same
  // frames; with 0 it starts at full gain and the others stop at once.
  int Start(std::unique_ptr<MusicDecoder> decoder, int64_t fadeFrames);
  // Stops every voice at once.
  void StopAll();
  void SetPaused(bool paused);
  void SetVolume(float volume);
  // The voice still plays (or is paused): it exists and has not ended.
  bool Playing(int id);
  // Starts an ended (or playing) voice from its start again.
  void Restart(int id);
  // Frees the voices that have finished (on the caller's thread, not the
  // mixer's) and returns what their decoders found to report.
  std::vector<std::string> Collect();

  // How the voices stand, for tests: gain now, loop rounds played.
  float Gain(int id);
  int64_t Laps(int id);
  size_t VoiceCount();

  // The mixer's callback (public for the C entry).
  void Mix(uint8_t* stream, int bytes);

 private:
  struct Voice {
    int id = 0;
    std::unique_ptr<MusicDecoder> decoder;
    // Gain over a fade: from `from` to `to` along a quarter sine (in) or
    // cosine (out); `done` of `length` frames so far.
    float from = 1, to = 1;
    int64_t length = 0, done = 0;
    bool fadingOut = false;
    bool finished = false;  // faded out or ended: nothing more to mix
    float GainAt(int64_t frame) const;
  };
  Voice* Find(int id);

  const int rate_;
  bool attached_ = false;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Voice>> voices_;
  std::vector<std::string> messages_;
  std::vector<float> scratch_, sum_;
  float volume_ = 1;
  bool paused_ = false;
  int nextId_ = 1;
};

}  // namespace orv
