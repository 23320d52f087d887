#include "media/movie_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <new>

namespace orv {

namespace {

// Pictures beyond this size are refused: a damaged header must not make
// the runtime allocate gigabytes for one frame.
constexpr int kMaxSide = 8192;
// Sound rates the resampler is given. Outside them a stream is not sound
// anyone recorded: a rate of 1 (a damaged or patched header) would make
// every decoded sample 22,050 and a second of data hours of playing.
constexpr int kMinSoundRate = 4000;
constexpr int kMaxSoundRate = 384000;
// The sound and the pictures may start this far apart and still be taken
// as one timeline; a farther start is a damaged stamp and is ignored.
constexpr double kMaxStartGapMs = 10000;
// A picture stamped this many frames (at least kMinJumpMs) beyond where
// the movie has got, or as far before the previous picture, follows a
// discontinuity in the stamps: it is shown next, not after the gap.
constexpr double kJumpFrames = 5;
constexpr double kMinJumpMs = 1000;

}  // namespace

MovieDecoder::MovieDecoder() = default;

MovieDecoder::~MovieDecoder() { Close(); }

void MovieDecoder::Close() {
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  swr_free(&resampler_);
  avcodec_free_context(&video_);
  avcodec_free_context(&audio_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  input_.Close();
  format_ = nullptr;
  videoStream_ = audioStream_ = -1;
  soundRate_ = 0;
  outOfMemory_ = false;
  originMs_ = 0;
  leadFrames_ = 0;
  ResetTimeline();
}

void MovieDecoder::ResetTimeline() {
  pictures_.clear();
  sound_.clear();
  ended_ = false;
  lastPictureMs_ = -1;
  pictureShiftMs_ = 0;
  soundFrames_ = 0;
}

bool MovieDecoder::OpenFile(const std::string& path, int soundRate) {
  Close();
  return input_.OpenFile(path) && OpenSource(soundRate);
}

bool MovieDecoder::OpenMemory(const uint8_t* data, size_t size, int soundRate) {
  Close();
  return input_.OpenMemory(data, size) && OpenSource(soundRate);
}

bool MovieDecoder::OpenSource(int soundRate) {
  format_ = input_.Format();
  if (!OpenVideo()) {
    Close();
    return false;
  }
  if (soundRate > 0) OpenSound(soundRate);
  PlaceOnTimeline();
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!frame_ || !packet_) {
    Close();
    return false;
  }
  return true;
}

bool MovieDecoder::OpenVideo() {
  const AVCodec* codec = nullptr;
  const int s = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (s < 0 || !codec) return false;
  AVStream* stream = format_->streams[s];
  video_ = avcodec_alloc_context3(codec);
  if (!video_ || avcodec_parameters_to_context(video_, stream->codecpar) < 0) return false;
  video_->thread_count = 1;
  if (avcodec_open2(video_, codec, nullptr) < 0) return false;
  if (video_->width <= 0 || video_->height <= 0 || video_->width > kMaxSide || video_->height > kMaxSide) return false;
  videoStream_ = s;
  displayWidth_ = video_->width;
  displayHeight_ = video_->height;
  const AVRational sar = av_guess_sample_aspect_ratio(format_, stream, nullptr);
  if (sar.num > 0 && sar.den > 0) {
    const double w = static_cast<double>(video_->width) * sar.num / sar.den;
    if (w >= 1 && w <= kMaxSide) displayWidth_ = static_cast<int>(w + 0.5);
  }
  const AVRational rate = av_guess_frame_rate(format_, stream, nullptr);
  if (rate.num > 0 && rate.den > 0) {
    frameMs_ = std::clamp(1000.0 * rate.den / rate.num, 1.0, 1000.0);
    jumpMs_ = std::clamp(kJumpFrames * 1000.0 * rate.den / rate.num, kMinJumpMs, 600000.0);
  }
  return true;
}

bool MovieDecoder::OpenSound(int soundRate) {
  const AVCodec* codec = nullptr;
  const int s = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, videoStream_, &codec, 0);
  if (s < 0 || !codec) return false;
  audio_ = avcodec_alloc_context3(codec);
  if (!audio_ || avcodec_parameters_to_context(audio_, format_->streams[s]->codecpar) < 0 ||
      avcodec_open2(audio_, codec, nullptr) < 0 || audio_->sample_rate < kMinSoundRate ||
      audio_->sample_rate > kMaxSoundRate || audio_->ch_layout.nb_channels <= 0) {
    // The movie plays without its sound, on the runtime's clock.
    avcodec_free_context(&audio_);
    return false;
  }
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, soundRate, &audio_->ch_layout,
                          audio_->sample_fmt, audio_->sample_rate, 0, nullptr) < 0 ||
      swr_init(resampler_) < 0) {
    swr_free(&resampler_);
    avcodec_free_context(&audio_);
    return false;
  }
  audioStream_ = s;
  soundRate_ = soundRate;
  return true;
}

