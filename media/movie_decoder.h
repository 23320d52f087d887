// Movie decoding: FFmpeg demuxes and decodes a file or a block of memory
// into RGBA pictures with time stamps and into stereo 16-bit sound in the
// mixer's rate.
//
// The bytes come through the runtime's own reader (av_input.h), so a movie
// file cannot make the runtime read anything but itself. Damaged data ends
// the stream early; it never fails in any other way.
//
// Depends on: libavformat, libavcodec, libswscale, libswresample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "media/av_input.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace orv {

// Sound one step may decode and leave untaken, at most, in samples (about
// three minutes at 22050 Hz stereo): a packet that would decode to more is
// dropped as damaged.
constexpr size_t kMaxPendingSoundSamples = size_t{8} << 20;

// One decoded picture, top row first, 4 bytes per pixel (R, G, B, A).
struct MoviePicture {
  int width = 0, height = 0;
  double timeMs = 0;  // presentation time from the movie's start
  std::vector<uint8_t> rgba;
};

class MovieDecoder {
 public:
  MovieDecoder();
  ~MovieDecoder();
  MovieDecoder(const MovieDecoder&) = delete;
  MovieDecoder& operator=(const MovieDecoder&) = delete;

  // Opens a movie with a video stream; false when the file is missing or is
  // not media FFmpeg can decode pictures from. Sound (if any) comes out at
  // `soundRate` stereo; 0 ignores the sound.
  bool OpenFile(const std::string& path, int soundRate);
  // The same over bytes the caller keeps alive while the decoder exists.
  bool OpenMemory(const uint8_t* data, size_t size, int soundRate);

  // Reads and decodes one packet: pictures join Pictures(), sound joins
  // Sound(). False once the stream has ended (or is too damaged to go on,
  // or memory ran out).
  //
  // Pictures and sound share one timeline, from the earlier start of the
  // two streams: sound that starts later begins with silence, so sample n
  // of Sound() (counted from the start) is heard at n / rate. Picture
  // times are on the same timeline; after a jump in the stamps (more than
  // a few frames) the pictures go on one frame after the previous one.
  bool Step();
  bool Ended() const { return ended_; }
  // The stream ended early because memory ran out.
  bool RanOutOfMemory() const { return outOfMemory_; }
  // Back to the start for another round; false when the movie cannot seek.
  bool Rewind();

  std::deque<MoviePicture>& Pictures() { return pictures_; }
  // Interleaved stereo samples decoded so far and not yet taken.
  std::vector<int16_t>& Sound() { return sound_; }
  // Where the sound decoded so far ends on the timeline (0 without sound).
  double SoundEndMs() const;

  bool HasSound() const { return audioStream_ >= 0; }
  // The picture size the movie wants shown (pixel aspect applied).
  int DisplayWidth() const { return displayWidth_; }
  int DisplayHeight() const { return displayHeight_; }
  // Time one picture stays on screen, from the stream's frame rate.
  double FrameMs() const { return frameMs_; }

 private:
  bool OpenSource(int soundRate);
  bool OpenVideo();
  bool OpenSound(int soundRate);
  void Close();
  void DrainVideo();
  void DrainSound();
  void FlushResampler();
  // Resamples `count` frames (none: what the resampler holds) onto Sound();
  // false when nothing came out or it would not fit.
  bool TakeSound(const uint8_t** in, int count);
  // A stamp in milliseconds (NaN when missing).
  double StampMs(int64_t pts, int stream) const;
  void PlaceOnTimeline();
  void ResetTimeline();
  // The next picture's time on the timeline.
  double PictureTime(int64_t pts);

  AvInput input_;
  AVFormatContext* format_ = nullptr;  // input_'s
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int videoStream_ = -1;
  int audioStream_ = -1;
  int soundRate_ = 0;
  int displayWidth_ = 0, displayHeight_ = 0;
  double frameMs_ = 40;
  double jumpMs_ = 1000;       // a larger gap in the stamps is a discontinuity
  double originMs_ = 0;        // the timeline's start, in stream time
  int64_t leadFrames_ = 0;     // silence before the first sample
  double lastPictureMs_ = -1;
  double pictureShiftMs_ = 0;  // added to picture stamps after discontinuities
  int64_t soundFrames_ = 0;    // sound frames put out since the start (silence too)
  bool ended_ = false;
  bool outOfMemory_ = false;
  std::deque<MoviePicture> pictures_;
  std::vector<int16_t> sound_;
};

}  // namespace orv
