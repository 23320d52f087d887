// Movie decoding: FFmpeg demuxes and decodes a file or a block of memory
// into RGBA pictures with time stamps and into stereo 16-bit sound in the
// mixer's rate.
//
// The bytes always come through this class's own reader, never through
// FFmpeg's protocols, and any attempt of a container to open further files
// or addresses (playlists, references) is refused: a movie file cannot make
// the runtime read anything but itself. Damaged data ends the stream early;
// it never fails in any other way.
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

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace orv {

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
  // Sound(). False once the stream has ended (or is too damaged to go on).
  bool Step();
  bool Ended() const { return ended_; }
  // Back to the start for another round; false when the movie cannot seek.
  bool Rewind();

  std::deque<MoviePicture>& Pictures() { return pictures_; }
  // Interleaved stereo samples decoded so far and not yet taken.
  std::vector<int16_t>& Sound() { return sound_; }

  bool HasSound() const { return audioStream_ >= 0; }
  // The picture size the movie wants shown (pixel aspect applied).
  int DisplayWidth() const { return displayWidth_; }
  int DisplayHeight() const { return displayHeight_; }
  // Time one picture stays on screen, from the stream's frame rate.
  double FrameMs() const { return frameMs_; }

  // The reader FFmpeg pulls bytes through (public for the C callbacks).
  struct Source {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
  };

 private:
  bool OpenSource(int soundRate);
  bool OpenVideo();
  bool OpenSound(int soundRate);
  void Close();
  void DrainVideo();
  void DrainSound();
  double TimeMs(int64_t pts, int stream) const;

  Source source_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
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
  double lastPictureMs_ = -1;
  bool ended_ = false;
  std::deque<MoviePicture> pictures_;
  std::vector<int16_t> sound_;
};

}  // namespace orv
