// Blocking movie playback in the game window: the movie is decoded
// (movie_decoder.h), its sound joins the mixer (movie_sound.h), and each
// runtime frame shows the picture due at the sound's clock, aspect-fit and
// centred, through the 2D device. The game waits in the runtime's modal
// wait meanwhile; its flip paces the frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "media/movie_decoder.h"
#include "media/movie_sound.h"

namespace orv {

struct FitRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The movie scaled by the smaller of the two ratios (aspect kept, filling
// the client area in one direction) and centred in it.
FitRect FitMovie(int movieW, int movieH, int clientW, int clientH);

class OpenGLVexel;

// One movie being played: decoding ahead of the clock, its sound, and the
// device its pictures are shown on.
class MovieSession {
 public:
  explicit MovieSession(OpenGLVexel& device) : device_(device) {}
  ~MovieSession();
  MovieSession(const MovieSession&) = delete;
  MovieSession& operator=(const MovieSession&) = delete;

  // Opens the movie; with `withSound` its sound goes to the open mixer
  // (a movie without sound, or without a mixer, runs on the runtime clock).
  bool Open(const std::string& path, bool withSound);
  // Starts the round's clock at `nowMs` (runtime clock).
  void Start(double nowMs);
  // Decodes up to the clock and draws the picture due into a clientW x
  // clientH window (black around it). False when the round has ended:
  // everything shown and heard.
  bool Frame(double nowMs, int clientW, int clientH);
  // Starts another round from the beginning; false when the movie cannot.
  bool Restart(double nowMs);

  // The movie's clock in milliseconds (the sound's, or else the runtime's
  // time since the round started, `sinceStartMs`).
  double ClockMs(double sinceStartMs);
  // Time stamp of the picture on screen; -1 before the first.
  double ShownMs() const { return shownMs_; }
  const MovieDecoder& Decoder() const { return decoder_; }

 private:
  void Fill(double clockMs);

  OpenGLVexel& device_;
  MovieDecoder decoder_;
  std::unique_ptr<MovieSound> sound_;
  bool soundLive_ = false;  // the sound drives the clock
  double startMs_ = 0;      // runtime clock at the round's start
  double soundEndMs_ = 0;   // where the sound clock stood when it ran out
  double soundEndAt_ = 0;   // time since the start then
  double shownMs_ = -1;
};

// Plays a resolved movie file until it ends (again and again with `loop`)
// or a key or mouse button is pressed. 0, or 3 when it is not media.
double PlayMovieFile(const std::string& path, bool loop);

}  // namespace orv