double MovieDecoder::StampMs(int64_t pts, int stream) const {
  const AVStream* st = format_->streams[stream];
  if (pts == AV_NOPTS_VALUE || st->time_base.den <= 0) return NAN;
  return static_cast<double>(pts) * 1000.0 * st->time_base.num / st->time_base.den;
}

void MovieDecoder::PlaceOnTimeline() {
  // Both streams are measured from the earlier of their two starts, so
  // sound that starts after the first picture is heard after it: the gap
  // is filled with silence before the first sample.
  const double video = StampMs(format_->streams[videoStream_]->start_time, videoStream_);
  originMs_ = std::isfinite(video) ? video : 0;
  leadFrames_ = 0;
  if (audioStream_ < 0 || !std::isfinite(video)) return;
  const double sound = StampMs(format_->streams[audioStream_]->start_time, audioStream_);
  if (!std::isfinite(sound) || std::fabs(sound - video) > kMaxStartGapMs) return;
  originMs_ = std::min(video, sound);
  leadFrames_ = static_cast<int64_t>(std::lround((sound - originMs_) * soundRate_ / 1000.0));
}

double MovieDecoder::SoundEndMs() const { return soundRate_ > 0 ? soundFrames_ * 1000.0 / soundRate_ : 0; }

bool MovieDecoder::Step() {
  if (ended_) return false;
  try {
    const int read = av_read_frame(format_, packet_);
    if (read < 0) {
      // End of data (or data too damaged to find the next packet): what the
      // decoders still hold comes out, then the stream is over.
      avcodec_send_packet(video_, nullptr);
      DrainVideo();
      if (audio_) {
        avcodec_send_packet(audio_, nullptr);
        DrainSound();
        FlushResampler();
      }
      ended_ = true;
      return false;
    }
    // A packet a decoder rejects is skipped: damage costs a picture, not the movie.
    if (packet_->stream_index == videoStream_) {
      if (avcodec_send_packet(video_, packet_) >= 0) DrainVideo();
    } else if (audio_ && packet_->stream_index == audioStream_) {
      if (avcodec_send_packet(audio_, packet_) >= 0) DrainSound();
    }
    av_packet_unref(packet_);
    return true;
  } catch (const std::bad_alloc&) {
    // Out of memory: the movie ends here with what was decoded.
    av_packet_unref(packet_);
    av_frame_unref(frame_);
    ended_ = outOfMemory_ = true;
    return false;
  }
}

