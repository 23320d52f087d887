// A music track decoded as it plays: FFmpeg reads the file (through
// av_input.h), decodes the sound and resamples it to the mixer's rate as
// stereo floats, a mixing period at a time.
//
// Looping happens before the resampler, in the file's own samples: at the
// loop's end (or the track's real end) the decoder seeks back to the loop's
// start (or the track's) and drops what lies before it, so the resampler
// sees one unbroken stream and the seam is exact to the sample, with no gap
// and no click. Seeking lands on the exact sample where the file's time
// stamps allow it (WAV, OGG Vorbis, FLAC); elsewhere a loop restarts from
// the track's start and counts its way there.
//
// Opening happens on the game thread; once handed to the music mixer the
// decoder is read only on the mixer thread, under the mixer's lock.
//
// Depends on: libavformat, libavcodec, libswresample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "media/av_input.h"
#include "media/music_loop.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace orv {

class MusicDecoder {
 public:
  MusicDecoder() = default;
  ~MusicDecoder();
  MusicDecoder(const MusicDecoder&) = delete;
  MusicDecoder& operator=(const MusicDecoder&) = delete;

  // Opens the file's sound for playing at `outRate`; false when it has no
  // sound this decoder can play (`why` may tell more). Loop points the file
  // carries are read and checked; one that cannot be played is dropped,
  // and LoopProblem() says why.
  bool Open(const std::string& path, int outRate, std::string& why);

  int SourceRate() const { return rate_; }
  // The track's length in the file's samples, 0 when it cannot tell.
  int64_t LengthFrames() const { return lengthFrames_; }
  double Seconds() const { return rate_ > 0 ? static_cast<double>(lengthFrames_) / rate_ : 0; }
  const LoopPoints& Loop() const { return loop_; }
  const std::string& LoopProblem() const { return loopProblem_; }
  // A problem found only while playing (a loop that ends beyond the real
  // end of a track whose length the file could not tell); "" when none
  // came up since the last call.
  std::string TakeLateProblem() { return std::exchange(lateProblem_, std::string()); }

  // Looping: at the loop's end (or the track's) playing goes on at the
  // loop's start (or the track's); else the track ends there.
  void SetLooping(bool loop) { looping_ = loop; }
  // Up to `frames` stereo frames (interleaved floats, full scale 1.0);
  // fewer only once the track is over.
  size_t Read(float* out, size_t frames);
  bool Ended() const { return ended_; }
  // From the start again (a track that had ended, or any other).
  bool Restart();
  // Rounds played through the loop's (or the track's) end so far.
  int64_t Laps() const { return laps_; }

 private:
  bool OpenCodec(int outRate, std::string& why);
  void ReadLoopPoints(const std::string& path);
  bool ResetResampler();
  // Decodes the next packet into out_; false once nothing more will come.
  bool DecodeMore();
  // Takes the decoder's frames; false when a seek ended them early.
  bool DrainFrames();
  // Frame positions, trimming, the loop's end; resamples what is kept.
  bool TakeFrame();
  void Convert(const uint8_t** in, int count);
  // Goes to `target` (a position in the file's samples); false when the
  // file cannot seek.
  bool SeekTo(int64_t target);
  void AtEndOfData();
  int64_t LoopEnd() const { return looping_ && loop_.present ? loop_.end : INT64_MAX; }
  int64_t LoopStart() const { return loop_.present ? loop_.start : 0; }

  AvInput input_;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int stream_ = -1;
  int rate_ = 0;
  int outRate_ = 0;
  int outChannels_ = 2;  // 1 for a mono file (copied to both sides)
  int64_t lengthFrames_ = 0;
  LoopPoints loop_;
  std::string loopProblem_;
  std::string lateProblem_;
  bool looping_ = false;

  int64_t pos_ = 0;          // the file's sample position of the next sample taken
  int64_t framesTaken_ = 0;  // decoded frames seen since the start (for the origin)
  int64_t origin_ = 0;       // time stamp (in samples) of position 0
  int64_t firstStamp_ = INT64_MIN;  // the track's first decoded frame: its stamp
  int firstSamples_ = 0;            // and its length, as first decoded
  int64_t skipTo_ = -1;      // after a seek: samples before this position are dropped
  bool placed_ = false;      // the first frame after the seek gave the position
  bool countFromStart_ = false;  // positions by counting (the stamps are missing)
  bool inputDone_ = false;
  bool ended_ = false;
  int emptyLaps_ = 0;        // seeks back with nothing taken since
  int64_t laps_ = 0;
  std::vector<float> out_;   // resampled, interleaved outChannels_
  size_t outRead_ = 0;       // floats of out_ already read
};

}  // namespace orv