void MovieDecoder::DrainVideo() {
  while (avcodec_receive_frame(video_, frame_) >= 0) {
    const int w = frame_->width, h = frame_->height;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || frame_->format < 0) {
      av_frame_unref(frame_);
      continue;
    }
    scaler_ = sws_getCachedContext(scaler_, w, h, static_cast<AVPixelFormat>(frame_->format), w, h,
                                   AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_) {
      av_frame_unref(frame_);
      continue;
    }
    MoviePicture picture;
    picture.width = w;
    picture.height = h;
    picture.rgba.resize(static_cast<size_t>(w) * h * 4);
    uint8_t* planes[4] = {picture.rgba.data(), nullptr, nullptr, nullptr};
    int strides[4] = {w * 4, 0, 0, 0};
    if (sws_scale(scaler_, frame_->data, frame_->linesize, 0, h, planes, strides) != h) {
      av_frame_unref(frame_);
      continue;
    }
    picture.timeMs = PictureTime(frame_->best_effort_timestamp);
    pictures_.push_back(std::move(picture));
    av_frame_unref(frame_);
  }
}

double MovieDecoder::PictureTime(int64_t pts) {
  // Where the next picture belongs when its stamp cannot be trusted: right
  // after the previous one. A stamp further ahead than a few frames past
  // both that and the sound decoded so far (which covers a picture held
  // while the sound goes on), or as far behind the previous picture, is a
  // discontinuity.
  const double next = lastPictureMs_ < 0 ? 0 : lastPictureMs_ + frameMs_;
  double t = StampMs(pts, videoStream_) - originMs_ + pictureShiftMs_;
  if (!std::isfinite(t)) {
    t = next;  // a missing stamp follows the previous picture by one frame
  } else if (lastPictureMs_ < 0 ? (t < 0 || t > kMaxStartGapMs + jumpMs_)
                                : (t > std::max(next, SoundEndMs()) + jumpMs_ || t < lastPictureMs_ - jumpMs_)) {
    // A discontinuity: the stamps jumped (a joined or damaged file). The
    // pictures go on from here; later ones keep their spacing.
    pictureShiftMs_ += next - t;
    t = next;
  } else if (lastPictureMs_ >= 0 && !(t > lastPictureMs_)) {
    t = next;  // a stamp that goes back a little follows the previous picture
  }
  lastPictureMs_ = t;
  return t;
}

bool MovieDecoder::TakeSound(const uint8_t** in, int count) {
  const int room = swr_get_out_samples(resampler_, count);
  if (room <= 0) return false;
  if (sound_.size() + static_cast<size_t>(room) * 2 > kMaxPendingSoundSamples) return false;
  const size_t old = sound_.size();
  sound_.resize(old + static_cast<size_t>(room) * 2);
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(sound_.data() + old)};
  const int got = swr_convert(resampler_, out, room, in, count);
  sound_.resize(old + static_cast<size_t>(std::max(got, 0)) * 2);
  soundFrames_ += std::max(got, 0);
  return got > 0;
}

void MovieDecoder::DrainSound() {
  while (avcodec_receive_frame(audio_, frame_) >= 0) {
    if (leadFrames_ > 0 && soundFrames_ == 0) {
      // The sound starts later than the pictures: silence until it does.
      sound_.insert(sound_.end(), static_cast<size_t>(leadFrames_) * 2, 0);
      soundFrames_ = leadFrames_;
    }
    // A frame too large to hold is dropped like a damaged one.
    if (frame_->nb_samples > 0) TakeSound(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
    av_frame_unref(frame_);
  }
}

void MovieDecoder::FlushResampler() {
  // The resampler holds back a few samples to look ahead; the last ones.
  while (TakeSound(nullptr, 0)) {
  }
}

bool MovieDecoder::Rewind() {
  if (!format_) return false;
  if (av_seek_frame(format_, videoStream_, format_->streams[videoStream_]->start_time != AV_NOPTS_VALUE
                                                 ? format_->streams[videoStream_]->start_time
                                                 : 0,
                    AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(format_, -1, INT64_MIN, 0, 0, 0) < 0)
    return false;
  avcodec_flush_buffers(video_);
  if (audio_) {
    avcodec_flush_buffers(audio_);
    swr_close(resampler_);
    swr_init(resampler_);
  }
  ResetTimeline();
  return true;
}

}  // namespace orv
